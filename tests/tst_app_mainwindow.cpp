// The main window's frame, menus and actions, checked on the real window with its deck.
#include <QtTest>

#include <QActionGroup>
#include <QComboBox>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QFileDialog>
#include <QMessageBox>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>

#include "app/mainwindow.h"
#include "app/programinfo.h"
#include "app/textedit.h"
#include "deck/qtplayerctl.h"
#include "dialogs/exportaudio.h"
#include "dialogs/importfolder.h"
#include "dialogs/librarymgr.h"
#include "dialogs/savefiles.h"
#include "library/paths.h"
#include "library/sampora.h"
#include "online/filedownloader.h"
#include "online/onlineservices.h"
#include "online/updatecheck.h"
#include "player/player.h"
#include "support/menumnemonics.h"
#include "support/testsupport.h"
#include "tempo/tempoctrl.h"
#include "tools/audiogen.h"
#include "tst_online_server.h"

namespace {

// One line per menu entry: the menu titles that lead to it and its text; "-" is a separator.
QStringList describe(const QList<QAction *> &actions, const QString &prefix = QString())
{
    QStringList lines;
    for (QAction *a : actions) {
        const QString name = prefix + (a->isSeparator() ? QStringLiteral("-") : a->text());
        lines << name;
        if (a->menu())
            lines << describe(a->menu()->actions(), name + QStringLiteral(" > "));
    }
    return lines;
}

} // namespace

class TestAppMainWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void frame();
    void identityMatchesTheDesktopEntry();
    void unwritableLibraryIsToldAtStart();
    void windowSizeSteps_data();
    void windowSizeSteps();
    void menuTree();
    void actions_data();
    void actions();
    void choiceGroups();
    void genreAndTypeReachTheDeck();
    void bpmMatchingTwiceStaysOn();
    void evenLoudnessIsRemembered();
    void statusTipReplacesGreeting();
    void eachQuickReferenceOpensAViewer();
    void dialogsOpenAnewAndModeless();
    void exitCloses();
    void withoutServiceAddressNothingIsAsked();
    void importIsPlayableAtOnce();
    void droppedFolderFillsTheImport();
    void closedWindowsAreFreed();
    void exitEndsTheProgramWithOtherWindowsOpen();
    void openMixReportsWhatItLeftOut();
    void exportAudioRendersThePlayingRows();

private:
    QAction *entry(const QString &path) const;
    // The visible windows of a class that the last action opened, newest last.
    static QList<QWidget *> shownWindows(const char *className);

    std::unique_ptr<TempProgramDir> dir;
    std::unique_ptr<TestHttpServer> http;
    std::unique_ptr<MainWindow> window;
};

void TestAppMainWindow::initTestCase()
{
    ProgramInfo::identify();
    dir = std::make_unique<TempProgramDir>();
    const struct {
        const char *folder;
        const char *type;
    } folders[] = {{"melody", "melody"}, {"beats", "beat"}, {"bass", "bass"}};
    QByteArray config("<sampora>\n");
    for (const auto &f : folders) {
        QDir().mkpath(dir->path() + QLatin1Char('/') + QLatin1String(f.folder));
        for (int i = 1; i <= 2; ++i)
            QVERIFY(AudioGen::writeWav(QStringLiteral("%1/%2/%2 %3 90bpm.wav").arg(dir->path(), QLatin1String(f.folder)).arg(i),
                                       AudioGen::tone(0.5, 220.0 * i)));
        config += QStringLiteral(" <imported_folder path=\"%1\" %2=\"1\" hipHop=\"1\" techno=\"1\" custom=\"1\"/>\n")
                      .arg(QLatin1String(f.folder), QLatin1String(f.type))
                      .toUtf8();
    }
    dir->writeFile(QStringLiteral("config.xml"), config + "</sampora>\n");
    // The automatic update check at construction goes to a local server, never out.
    http = std::make_unique<TestHttpServer>();
    http->manifest = "<update><version>0.2</version></update>";
    OnlineServices::setBaseUrl(http->baseUrl());
}

void TestAppMainWindow::init()
{
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void TestAppMainWindow::cleanup()
{
    window.reset();
}

QAction *TestAppMainWindow::entry(const QString &path) const
{
    QList<QAction *> actions = window->menuBar()->actions();
    QAction *found = nullptr;
    for (const QString &title : path.split(QStringLiteral(" > "))) {
        const auto it = std::find_if(actions.cbegin(), actions.cend(), [&](QAction *a) { return a->text() == title; });
        if (it == actions.cend())
            return nullptr;
        found = *it;
        actions = found->menu() ? found->menu()->actions() : QList<QAction *>();
    }
    return found;
}

void TestAppMainWindow::frame()
{
    QCOMPARE(window->windowTitle(), QStringLiteral("Sampora: Beta 0.2"));
    QCOMPARE(window->size(), QSize(480, 340));
    QCOMPARE(window->minimumSize(), QSize(370, 160));
    QCOMPARE(window->statusBar()->currentMessage(), QStringLiteral("Make your sample library work for you!"));
    QCOMPARE(window->styleSheet(), QStringLiteral("Background-color:#040B19; color:white; "));
    QCOMPARE(window->deckController()->minimumSize(), QSize(300, 200));
    QCOMPARE(window->deckController()->parentWidget(), window->centralWidget());
    // The logo strip sits above the deck in the central widget's layout.
    QLayout *layout = window->centralWidget()->layout();
    QCOMPARE(layout->count(), 2);
    QCOMPARE(layout->contentsMargins(), QMargins(5, 5, 5, 5));
    QCOMPARE(layout->itemAt(0)->widget()->styleSheet(), QStringLiteral("background:url(pixmaps:applogo.png) no-repeat;"));
    QCOMPARE(layout->itemAt(1)->widget(), window->deckController());

    // Slots are reachable by name (nothing connects the window-size pair), in this order.
    const QMetaObject *meta = window->metaObject();
    QStringList names;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i)
        names << QString::fromLatin1(meta->method(i).methodSignature());
    QCOMPARE(names.join(QLatin1Char(' ')),
             QStringLiteral("import() save() about() hipHop() techno() custom() toggleBPM() toggleQuantize() toggleEvenLoudness() "
                            "player1Melody() player1Beat() player1Bass() player2Melody() player2Beat() player2Bass() "
                            "player3Melody() player3Beat() player3Bass() editLibrary() checkForUpdates() getFeedback() "
                            "displayHelp() addWindowSize() deleteWindowSize() openMix() openChosenMix(QString) "
                            "exportAudio() updateExportAction() midiLearn() importFolder(QString)"));
    QCOMPARE(meta->method(meta->indexOfSlot("addWindowSize()")).access(), QMetaMethod::Public);
    QCOMPARE(meta->method(meta->indexOfSlot("displayHelp()")).access(), QMetaMethod::Private);
}

// Docks and task bars find the menu entry of a running window by its app id (Wayland: the
// desktop file name) or its class (X11: the application name, StartupWMClass in the entry).
void TestAppMainWindow::identityMatchesTheDesktopEntry()
{
    const QString appId = QGuiApplication::desktopFileName();
    QFile entry(qEnvironmentVariable("SAMPORA_SOURCE_DIR") + QStringLiteral("/app/") + appId + QStringLiteral(".desktop"));
    QVERIFY2(!appId.isEmpty() && entry.open(QIODevice::ReadOnly | QIODevice::Text), qPrintable(entry.fileName()));
    const QStringList lines = QString::fromUtf8(entry.readAll()).split(QLatin1Char('\n'));
    QVERIFY(lines.contains(QStringLiteral("StartupWMClass=") + QCoreApplication::applicationName()));
    QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral(SAMPORA_VERSION));
}

// A library that cannot be written is told at start, not found out at the first import.
void TestAppMainWindow::unwritableLibraryIsToldAtStart()
{
    window.reset();
    QTemporaryDir root;
    QFile blocker(root.filePath(QStringLiteral("file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Paths::setConfigFile(blocker.fileName() + QStringLiteral("/sampora/config.xml"));
    window = std::make_unique<MainWindow>();
    const QString problem = window->statusBar()->currentMessage();
    const QString about = ProgramInfo::libraryText();
    Paths::setConfigFile(QString());
    QVERIFY2(problem.startsWith(QStringLiteral("Changes to the library cannot be saved: the folder ")), qPrintable(problem));
    QVERIFY2(about.endsWith(QLatin1Char('\n') + problem), qPrintable(about));
}

void TestAppMainWindow::windowSizeSteps_data()
{
    QTest::addColumn<QString>("steps"); // '+' addWindowSize, '-' deleteWindowSize
    QTest::addColumn<int>("remembered");
    QTest::addColumn<int>("height");

    QTest::newRow("two larger") << "++" << 380 << 380;
    QTest::newRow("two larger, one smaller") << "++-" << 360 << 360;
    // The remembered height has no floor; the window stops at its minimum.
    QTest::newRow("ten smaller") << "----------" << 140 << 160;
    QTest::newRow("ten smaller, one larger") << "----------+" << 160 << 160;
}

void TestAppMainWindow::windowSizeSteps()
{
    QFETCH(QString, steps);
    QFETCH(int, remembered);
    QFETCH(int, height);
    for (QChar step : steps)
        QVERIFY(QMetaObject::invokeMethod(window.get(), step == QLatin1Char('+') ? "addWindowSize" : "deleteWindowSize"));
    QCOMPARE(window->rememberedHeight(), remembered);
    QCOMPARE(window->size(), QSize(480, height));
}

void TestAppMainWindow::menuTree()
{
    const QStringList expected{
        QStringLiteral("&File"),
        QStringLiteral("&File > &Import Samples..."),
        QStringLiteral("&File > &Open Mix..."),
        QStringLiteral("&File > &Save"),
        QStringLiteral("&File > Export Mix as &Audio..."),
        QStringLiteral("&File > -"),
        QStringLiteral("&File > E&xit"),
        QStringLiteral("&Edit"),
        QStringLiteral("&Edit > Sample Library"),
        QStringLiteral("&Edit > &MIDI Learn..."),
        QStringLiteral("&Edit > -"),
        QStringLiteral("&Edit > BPM Matching"),
        QStringLiteral("&Edit > &Quantize"),
        QStringLiteral("&Edit > Even &Loudness"),
        QStringLiteral("&Playlist"),
        QStringLiteral("&Playlist > Genre"),
        QStringLiteral("&Playlist > Genre > &Hip Hop"),
        QStringLiteral("&Playlist > Genre > T&echno"),
        QStringLiteral("&Playlist > Genre > Cu&stom"),
        QStringLiteral("&Playlist > -"),
        QStringLiteral("&Playlist > Player 1"),
        QStringLiteral("&Playlist > Player 1 > Melody"),
        QStringLiteral("&Playlist > Player 1 > beat/effects"),
        QStringLiteral("&Playlist > Player 1 > beat/bass"),
        QStringLiteral("&Playlist > Player 2"),
        QStringLiteral("&Playlist > Player 2 > Melody"),
        QStringLiteral("&Playlist > Player 2 > beat/effects"),
        QStringLiteral("&Playlist > Player 2 > beat/bass"),
        QStringLiteral("&Playlist > Player 3"),
        QStringLiteral("&Playlist > Player 3 > Melody"),
        QStringLiteral("&Playlist > Player 3 > beat/effects"),
        QStringLiteral("&Playlist > Player 3 > beat/bass"),
        QStringLiteral("&Help"),
        QStringLiteral("&Help > Quick Reference"),
        QStringLiteral("&Help > Check For Updates"),
        QStringLiteral("&Help > Provide Feedback"),
        QStringLiteral("&Help > &About"),
        QStringLiteral("-"), // on the menu bar itself, after the Help menu
    };
    QCOMPARE(describe(window->menuBar()->actions()), expected);
    const QStringList clashes = TestSupport::mnemonicClashes(window->menuBar()->actions());
    QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(QLatin1Char('\n'))));
    QCOMPARE(window->menuBar()->styleSheet(), QStringLiteral(" color:black;Background:url(pixmaps:menubackground.png) repeat-x;"));
}

void TestAppMainWindow::actions_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QKeySequence>("keys");
    QTest::addColumn<QString>("statusTip");
    QTest::addColumn<bool>("checkable");
    QTest::addColumn<bool>("checked");

    // The standard keys follow the platform; on Linux these are Ctrl+I, Ctrl+S and Ctrl+Q.
    QTest::newRow("import") << "&File > &Import Samples..." << QKeySequence(QKeySequence::Italic) << "Open a folder containing samples" << false << false;
    QTest::newRow("open mix") << "&File > &Open Mix..." << QKeySequence(QKeySequence::Open) << "Play a saved mix again" << false << false;
    QTest::newRow("save") << "&File > &Save" << QKeySequence(QKeySequence::Save) << "Save the document to disk" << false << false;
    // Nothing plays yet: the entry says what it needs.
    QTest::newRow("export audio") << "&File > Export Mix as &Audio..." << QKeySequence()
                                  << "Start a row playing to export the mix as audio" << false << false;
    QTest::newRow("exit") << "&File > E&xit" << QKeySequence(QKeySequence::Quit) << "Exit the application" << false << false;
    QTest::newRow("about") << "&Help > &About" << QKeySequence() << "Show the application's About box" << false << false;
    QTest::newRow("hip hop") << "&Playlist > Genre > &Hip Hop" << QKeySequence(QStringLiteral("Ctrl+H")) << "" << true << true;
    QTest::newRow("techno") << "&Playlist > Genre > T&echno" << QKeySequence(QStringLiteral("Ctrl+T")) << "" << true << false;
    QTest::newRow("custom") << "&Playlist > Genre > Cu&stom" << QKeySequence(QStringLiteral("Ctrl+M")) << "" << true << false;
    QTest::newRow("bpm") << "&Edit > BPM Matching" << QKeySequence(QStringLiteral("Ctrl+B")) << "" << true << true;
    QTest::newRow("even loudness") << "&Edit > Even &Loudness" << QKeySequence()
                                   << "Every sample plays at one loudness; the mix never clips" << true << true;
    const char *types[] = {"Melody", "beat/effects", "beat/bass"};
    for (int player = 1; player <= 3; ++player) {
        for (int t = 0; t < 3; ++t) {
            QTest::addRow("player %d %s", player, types[t])
                << QStringLiteral("&Playlist > Player %1 > %2").arg(player).arg(QLatin1String(types[t])) << QKeySequence() << ""
                << true << (t == player - 1); // rows start as melody, beat/effects, beat/bass
        }
    }
    QTest::newRow("library") << "&Edit > Sample Library" << QKeySequence(QStringLiteral("Ctrl+L")) << "" << false << false;
    QTest::newRow("midi learn") << "&Edit > &MIDI Learn..." << QKeySequence()
                                << "Tie the deck's controls to the keys, pads and knobs of a MIDI controller" << false << false;
    QTest::newRow("updates") << "&Help > Check For Updates" << QKeySequence() << "" << false << false;
    QTest::newRow("feedback") << "&Help > Provide Feedback" << QKeySequence() << "" << false << false;
    QTest::newRow("help") << "&Help > Quick Reference" << QKeySequence(QStringLiteral("F1")) << "" << false << false;
}

void TestAppMainWindow::actions()
{
    QFETCH(QString, path);
    QFETCH(QKeySequence, keys);
    QFETCH(QString, statusTip);
    QFETCH(bool, checkable);
    QFETCH(bool, checked);
    QAction *action = entry(path);
    QVERIFY(action);
    QCOMPARE(action->shortcut(), keys);
    QCOMPARE(action->statusTip(), statusTip);
    QCOMPARE(action->isCheckable(), checkable);
    QCOMPARE(action->isChecked(), checked);
    QCOMPARE(action->parent(), window.get());
}

void TestAppMainWindow::choiceGroups()
{
    QAction *hipHop = entry(QStringLiteral("&Playlist > Genre > &Hip Hop"));
    QAction *techno = entry(QStringLiteral("&Playlist > Genre > T&echno"));
    QAction *custom = entry(QStringLiteral("&Playlist > Genre > Cu&stom"));
    QVERIFY(hipHop->actionGroup() && hipHop->actionGroup()->isExclusive());
    QCOMPARE(hipHop->actionGroup()->actions(), (QList<QAction *>{custom, hipHop, techno}));
    techno->trigger();
    QVERIFY(techno->isChecked() && !hipHop->isChecked() && !custom->isChecked());
    techno->trigger(); // choosing it again keeps it
    QVERIFY(techno->isChecked());

    QAction *p2Melody = entry(QStringLiteral("&Playlist > Player 2 > Melody"));
    QAction *p2Beat = entry(QStringLiteral("&Playlist > Player 2 > beat/effects"));
    QAction *p1Melody = entry(QStringLiteral("&Playlist > Player 1 > Melody"));
    p2Melody->trigger();
    QVERIFY(p2Melody->isChecked() && !p2Beat->isChecked());
    QVERIFY(p1Melody->isChecked()); // each player's group is its own
}

void TestAppMainWindow::genreAndTypeReachTheDeck()
{
    QTplayerCtl *deck = window->deckController();
    entry(QStringLiteral("&Playlist > Genre > Cu&stom"))->trigger();
    QCOMPARE(deck->library->genre(), Custom);
    entry(QStringLiteral("&Playlist > Genre > T&echno"))->trigger();
    QCOMPARE(deck->library->genre(), Techno);
    entry(QStringLiteral("&Playlist > Genre > &Hip Hop"))->trigger();
    QCOMPARE(deck->library->genre(), HipHop);

    // A type choice applies from the row's next sample, not to the one it holds.
    const QString held = deck->players[1]->currentTrack().file;
    QVERIFY(held.contains(QLatin1String("/beats/")));
    entry(QStringLiteral("&Playlist > Player 2 > Melody"))->trigger();
    QCOMPARE(deck->players[1]->type(), int(Melody));
    QCOMPARE(deck->players[1]->currentTrack().file, held);
    deck->p2Next();
    QVERIFY2(deck->players[1]->currentTrack().file.contains(QLatin1String("/melody/")), qPrintable(deck->players[1]->currentTrack().file));
    entry(QStringLiteral("&Playlist > Player 3 > beat/effects"))->trigger();
    QCOMPARE(deck->players[2]->type(), int(Beat));
    entry(QStringLiteral("&Playlist > Player 1 > beat/bass"))->trigger();
    QCOMPARE(deck->players[0]->type(), int(Bass));
}

void TestAppMainWindow::bpmMatchingTwiceStaysOn()
{
    QAction *bpm = entry(QStringLiteral("&Edit > BPM Matching"));
    TempoCTRL *tempo = window->deckController()->tempoCtrl;
    bpm->trigger();
    QVERIFY(!bpm->isChecked() && !tempo->isMatching());
    bpm->trigger();
    QVERIFY(bpm->isChecked() && tempo->isMatching());
}

void TestAppMainWindow::evenLoudnessIsRemembered()
{
    QAction *even = entry(QStringLiteral("&Edit > Even &Loudness"));
    QVERIFY(window->deckController()->evenLoudness());
    even->trigger();
    QVERIFY(!even->isChecked() && !window->deckController()->evenLoudness());
    // The next start keeps what the user chose.
    window = std::make_unique<MainWindow>();
    QVERIFY(!entry(QStringLiteral("&Edit > Even &Loudness"))->isChecked());
    QVERIFY(!window->deckController()->evenLoudness());
    entry(QStringLiteral("&Edit > Even &Loudness"))->trigger();
    window = std::make_unique<MainWindow>();
    QVERIFY(window->deckController()->evenLoudness());
}

void TestAppMainWindow::statusTipReplacesGreeting()
{
    entry(QStringLiteral("&File > &Save"))->showStatusText(window.get());
    QCOMPARE(window->statusBar()->currentMessage(), QStringLiteral("Save the document to disk"));
}

void TestAppMainWindow::eachQuickReferenceOpensAViewer()
{
    // help.html is found in the program's folder, whatever the working directory holds.
    dir->writeFile(QStringLiteral("help.html"), "<html><body><p>Local help</p></body></html>");
    QTemporaryDir cwd;
    QFile decoy(cwd.path() + QStringLiteral("/help.html"));
    QVERIFY(decoy.open(QIODevice::WriteOnly));
    decoy.write("<p>Working directory</p>");
    decoy.close();
    const QString previous = QDir::currentPath();
    QDir::setCurrent(cwd.path());

    QAction *help = entry(QStringLiteral("&Help > Quick Reference"));
    help->trigger();
    TextEdit *first = window->newestHelpViewer();
    help->trigger();
    TextEdit *second = window->newestHelpViewer();
    QDir::setCurrent(previous);

    QVERIFY(first && second && first != second);
    QVERIFY(first->isVisible() && second->isVisible());
    QVERIFY(!first->parent() && first->isReadOnly());
    QCOMPARE(second->toPlainText(), QStringLiteral("Local help"));
    QVERIFY(QFile::remove(dir->path() + QStringLiteral("/help.html")));
    delete first;
    delete second;
}

void TestAppMainWindow::dialogsOpenAnewAndModeless()
{
    const auto open = [](const char *className) {
        QList<QDialog *> found;
        for (QWidget *w : QApplication::allWidgets()) {
            if (w->isVisible() && w->inherits(className))
                found << qobject_cast<QDialog *>(w);
        }
        return found;
    };
    QApplication::setActiveWindow(window.get());
    QTRY_COMPARE(QApplication::activeWindow(), window.get());
    QTest::ignoreMessage(QtDebugMsg, "showing Dialog");
    QTest::ignoreMessage(QtDebugMsg, "showing Dialog");
    QTest::keyClick(window.get(), Qt::Key_I, Qt::ControlModifier);
    entry(QStringLiteral("&File > &Import Samples..."))->trigger();
    entry(QStringLiteral("&Edit > Sample Library"))->trigger();
    entry(QStringLiteral("&Edit > Sample Library"))->trigger();
    entry(QStringLiteral("&Help > Provide Feedback"))->trigger();

    const QList<QDialog *> imports = open("ImportFolder");
    QCOMPARE(imports.size(), 2);
    const QList<QDialog *> managers = open("LibraryMgr");
    QCOMPARE(managers.size(), 2);
    const QList<QDialog *> forms = open("Feedback");
    QCOMPARE(forms.size(), 1);
    for (QDialog *d : imports) {
        QCOMPARE(d->parentWidget(), window.get());
        QVERIFY(!d->isModal());
    }
    for (QDialog *d : managers + forms) {
        QVERIFY(!d->parentWidget());
        QVERIFY(!d->isModal());
        delete d;
    }
}

void TestAppMainWindow::exitCloses()
{
    // The quit key comes from the platform's bindings (Ctrl+Q on X11 and Wayland); the
    // offscreen platform of the tests has none, so there the entry is chosen instead.
    const QKeySequence quit(QKeySequence::Quit);
    if (quit.isEmpty()) {
        entry(QStringLiteral("&File > E&xit"))->trigger();
    } else {
        QApplication::setActiveWindow(window.get());
        QTRY_COMPARE(QApplication::activeWindow(), window.get());
        QTest::keyClick(window.get(), quit[0].key(), quit[0].keyboardModifiers());
    }
    QVERIFY(!window->isVisible());
}

void TestAppMainWindow::withoutServiceAddressNothingIsAsked()
{
    // The update checker belongs to the window and goes with it.
    QVERIFY(window->findChild<UpdateCheck *>());

    OnlineServices::setBaseUrl(QUrl());
    const bool configured = OnlineServices::isConfigured();
    if (!configured) {
        window = std::make_unique<MainWindow>();
        QVERIFY(window->findChild<FileDownloader *>() == nullptr);
        for (const char *path : {"&Help > Check For Updates (service not configured)",
                                 "&Help > Provide Feedback (service not configured)"}) {
            QAction *action = entry(QLatin1String(path));
            QVERIFY2(action, path);
            QVERIFY(!action->isEnabled());
        }
    }
    OnlineServices::setBaseUrl(http->baseUrl());
    if (configured)
        QSKIP("this build names a service address");
}

QList<QWidget *> TestAppMainWindow::shownWindows(const char *className)
{
    QList<QWidget *> found;
    for (QWidget *w : QApplication::allWidgets()) {
        if (w->isVisible() && w->inherits(className))
            found << w;
    }
    return found;
}

// A folder imported from the File menu is in the deck's library at once, not only after the
// library manager has been opened and closed.
void TestAppMainWindow::importIsPlayableAtOnce()
{
    QFile config(dir->path() + QStringLiteral("/config.xml"));
    QVERIFY(config.open(QIODevice::ReadOnly));
    const QByteArray original = config.readAll();
    config.close();
    const QString fresh = dir->path() + QStringLiteral("/fresh");
    QVERIFY(QDir().mkpath(fresh));
    QVERIFY(AudioGen::writeWav(fresh + QStringLiteral("/fresh 120bpm.wav"), AudioGen::tone(0.5, 330.0)));

    entry(QStringLiteral("&File > &Import Samples..."))->trigger();
    auto *dialog = window->findChild<ImportFolder *>();
    QVERIFY(dialog);
    dialog->findChild<QComboBox *>()->setEditText(fresh);
    for (QPushButton *b : dialog->findChildren<QPushButton *>()) {
        if (b->text() == QStringLiteral("&Import"))
            b->click();
    }
    const QList<LibraryFolder> custom = window->deckController()->library->folders(Custom);
    dir->writeFile(QStringLiteral("config.xml"), original);
    QVERIFY(custom.contains(LibraryFolder{fresh, Melody}));
}

// A folder dropped on the window opens the import dialog with it; MIDI Learn opens its window.
void TestAppMainWindow::droppedFolderFillsTheImport()
{
    const QString folder = dir->path() + QStringLiteral("/melody");
    auto *data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(folder)});
    const std::unique_ptr<QMimeData> owned(data);
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window.get(), &drop);
    const QList<QWidget *> imports = shownWindows("ImportFolder");
    QCOMPARE(imports.size(), 1);
    QCOMPARE(imports.first()->findChild<QComboBox *>()->currentText(), folder);
    delete imports.first();

    entry(QStringLiteral("&Edit > &MIDI Learn..."))->trigger();
    const QList<QWidget *> learnWindows = shownWindows("MidiLearnDialog");
    QCOMPARE(learnWindows.size(), 1);
    QCOMPARE(learnWindows.first()->windowTitle(), QStringLiteral("MIDI Learn"));
    delete learnWindows.first();
}

// Every window the menus and the deck open is freed when it closes.
void TestAppMainWindow::closedWindowsAreFreed()
{
    entry(QStringLiteral("&Help > Quick Reference"))->trigger();
    entry(QStringLiteral("&Help > Provide Feedback"))->trigger();
    entry(QStringLiteral("&Edit > Sample Library"))->trigger();
    entry(QStringLiteral("&File > &Import Samples..."))->trigger();
    window->deckController()->save();
    auto *manager = qobject_cast<LibraryMgr *>(shownWindows("LibraryMgr").value(0));
    QVERIFY(manager);
    QVERIFY(QMetaObject::invokeMethod(manager, "import"));

    QList<QPointer<QWidget>> opened;
    for (const char *className : {"TextEdit", "Feedback", "ImportFolder", "SaveFiles", "LibraryMgr"}) {
        const QList<QWidget *> windows = shownWindows(className);
        QCOMPARE(windows.size(), qstrcmp(className, "ImportFolder") == 0 ? 2 : 1);
        for (QWidget *w : windows)
            opened << w;
    }
    for (const QPointer<QWidget> &w : std::as_const(opened)) {
        if (w)
            w->close();
    }
    for (const QPointer<QWidget> &w : std::as_const(opened))
        QTRY_VERIFY(w.isNull());
}

// File > Exit (like the update starting its installer) closes the main window, and with it
// the program, even while other windows of it are open.
void TestAppMainWindow::exitEndsTheProgramWithOtherWindowsOpen()
{
    entry(QStringLiteral("&Help > Quick Reference"))->trigger();
    entry(QStringLiteral("&Help > Provide Feedback"))->trigger();
    entry(QStringLiteral("&Edit > Sample Library"))->trigger();
    QList<QPointer<QWidget>> others;
    for (const char *className : {"TextEdit", "Feedback", "LibraryMgr"}) {
        others << shownWindows(className).value(0);
        QVERIFY2(others.last(), className);
    }

    QTimer::singleShot(0, window.get(), [this] { entry(QStringLiteral("&File > E&xit"))->trigger(); });
    QTimer::singleShot(10000, window.get(), [] { QCoreApplication::exit(1); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!window->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (const QPointer<QWidget> &w : std::as_const(others))
        QVERIFY(w.isNull());
}

void TestAppMainWindow::openMixReportsWhatItLeftOut()
{
    // A project folder changed by hand: the line of slot 1 is fine, slot 2's copy is gone.
    const QString folder = dir->filePath(QStringLiteral("Set"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(AudioGen::writeWav(folder + QStringLiteral("/Set_1_90BPM.wav"), AudioGen::tone(2.0, 440.0)));
    QFile info(folder + QStringLiteral("/Set Info.txt"));
    QVERIFY(info.open(QIODevice::WriteOnly));
    info.write("Set_1_90BPM.wav Playing at:1.000\nSet_2.wav Playing at:1.000\n");
    info.close();

    entry(QStringLiteral("&File > &Open Mix..."))->trigger();
    auto *chooser = window->findChild<QFileDialog *>(QStringLiteral("openMixChooser"));
    QVERIFY(chooser);
    QVERIFY(chooser->isVisible());
    QVERIFY(!chooser->isModal());
    emit chooser->fileSelected(info.fileName());

    QTplayerCtl *deck = window->deckController();
    QCOMPARE(deck->players[0]->currentTrack().file, folder + QStringLiteral("/Set_1_90BPM.wav"));
    QCOMPARE(deck->mode, 1);
    // The saved rates play: matching is off, and the menu says so.
    QVERIFY(!deck->tempoCtrl->isMatching());
    QVERIFY(!entry(QStringLiteral("&Edit > BPM Matching"))->isChecked());
    auto *report = window->findChild<QMessageBox *>(QStringLiteral("openMixReport"));
    QVERIFY(report);
    QVERIFY(!report->isModal());
    QVERIFY2(report->text().contains(QLatin1String("Set_2.wav")), qPrintable(report->text()));
}

void TestAppMainWindow::exportAudioRendersThePlayingRows()
{
    QAction *exportAudio = entry(QStringLiteral("&File > Export Mix as &Audio..."));
    QVERIFY(!exportAudio->isEnabled());
    QVERIFY(!exportAudio->toolTip().isEmpty());

    QTplayerCtl *deck = window->deckController();
    deck->playPause();
    QTRY_VERIFY_WITH_TIMEOUT(deck->players[0]->isPlaying(), 10000);
    emit entry(QStringLiteral("&File"))->menu()->aboutToShow();
    QVERIFY(exportAudio->isEnabled());
    exportAudio->trigger();

    auto *dialog = window->findChild<ExportAudioDialog *>(QStringLiteral("exportAudioDialog"));
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->isModal());
    // Half-second loops at 90 BPM: one bar covers the longest.
    QCOMPARE(dialog->job().bars, 1);
    QCOMPARE(dialog->job().gridBpm, 90.0);
    QVERIFY(dialog->job().rows.size() >= 1);

    const QString target = dir->filePath(QStringLiteral("export/mix"));
    QVERIFY(QDir().mkpath(QFileInfo(target).path()));
    dialog->findChild<QLineEdit *>(QStringLiteral("exportFile"))->setText(target);
    QPointer<ExportAudioDialog> watched(dialog);
    QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("exportButton")), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(watched.isNull() || !watched->isVisible(), 20000);
    // The extension follows the format; the file is one bar of 90 BPM long.
    QCOMPARE(QFileInfo(target + QStringLiteral(".wav")).size(), 44 + 4 * qint64(117600));
    QVERIFY(window->statusBar()->currentMessage().contains(QLatin1String("mix.wav")));
}

QTEST_MAIN(TestAppMainWindow)
#include "tst_app_mainwindow.moc"
