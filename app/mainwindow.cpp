#include "app/mainwindow.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QStandardPaths>
#include <QStatusBar>
#include <QVBoxLayout>

#include "app/programinfo.h"
#include "app/textedit.h"
#include "controls/deckdrops.h"
#include "controls/deckremote.h"
#include "controls/midilearndialog.h"
#include "deck/qtplayerctl.h"
#include "dialogs/exportaudio.h"
#include "dialogs/importfolder.h"
#include "dialogs/librarymgr.h"
#include "library/logcategories.h"
#include "library/paths.h"
#include "library/sampletypes.h"
#include "online/feedback.h"
#include "online/onlineservices.h"
#include "online/updatecheck.h"
#include "player/player.h"
#include "render/mixrenderer.h"
#include "tempo/tempoctrl.h"

namespace {

// The options the user sets in the menus, kept next to the MIDI controller map.
QString optionsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/options.ini");
}

const char kEvenLoudnessKey[] = "EvenLoudness";

// On until the user turns it off.
bool rememberedEvenLoudness()
{
    return QSettings(optionsFile(), QSettings::IniFormat).value(QLatin1String(kEvenLoudnessKey), true).toBool();
}

} // namespace

MainWindow::MainWindow(bool checkForUpdatesAtStart)
    : QMainWindow(nullptr)
{
    // The first, quiet update check starts here; its answer arrives through the event loop.
    updateChecker = new UpdateCheck(this, checkForUpdatesAtStart);
    connect(updateChecker, &UpdateCheck::updateStarted, this, &MainWindow::close);

    Paths::registerImageSearchPath();
    auto *central = new QWidget;
    setCentralWidget(central);

    auto *logo = new QWidget(this);
    logo->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    logo->setStyleSheet(QStringLiteral("background:url(pixmaps:applogo.png) no-repeat;"));

    deck = new QTplayerCtl;
    deck->setMinimumSize(300, 200);

    windowWidth = 480;
    windowHeight = 340;

    auto *layout = new QVBoxLayout;
    layout->setContentsMargins(5, 5, 5, 5);
    layout->addWidget(logo);
    layout->addWidget(deck);
    central->setLayout(layout);

    createActions();
    createMenus();

    remote = new DeckRemote(deck, this, quantizeAct, bpmAct, {});
    connect(remote->drops(), &DeckDrops::status, this, [this](const QString &message) {
        statusBar()->showMessage(message, 10000);
    });
    connect(remote->drops(), &DeckDrops::folderDropped, this, &MainWindow::importFolder);

    const QString libraryProblem = ProgramInfo::libraryProblem();
    statusBar()->showMessage(libraryProblem.isEmpty() ? tr("Make your sample library work for you!") : libraryProblem, 0);
    setWindowTitle(tr("Sampora: Beta 0.2"));
    setMinimumSize(370, 160);
    setStyleSheet(QStringLiteral("Background-color:#040B19; color:white; "));
    resize(windowWidth, windowHeight);
}

TextEdit *MainWindow::newestHelpViewer() const
{
    return helpViewer.data();
}

void MainWindow::addWindowSize()
{
    windowHeight += 20;
    resize(windowWidth, windowHeight);
}

void MainWindow::deleteWindowSize()
{
    windowHeight -= 20;
    resize(windowWidth, windowHeight);
}

void MainWindow::contextMenuEvent(QContextMenuEvent *event)
{
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->addAction(saveAct);
    menu->popup(event->globalPos());
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    QMainWindow::closeEvent(event);
    // The deck and its controls live in this window. A help viewer, feedback form or
    // library manager left open must not keep the program (and the deck's sound) going
    // without them: they close too, and with the last window the event loop ends.
    if (event->isAccepted())
        QApplication::closeAllWindows();
}

void MainWindow::showDisposable(QWidget *window)
{
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
}

QAction *MainWindow::createAction(const QString &text, void (MainWindow::*slot)(), bool checkable)
{
    auto *action = new QAction(text, this);
    action->setCheckable(checkable);
    connect(action, &QAction::triggered, this, slot);
    return action;
}

void MainWindow::createActions()
{
    importAct = createAction(tr("&Import Samples..."), &MainWindow::import);
    importAct->setShortcuts(QKeySequence::Italic);
    importAct->setStatusTip(tr("Open a folder containing samples"));

    saveAct = createAction(tr("&Save"), &MainWindow::save);
    saveAct->setShortcuts(QKeySequence::Save);
    saveAct->setStatusTip(tr("Save the document to disk"));

    openMixAct = createAction(tr("&Open Mix..."), &MainWindow::openMix);
    openMixAct->setShortcuts(QKeySequence::Open);
    openMixAct->setStatusTip(tr("Play a saved mix again"));

    exportAudioAct = createAction(tr("Export Mix as &Audio..."), &MainWindow::exportAudio);
    updateExportAction();

    exitAct = new QAction(tr("E&xit"), this);
    exitAct->setShortcuts(QKeySequence::Quit);
    exitAct->setStatusTip(tr("Exit the application"));
    connect(exitAct, &QAction::triggered, this, &QWidget::close);

    aboutAct = createAction(tr("&About"), &MainWindow::about);
    aboutAct->setStatusTip(tr("Show the application's About box"));

    hipHopAct = createAction(tr("&Hip Hop"), &MainWindow::hipHop, true);
    hipHopAct->setShortcut(QKeySequence(tr("Ctrl+H")));
    technoAct = createAction(tr("T&echno"), &MainWindow::techno, true);
    technoAct->setShortcut(QKeySequence(tr("Ctrl+T")));
    customAct = createAction(tr("Cu&stom"), &MainWindow::custom, true);
    customAct->setShortcut(QKeySequence(tr("Ctrl+M")));

    bpmAct = createAction(tr("BPM Matching"), &MainWindow::toggleBPM, true);
    bpmAct->setShortcut(QKeySequence(tr("Ctrl+B")));
    bpmAct->setChecked(true);
    // Ctrl+Q quits; Ctrl+U is free on every desktop.
    quantizeAct = createAction(tr("&Quantize"), &MainWindow::toggleQuantize, true);
    quantizeAct->setShortcut(QKeySequence(tr("Ctrl+U")));
    quantizeAct->setStatusTip(tr("Next, previous and rows joining in wait for the next bar line"));
    quantizeAct->setChecked(true);
    evenLoudnessAct = createAction(tr("Even &Loudness"), &MainWindow::toggleEvenLoudness, true);
    evenLoudnessAct->setStatusTip(tr("Every sample plays at one loudness; the mix never clips"));
    evenLoudnessAct->setChecked(rememberedEvenLoudness());
    deck->setEvenLoudness(evenLoudnessAct->isChecked());

    player1MelodyAct = createAction(tr("Melody"), &MainWindow::player1Melody, true);
    player1BeatAct = createAction(tr("beat/effects"), &MainWindow::player1Beat, true);
    player1BassAct = createAction(tr("beat/bass"), &MainWindow::player1Bass, true);
    player2MelodyAct = createAction(tr("Melody"), &MainWindow::player2Melody, true);
    player2BeatAct = createAction(tr("beat/effects"), &MainWindow::player2Beat, true);
    player2BassAct = createAction(tr("beat/bass"), &MainWindow::player2Bass, true);
    player3MelodyAct = createAction(tr("Melody"), &MainWindow::player3Melody, true);
    player3BeatAct = createAction(tr("beat/effects"), &MainWindow::player3Beat, true);
    player3BassAct = createAction(tr("beat/bass"), &MainWindow::player3Bass, true);

    libraryAct = createAction(tr("Sample Library"), &MainWindow::editLibrary);
    libraryAct->setShortcut(QKeySequence(tr("Ctrl+L")));
    midiLearnAct = createAction(tr("&MIDI Learn..."), &MainWindow::midiLearn);
    midiLearnAct->setStatusTip(tr("Tie the deck's controls to the keys, pads and knobs of a MIDI controller"));
    updateAct = createAction(tr("Check For Updates"), &MainWindow::checkForUpdates);
    feedbackAct = createAction(tr("Provide Feedback"), &MainWindow::getFeedback);
    if (!OnlineServices::isConfigured()) {
        // This build names no service address: say so rather than offer what cannot work.
        updateAct->setText(tr("Check For Updates (service not configured)"));
        feedbackAct->setText(tr("Provide Feedback (service not configured)"));
        updateAct->setEnabled(false);
        feedbackAct->setEnabled(false);
    }
    helpAct = createAction(tr("Quick Reference"), &MainWindow::displayHelp);
    helpAct->setShortcut(QKeySequence(tr("F1")));

    // The initial checks mirror the state the deck starts in: hip hop playlist, rows of
    // melody, beat/effects and beat/bass, matching on.
    const struct {
        QList<QAction *> actions;
        QAction *checked;
    } groups[] = {
        {{customAct, hipHopAct, technoAct}, hipHopAct},
        {{player1MelodyAct, player1BeatAct, player1BassAct}, player1MelodyAct},
        {{player2MelodyAct, player2BeatAct, player2BassAct}, player2BeatAct},
        {{player3MelodyAct, player3BeatAct, player3BassAct}, player3BassAct},
    };
    for (const auto &g : groups) {
        auto *group = new QActionGroup(this);
        for (QAction *action : g.actions)
            group->addAction(action);
        g.checked->setChecked(true);
    }
}

void MainWindow::createMenus()
{
    fileMenu = menuBar()->addMenu(tr("&File"));
    fileMenu->addAction(importAct);
    fileMenu->addAction(openMixAct);
    fileMenu->addAction(saveAct);
    fileMenu->addAction(exportAudioAct);
    // The menu shows why the export is off when no row plays.
    fileMenu->setToolTipsVisible(true);
    connect(fileMenu, &QMenu::aboutToShow, this, &MainWindow::updateExportAction);
    fileMenu->addSeparator();
    fileMenu->addAction(exitAct);

    editMenu = menuBar()->addMenu(tr("&Edit"));
    editMenu->addAction(libraryAct);
    editMenu->addAction(midiLearnAct);
    editMenu->addSeparator();
    editMenu->addAction(bpmAct);
    editMenu->addAction(quantizeAct);
    editMenu->addAction(evenLoudnessAct);

    playlistMenu = menuBar()->addMenu(tr("&Playlist"));
    genreMenu = playlistMenu->addMenu(tr("Genre"));
    playlistMenu->addSeparator();
    genreMenu->addAction(hipHopAct);
    genreMenu->addAction(technoAct);
    genreMenu->addAction(customAct);
    player1Menu = playlistMenu->addMenu(tr("Player 1"));
    player1Menu->addActions({player1MelodyAct, player1BeatAct, player1BassAct});
    player2Menu = playlistMenu->addMenu(tr("Player 2"));
    player2Menu->addActions({player2MelodyAct, player2BeatAct, player2BassAct});
    player3Menu = playlistMenu->addMenu(tr("Player 3"));
    player3Menu->addActions({player3MelodyAct, player3BeatAct, player3BassAct});

    helpMenu = menuBar()->addMenu(tr("&Help"));
    helpMenu->addAction(helpAct);
    helpMenu->addAction(updateAct);
    helpMenu->addAction(feedbackAct);
    menuBar()->addSeparator();
    helpMenu->addAction(aboutAct);

    menuBar()->setStyleSheet(QStringLiteral(" color:black;Background:url(pixmaps:menubackground.png) repeat-x;"));
}

void MainWindow::import()
{
    importFolder(QString());
}

void MainWindow::importFolder(const QString &folder)
{
    auto *dialog = new ImportFolder(this);
    dialog->selectDirectory(folder);
    // A folder just imported is playable at once: the deck's library reads config.xml again.
    connect(dialog, &QDialog::accepted, deck, &QTplayerCtl::updatePlaylist);
    qCDebug(lcApp) << "showing Dialog";
    showDisposable(dialog);
}

void MainWindow::save()
{
    deck->save();
}

void MainWindow::openMix()
{
    // Not modal, like every other dialog here: the deck keeps playing while the user looks.
    auto *chooser = new QFileDialog(this, tr("Open Mix"), QString(), tr("Saved mixes (*Info.txt);;All files (*)"));
    chooser->setObjectName(QStringLiteral("openMixChooser"));
    chooser->setAttribute(Qt::WA_DeleteOnClose);
    chooser->setOption(QFileDialog::DontUseNativeDialog);
    chooser->setFileMode(QFileDialog::ExistingFile);
    connect(chooser, &QFileDialog::fileSelected, this, &MainWindow::openChosenMix);
    chooser->show();
}

void MainWindow::openChosenMix(const QString &path)
{
    const MixReader::OpenedMix mix = deck->openMix(path);
    bpmAct->setChecked(deck->tempoCtrl && deck->tempoCtrl->isMatching());
    if (mix.error.isEmpty() && mix.skipped.isEmpty())
        return;
    QString text;
    if (!mix.error.isEmpty())
        text = mix.error;
    else if (mix.copies.isEmpty())
        text = tr("Nothing of the mix \"%1\" could be opened:").arg(mix.project);
    else
        text = tr("The mix \"%1\" was opened without:").arg(mix.project);
    if (!mix.skipped.isEmpty())
        text += QLatin1Char('\n') + mix.skipped.join(QLatin1Char('\n'));
    auto *report = new QMessageBox(mix.copies.isEmpty() ? QMessageBox::Warning : QMessageBox::Information,
                                   tr("Open Mix"), text, QMessageBox::Ok, this);
    report->setObjectName(QStringLiteral("openMixReport"));
    report->setAttribute(Qt::WA_DeleteOnClose);
    report->setModal(false);
    report->show();
}

void MainWindow::updateExportAction()
{
    const bool anyRowPlays = !deck->mixToRender().rows.isEmpty();
    exportAudioAct->setEnabled(anyRowPlays);
    const QString why = anyRowPlays ? tr("Render the rows playing now to one audio file")
                                    : tr("Start a row playing to export the mix as audio");
    exportAudioAct->setStatusTip(why);
    exportAudioAct->setToolTip(why);
}

void MainWindow::exportAudio()
{
    const RenderJob mix = deck->mixToRender();
    if (mix.rows.isEmpty()) {
        updateExportAction();
        return;
    }
    // The default length reads each row's file header: quick, but not free on a slow disk.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const int bars = MixRenderer::defaultBars(mix);
    QApplication::restoreOverrideCursor();
    auto *dialog = new ExportAudioDialog(mix, bars, this);
    dialog->setObjectName(QStringLiteral("exportAudioDialog"));
    connect(dialog, &ExportAudioDialog::exported, this, [this](const QString &path) {
        statusBar()->showMessage(tr("Exported %1").arg(QDir::toNativeSeparators(path)), 10000);
    });
    showDisposable(dialog);
}

void MainWindow::about()
{
    QMessageBox::about(this, tr("About Menu"),
                       tr("Sampora %1. Based on VLC %2. All rights reserved.\n"
                          "Copyright (C) the Sampora developers.")
                               .arg(QStringLiteral(SAMPORA_VERSION), ProgramInfo::vlcVersion())
                           + QStringLiteral("\n\n") + ProgramInfo::libraryText());
}

void MainWindow::hipHop()
{
    deck->changeGenre(HipHop);
}

void MainWindow::techno()
{
    deck->changeGenre(Techno);
}

void MainWindow::custom()
{
    deck->changeGenre(Custom);
}

void MainWindow::toggleBPM()
{
    deck->tempoCtrl->toggleMatching();
}

void MainWindow::toggleQuantize()
{
    deck->setQuantize(quantizeAct->isChecked());
}

void MainWindow::toggleEvenLoudness()
{
    deck->setEvenLoudness(evenLoudnessAct->isChecked());
    QSettings(optionsFile(), QSettings::IniFormat).setValue(QLatin1String(kEvenLoudnessKey), evenLoudnessAct->isChecked());
}

void MainWindow::setPlayerSampleType(int row, int type)
{
    deck->players[row]->setSampleType(type);
}

void MainWindow::player1Melody() { setPlayerSampleType(0, Melody); }
void MainWindow::player1Beat() { setPlayerSampleType(0, Beat); }
void MainWindow::player1Bass() { setPlayerSampleType(0, Bass); }
void MainWindow::player2Melody() { setPlayerSampleType(1, Melody); }
void MainWindow::player2Beat() { setPlayerSampleType(1, Beat); }
void MainWindow::player2Bass() { setPlayerSampleType(1, Bass); }
void MainWindow::player3Melody() { setPlayerSampleType(2, Melody); }
void MainWindow::player3Beat() { setPlayerSampleType(2, Beat); }
void MainWindow::player3Bass() { setPlayerSampleType(2, Bass); }

void MainWindow::editLibrary()
{
    auto *manager = new LibraryMgr;
    showDisposable(manager);
    connect(manager, &QDialog::accepted, deck, &QTplayerCtl::updatePlaylist);
}

void MainWindow::midiLearn()
{
    showDisposable(remote->createLearnWindow(this));
}

void MainWindow::checkForUpdates()
{
    updateChecker->manualCheck();
}

void MainWindow::getFeedback()
{
    showDisposable(new Feedback);
}

void MainWindow::displayHelp()
{
    helpViewer = new TextEdit(nullptr);
    helpViewer->loadDocument(Paths::dataDir() + QStringLiteral("/help.html"));
    showDisposable(helpViewer);
}
