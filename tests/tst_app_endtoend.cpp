// The whole program from the user's side: the real main window on a generated library,
// driven through its buttons, shortcuts and menus, with local update and feedback servers.
#include <QtTest>

#include <QComboBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTextEdit>

#include <vlc/vlc.h>

#include "app/mainwindow.h"
#include "app/programinfo.h"
#include "app/textedit.h"
#include "deck/qtplayerctl.h"
#include "library/paths.h"
#include "library/sampora.h"
#include "online/installerlauncher.h"
#include "online/onlineservices.h"
#include "online/userprompt.h"
#include "player/player.h"
#include "support/testsupport.h"
#include "tempo/tempoctrl.h"
#include "tools/audiogen.h"
#include "tst_online_server.h"

using namespace std::chrono_literals;

namespace {

struct FolderSpec {
    const char *path;
    const char *type;
    const char *genre;
    int bpm;
};

const FolderSpec kFolders[] = {
    {"samples/hiphop/melody", "melody", "hipHop", 90},
    {"samples/hiphop/beats", "beat", "hipHop", 90},
    {"samples/hiphop/bass", "bass", "hipHop", 84},
    {"samples/techno/melody", "melody", "techno", 128},
    {"samples/techno/beats", "beat", "techno", 120},
    {"samples/techno/bass", "bass", "techno", 128},
};

QByteArray configFor(const QList<FolderSpec> &folders)
{
    QByteArray xml("<sampora>\n");
    for (const FolderSpec &f : folders) {
        xml += QStringLiteral(" <imported_folder path=\"%1\" melody=\"%2\" beat=\"%3\" bass=\"%4\" hipHop=\"%5\" techno=\"%6\" custom=\"0\"/>\n")
                   .arg(QLatin1String(f.path))
                   .arg(qstrcmp(f.type, "melody") == 0)
                   .arg(qstrcmp(f.type, "beat") == 0)
                   .arg(qstrcmp(f.type, "bass") == 0)
                   .arg(qstrcmp(f.genre, "hipHop") == 0)
                   .arg(qstrcmp(f.genre, "techno") == 0)
                   .toUtf8();
    }
    return xml + "</sampora>\n";
}

// Runs f on the next modal dialog of type Dialog, once the event loop shows it.
template <typename Dialog, typename F>
void whenModal(F f)
{
    auto *timer = new QTimer;
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, f] {
        if (auto *dialog = qobject_cast<Dialog *>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            f(dialog);
        }
    });
    timer->start();
}

template <typename T>
T *visibleTopLevel(const char *className)
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->inherits(className))
            return qobject_cast<T *>(w);
    }
    return nullptr;
}

QPushButton *button(QWidget *parent, const QString &text)
{
    for (QPushButton *b : parent->findChildren<QPushButton *>()) {
        if (b->text() == text)
            return b;
    }
    return nullptr;
}

} // namespace

class TestAppEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void wholeSession();

private:
    // The menu entry reached through the given titles, e.g. {"&Playlist", "Player 2", "Melody"}.
    QAction *menuAction(const QStringList &path) const;
    void press(const QKeySequence &keys);

    std::unique_ptr<TempProgramDir> dir;
    std::unique_ptr<TestHttpServer> http;
    std::unique_ptr<MainWindow> window;
    QList<UserPrompt::Box> boxes;
    QList<QMessageBox::StandardButton> answers;
    QStringList installerStarts;
    QString previousDir;
};

void TestAppEndToEnd::initTestCase()
{
    ProgramInfo::identify();
    dir = std::make_unique<TempProgramDir>();
    QVERIFY(dir->isValid());
    // Two short loops per folder, the tempo in the name as users name them.
    for (const FolderSpec &f : kFolders) {
        QVERIFY(QDir().mkpath(dir->path() + QLatin1Char('/') + QLatin1String(f.path)));
        for (int take = 1; take <= 2; ++take) {
            const QString file = QStringLiteral("%1/%2/%3 take%4 %5bpm.wav")
                                     .arg(dir->path(), QLatin1String(f.path), QLatin1String(f.type))
                                     .arg(take)
                                     .arg(f.bpm);
            QVERIFY(AudioGen::writeWav(file, AudioGen::tone(1.5, 110.0 * take, 0.3)));
        }
    }
    dir->writeFile(QStringLiteral("config.xml"), configFor(QList<FolderSpec>(std::begin(kFolders), std::end(kFolders))));
    // Images and the quick reference are found in the program's folder, as in the run folder.
    QVERIFY(QFile::copy(TestSupport::sourceDir() + QStringLiteral("/app/help.html"), dir->path() + QStringLiteral("/help.html")));
    QVERIFY(QFile::link(TestSupport::sourceDir() + QStringLiteral("/pixmaps"), dir->path() + QStringLiteral("/pixmaps")));
    previousDir = QDir::currentPath();
    QDir::setCurrent(dir->path());

    http = std::make_unique<TestHttpServer>(Transport::Https);
    http->manifest = "<update><version>0.2</version><download_location>$BASE/spupdate.exe</download_location></update>";
    OnlineServices::setBaseUrl(http->baseUrl());
    OnlineServices::setTransferTimeout(3000ms);
    UserPrompt::setResponder([this](const UserPrompt::Box &box) {
        boxes.append(box);
        return answers.isEmpty() ? QMessageBox::Ok : answers.takeFirst();
    });
    InstallerLauncher::setStarter([this](const QString &program, const QStringList &arguments) {
        installerStarts.append(program + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')));
        return true;
    });
}

void TestAppEndToEnd::cleanupTestCase()
{
    window.reset();
    UserPrompt::setResponder({});
    InstallerLauncher::setStarter({});
    OnlineServices::setBaseUrl(QUrl());
    QDir::setCurrent(previousDir);
}

QAction *TestAppEndToEnd::menuAction(const QStringList &path) const
{
    QList<QAction *> entries = window->menuBar()->actions();
    QAction *found = nullptr;
    for (const QString &title : path) {
        found = nullptr;
        for (QAction *a : entries) {
            if (a->text() == title) {
                found = a;
                break;
            }
        }
        if (!found)
            return nullptr;
        if (found->menu())
            entries = found->menu()->actions();
    }
    return found;
}

void TestAppEndToEnd::press(const QKeySequence &keys)
{
    QVERIFY(!keys.isEmpty());
    // Shortcuts reach the active window only; a dialog may have taken that over.
    QApplication::setActiveWindow(window.get());
    QTRY_COMPARE(QApplication::activeWindow(), window.get());
    const QKeyCombination combination = keys[0];
    QTest::keyClick(window.get(), combination.key(), combination.keyboardModifiers());
}

void TestAppEndToEnd::wholeSession()
{
    // Start: the automatic update check asks the server and, finding no newer version, is quiet.
    window = std::make_unique<MainWindow>();
    window->show();
    QApplication::setActiveWindow(window.get());
    QTRY_COMPARE(QApplication::activeWindow(), window.get());
    QCOMPARE(window->windowTitle(), QStringLiteral("Sampora: Beta 0.2"));
    QTRY_COMPARE_WITH_TIMEOUT(http->manifestRequests, 1, 5000);
    QTest::qWait(100);
    QVERIFY(boxes.isEmpty());

    QTplayerCtl *deck = window->deckController();
    QVERIFY(deck);
    const char *startTypes[] = {"/hiphop/melody/", "/hiphop/beats/", "/hiphop/bass/"};
    for (int row = 0; row < 3; ++row)
        QVERIFY2(deck->players[row]->currentTrack().file.contains(QLatin1String(startTypes[row])),
                 qPrintable(deck->players[row]->currentTrack().file));

    // Play: every library row starts.
    QTest::mouseClick(deck->playPauseButton, Qt::LeftButton);
    QVERIFY(deck->playing);
    for (Player *p : deck->players)
        QTRY_VERIFY(p->isPlaying());
    // libvlc really plays: the row's position slider moves on.
    QTRY_VERIFY_WITH_TIMEOUT(deck->musicSlider->value() > deck->musicSlider->minimum(), 5000);

    // Next on row 2: the row moves on to another beat, the one before goes to its history.
    const qsizetype pastBefore = deck->players[1]->pastTracks().size();
    QTest::mouseClick(deck->next_2, Qt::LeftButton);
    QTRY_COMPARE(deck->players[1]->pastTracks().size(), pastBefore + 1);
    QVERIFY(deck->players[1]->currentTrack().file.contains(QLatin1String("/hiphop/beats/")));

    // Modes 1, 2, 3: hidden rows are silent, shown rows play again while the deck plays.
    QTest::mouseClick(deck->modeButton_1, Qt::LeftButton);
    QCOMPARE(deck->mode, 1);
    QVERIFY(!deck->musicSlider_2->isVisible() && !deck->musicSlider_3->isVisible());
    QVERIFY(deck->players[1]->disabled && !deck->players[1]->isPlaying());
    QTest::mouseClick(deck->modeButton_2, Qt::LeftButton);
    QCOMPARE(deck->mode, 2);
    QVERIFY(deck->musicSlider_2->isVisible() && !deck->musicSlider_3->isVisible());
    QTRY_VERIFY(deck->players[1]->isPlaying());
    QTest::mouseClick(deck->modeButton_3, Qt::LeftButton);
    QCOMPARE(deck->mode, 3);
    QVERIFY(deck->musicSlider_3->isVisible());
    QTRY_VERIFY(deck->players[2]->isPlaying());
    QVERIFY(deck->modeButton_3->isChecked() && !deck->modeButton_1->isChecked());

    // Add a track: the file chosen in the open-file dialog plays on added track 1.
    const QString extra = dir->path() + QStringLiteral("/my own loop 100bpm.wav");
    QVERIFY(AudioGen::writeWav(extra, AudioGen::tone(1.0, 330.0, 0.3)));
    whenModal<QFileDialog>([extra](QFileDialog *dialog) {
        // As if typed into the dialog's file name box.
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(extra);
        static_cast<QDialog *>(dialog)->done(QDialog::Accepted);
    });
    QTest::mouseClick(deck->add_track, Qt::LeftButton);
    QTRY_VERIFY(!deck->importPlayers[0]->disabled);
    QCOMPARE(deck->importPlayers[0]->currentTrack().file, extra);
    QVERIFY(deck->musicSlider_5->isVisible());
    QVERIFY(deck->playing);
    QTRY_VERIFY(deck->importPlayers[0]->isPlaying());

    // BPM matching off and on again with its shortcut; the menu check follows.
    QAction *bpm = menuAction({QStringLiteral("&Edit"), QStringLiteral("BPM Matching")});
    QVERIFY(bpm);
    press(bpm->shortcut());
    QVERIFY(!deck->tempoCtrl->isMatching());
    QVERIFY(!bpm->isChecked());
    press(bpm->shortcut());
    QVERIFY(deck->tempoCtrl->isMatching());
    QVERIFY(bpm->isChecked());

    // Genre: Ctrl+T selects techno; the next sample row 1 draws is a techno melody.
    QAction *techno = menuAction({QStringLiteral("&Playlist"), QStringLiteral("Genre"), QStringLiteral("T&echno")});
    QAction *hipHop = menuAction({QStringLiteral("&Playlist"), QStringLiteral("Genre"), QStringLiteral("&Hip Hop")});
    QVERIFY(techno && hipHop);
    press(QKeySequence(QStringLiteral("Ctrl+T")));
    QCOMPARE(deck->library->genre(), Techno);
    QVERIFY(techno->isChecked() && !hipHop->isChecked());
    // With Quantize on, the row goes on at the next bar line.
    QTest::mouseClick(deck->next_1, Qt::LeftButton);
    QTRY_VERIFY2_WITH_TIMEOUT(deck->players[0]->currentTrack().file.contains(QLatin1String("/techno/melody/")),
        qPrintable(deck->players[0]->currentTrack().file), 8000);

    // Save a mix with Ctrl+S: the deck pauses, the save dialog copies what plays.
    press(QKeySequence::Save);
    QVERIFY(!deck->playing);
    QDialog *saveDialog = nullptr;
    for (QDialog *d : deck->findChildren<QDialog *>()) {
        if (d->isVisible() && d->inherits("SaveFiles"))
            saveDialog = d;
    }
    QVERIFY(saveDialog);
    const QList<QComboBox *> combos = saveDialog->findChildren<QComboBox *>();
    QCOMPARE(combos.size(), 2);
    combos.at(0)->setEditText(QStringLiteral("E2E Mix"));
    combos.at(1)->setEditText(dir->path());
    QTest::mouseClick(button(saveDialog, QStringLiteral("&Save")), Qt::LeftButton);
    const QDir mix(dir->path() + QStringLiteral("/E2E Mix"));
    QVERIFY(mix.exists());
    QStringList copies = mix.entryList({QStringLiteral("E2E Mix_*")}, QDir::Files, QDir::Name);
    QCOMPARE(copies.size(), 4); // three rows and the added track
    QVERIFY2(QRegularExpression(QStringLiteral("^E2E Mix_1_\\d+BPM\\.wav$")).match(copies.first()).hasMatch(), qPrintable(copies.join(QLatin1Char(','))));
    QFile info(mix.filePath(QStringLiteral("E2E Mix Info.txt")));
    QVERIFY(info.open(QIODevice::ReadOnly));
    QCOMPARE(info.readAll().count("Playing at:"), 4);

    // The library manager, closed with "ok&", makes the deck read the library again.
    const QString newFolder = QStringLiteral("samples/new/melody");
    QVERIFY(QDir().mkpath(dir->path() + QLatin1Char('/') + newFolder));
    QVERIFY(AudioGen::writeWav(dir->path() + QLatin1Char('/') + newFolder + QStringLiteral("/fresh 128bpm.wav"), AudioGen::tone(1.0, 220.0)));
    const qsizetype technoMelodies = deck->library->sampleCount(Techno, Melody);
    press(QKeySequence(QStringLiteral("Ctrl+L")));
    QDialog *manager = visibleTopLevel<QDialog>("LibraryMgr");
    QVERIFY(manager);
    QList<FolderSpec> folders(std::begin(kFolders), std::end(kFolders));
    folders.append({"samples/new/melody", "melody", "techno", 128});
    dir->writeFile(QStringLiteral("config.xml"), configFor(folders));
    QCOMPARE(deck->library->sampleCount(Techno, Melody), technoMelodies);
    QTest::mouseClick(button(manager, QStringLiteral("ok&")), Qt::LeftButton);
    QVERIFY(!manager->isVisible());
    QCOMPARE(deck->library->sampleCount(Techno, Melody), technoMelodies + 1);

    // Quick reference with F1, a new viewer each time.
    press(QKeySequence(Qt::Key_F1));
    TextEdit *help = window->newestHelpViewer();
    QVERIFY(help && help->isVisible());
    QVERIFY(help->toPlainText().contains(QLatin1String("Sampora quick reference")));
    help->close();

    // About: the standard box with the window as parent.
    QString aboutText;
    whenModal<QMessageBox>([&aboutText](QMessageBox *box) {
        aboutText = box->windowTitle() + QLatin1Char('|') + box->text();
        box->accept();
    });
    menuAction({QStringLiteral("&Help"), QStringLiteral("&About")})->trigger();
    // It names the libvlc really loaded and the library file in use.
    const QString vlcVersion = QString::fromUtf8(libvlc_get_version()).section(QLatin1Char(' '), 0, 0);
    QVERIFY2(aboutText.startsWith(QStringLiteral("About Menu|Sampora 0.2. Based on VLC %1.").arg(vlcVersion)), qPrintable(aboutText));
    QVERIFY2(!vlcVersion.startsWith(QLatin1String("1.")), qPrintable(vlcVersion));
    QVERIFY2(aboutText.contains(Paths::configPath()), qPrintable(aboutText));

    // The right-click menu offers Save.
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, QPoint(10, 10), window->mapToGlobal(QPoint(10, 10)));
    QApplication::sendEvent(window.get(), &rightClick);
    QMenu *popup = nullptr;
    for (QMenu *m : window->findChildren<QMenu *>()) {
        if (m->isVisible())
            popup = m;
    }
    QVERIFY(popup);
    QCOMPARE(popup->actions().size(), 1);
    QCOMPARE(popup->actions().first()->text(), QStringLiteral("&Save"));
    popup->close();

    // Feedback reaches the local server intact and the form closes on its answer.
    menuAction({QStringLiteral("&Help"), QStringLiteral("Provide Feedback")})->trigger();
    // The form is freed once it has closed: watch it through a guarded pointer.
    const QPointer<QDialog> feedback = visibleTopLevel<QDialog>("Feedback");
    QVERIFY(feedback);
    feedback->findChild<QLineEdit *>()->setText(QStringLiteral("dj@example.org"));
    const QString message = QStringLiteral("Tempo matching = great & the loops are tight.\nZweite Zeile: äöü");
    feedback->findChild<QTextEdit *>()->setPlainText(message);
    QTest::mouseClick(button(feedback, QStringLiteral("&send")), Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(http->feedbackBodies.size(), 1, 5000);
    QCOMPARE(formValue(http->feedbackBodies.first(), QStringLiteral("from")), QStringLiteral("dj@example.org"));
    QCOMPARE(formValue(http->feedbackBodies.first(), QStringLiteral("message")), message);
    QTRY_VERIFY(!feedback || !feedback->isVisible());

    // Check For Updates by hand: up to date, and this time the user is told.
    boxes.clear();
    menuAction({QStringLiteral("&Help"), QStringLiteral("Check For Updates")})->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(http->manifestRequests, 2, 5000);
    QTRY_COMPARE(boxes.size(), 1);
    QVERIFY(!(boxes.first().buttons & QMessageBox::Yes));

    // A newer version, taken: the installer is fetched and started, and the window closes.
    boxes.clear();
    http->manifest = "<update><version>0.3</version><download_location>$BASE/spupdate.exe</download_location></update>";
    http->installer = QByteArray("#!/bin/sh\necho installing\n");
    answers = {QMessageBox::Yes};
    menuAction({QStringLiteral("&Help"), QStringLiteral("Check For Updates")})->trigger();
    QTRY_COMPARE_WITH_TIMEOUT(installerStarts.size(), 1, 5000);
    QVERIFY(installerStarts.first().startsWith(QLatin1String("/usr/bin/pkexec ")));
    QVERIFY(installerStarts.first().endsWith(QLatin1String("/spupdate.exe")));
    QTRY_VERIFY(!window->isVisible());
}

QTEST_MAIN(TestAppEndToEnd)
#include "tst_app_endtoend.moc"
