#pragma once

#include <QMainWindow>
#include <QPointer>

class DeckRemote;
class QAction;
class QCloseEvent;
class QContextMenuEvent;
class QMenu;
class QTplayerCtl;
class TextEdit;
class UpdateCheck;

// The frame around the deck: logo strip, menu bar, status greeting and the dark window
// style that the deck inherits. The menus reach the library model, the players and the
// tempo controller through the deck's public members.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    // Without checkForUpdatesAtStart the update server is only asked from the Help menu.
    explicit MainWindow(bool checkForUpdatesAtStart = true);

    // Exposed for tests and the start-up benchmark; the window owns it.
    QTplayerCtl *deckController() const { return deck; }
    TextEdit *newestHelpViewer() const;
    DeckRemote *deckRemote() const { return remote; }
    int rememberedHeight() const { return windowHeight; }

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private slots:
    void import();
    void save();
    void about();
    void hipHop();
    void techno();
    void custom();
    void toggleBPM();
    void toggleQuantize();
    void toggleEvenLoudness();
    void player1Melody();
    void player1Beat();
    void player1Bass();
    void player2Melody();
    void player2Beat();
    void player2Bass();
    void player3Melody();
    void player3Beat();
    void player3Bass();
    void editLibrary();
    void checkForUpdates();
    void getFeedback();
    void displayHelp();

public slots:
    void addWindowSize();
    void deleteWindowSize();

private slots:
    void openMix();
    void openChosenMix(const QString &path);
    void exportAudio();
    void updateExportAction();
    void midiLearn();
    // The import dialog, with the folder filled in when one is given (dropped on the window).
    void importFolder(const QString &folder);

private:
    void createActions();
    void createMenus();
    QAction *createAction(const QString &text, void (MainWindow::*slot)(), bool checkable = false);
    // Shows a window the menus opened; it is freed when the user closes it.
    static void showDisposable(QWidget *window);
    void setPlayerSampleType(int row, int type);

    QMenu *fileMenu = nullptr;
    QMenu *editMenu = nullptr;
    QMenu *helpMenu = nullptr;
    QMenu *playlistMenu = nullptr;
    QMenu *genreMenu = nullptr;
    QMenu *player1Menu = nullptr;
    QMenu *player2Menu = nullptr;
    QMenu *player3Menu = nullptr;

    QAction *importAct = nullptr;
    QAction *saveAct = nullptr;
    QAction *exitAct = nullptr;
    QAction *hipHopAct = nullptr;
    QAction *technoAct = nullptr;
    QAction *customAct = nullptr;
    QAction *bpmAct = nullptr;
    QAction *quantizeAct = nullptr;
    QAction *evenLoudnessAct = nullptr;
    QAction *player1MelodyAct = nullptr;
    QAction *player1BeatAct = nullptr;
    QAction *player1BassAct = nullptr;
    QAction *player2MelodyAct = nullptr;
    QAction *player2BeatAct = nullptr;
    QAction *player2BassAct = nullptr;
    QAction *player3MelodyAct = nullptr;
    QAction *player3BeatAct = nullptr;
    QAction *player3BassAct = nullptr;
    QAction *libraryAct = nullptr;
    QAction *updateAct = nullptr;
    QAction *feedbackAct = nullptr;
    QAction *helpAct = nullptr;
    QAction *openMixAct = nullptr;
    QAction *exportAudioAct = nullptr;
    QAction *midiLearnAct = nullptr;

    int windowHeight = 340;
    int windowWidth = 480;
    QAction *aboutAct = nullptr;
    QTplayerCtl *deck = nullptr;
    DeckRemote *remote = nullptr;
    UpdateCheck *updateChecker = nullptr;
    // Viewers free themselves when closed.
    QPointer<TextEdit> helpViewer;
};
