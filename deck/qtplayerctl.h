#pragma once

#include <array>
#include <memory>

#include <QString>
#include <QVector>
#include <QWidget>

#include "dialogs/mixreader.h"
#include "library/sampletypes.h"
#include "player/trackinfo.h"
#include "render/renderjob.h"
#include "ui_progressbars.h"

class BarGrid;
class DeckEngine;
class QEvent;
class Player;
class Sampora;
class TempoCTRL;
class TempoDetector;

// The deck: three library rows, up to two added tracks and the transport bar. It owns the
// library model, the five players and the tempo controller, and turns the form's buttons
// into calls on them. The main window's menus reach those objects through the public members.
class QTplayerCtl : public QWidget, public Ui::progressBars {
    Q_OBJECT

public:
    explicit QTplayerCtl(QWidget *parent = nullptr);
    ~QTplayerCtl() override;

    bool eventFilter(QObject *watched, QEvent *event) override;

    // Loads a saved mix (its info file or its folder): each copy into its row or added track
    // at the rate it was saved with, the rows it used shown, all playing from the start.
    // BPM matching is switched off, so that the saved rates stay. Returns what was read, with
    // what had to be left out; the deck is untouched when no copy could be loaded.
    MixReader::OpenedMix openMix(const QString &path);

    // What File > "Export Mix as Audio..." renders: the rows playing now with the copies they
    // play and where each stands on the deck's timeline at a bar line of the grid (the start of
    // the first row with a BPM), the deck volume as heard (0 when muted) and that row's tempo
    // (120 BPM when no row has one). No rows when nothing plays.
    RenderJob mixToRender() const;

    Sampora *library = nullptr;
    // Ids 0 to 2 (rows 1 to 3), then ids 3 and 4 (added tracks 1 and 2): one sequence by id.
    Player *players[3] = {};
    Player *importPlayers[2] = {};
    int mode = 3;
    TempoCTRL *tempoCtrl = nullptr;
    bool playing = false;
    // What unmuting restores: the last volume set with the mouse.
    int savedVolume = 99;

public slots:
    void updatePlaylist();
    void playPause();
    void stop();
    void previous();
    void next();
    void p1Next();
    void p2Next();
    void p3Next();
    void p1Previous();
    void p2Previous();
    void p3Previous();
    void p1Repeat();
    void p2Repeat();
    void p3Repeat();
    void save();
    void pause();
    void updateMedia();
    void changeGenre(GenrePreset gp);
    void mode3clicked();
    void mode2clicked();
    void mode1clicked();
    void changeMode(int new_mode);
    void addTrackClicked();
    void deleteTrack1clicked();
    void deleteTrack2clicked();
    void hideImport1();
    void hideImport2();
    void showImport1();
    void showImport2();
    void setVolume(int v);
    void muteVolume(bool mute);
    // Quantized moves: next, previous and rows joining in wait for the grid's next bar line.
    void setQuantize(bool on);
    bool quantizes() const;
    // Every row at one loudness (on), or every file at its own level.
    void setEvenLoudness(bool on);
    bool evenLoudness() const;

protected:
    // The file for a new added track; empty when the user cancels. Tests replace the dialog.
    virtual QString chooseTrackFile();
    // Hands the collected mix to the save dialog.
    virtual void openSaveDialog(const QVector<TrackInfo> &tracks);

private:
    // The widgets of one library row, in the order they are hidden and shown.
    struct Row {
        Player *player;
        std::array<QWidget *, 6> widgets;
    };

    // The widgets a player reads its tempo offset and its hold state from, by player id.
    struct Controls {
        QAbstractSlider *tempo;
        QAbstractButton *hold;
    };
    Controls controls(int id) const;
    void showRowsFor(const QVector<MixReader::SavedCopy> &copies);
    void loadCopy(const MixReader::SavedCopy &copy);

    std::array<Player *, 5> allPlayers() const;
    Row libraryRow(int index) const;
    std::array<QWidget *, 6> addedTrack1Widgets() const;
    std::array<QWidget *, 5> addedTrack2Widgets() const;
    void hideRow(int index);
    void showRow(int index);
    void createPlayers();
    void createTempoController();
    void connectWidgets();
    void setPlayButtonStyle(bool showPause);
    void silenceHiddenRows();
    void libraryChanged();

    std::unique_ptr<BarGrid> grid;
    // Every row's voice is mixed and played here; made before the players, gone after them.
    std::unique_ptr<DeckEngine> engine;
    // Finds the tempo of samples without a BPM in their names, for every row; the players ask it
    // from their decoding threads, so it outlives them.
    std::unique_ptr<TempoDetector> tempoDetector;
};
