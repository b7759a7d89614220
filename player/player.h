#pragma once

#include <memory>

#include <QList>
#include <QString>
#include <QWidget>

#include "player/trackinfo.h"

class QAbstractButton;
class QAbstractSlider;
class QTimer;
class Sampora;
class VlcPlayback;

// One row of the deck: draws random samples of its type from the library, plays them one
// after another on its own libvlc media player (or loops one), keeps a back and forward
// history, and bends the play rate by the row's tempo slider and the tempo controller.
// The widget base only provides the meta-object; a Player is never shown.
class Player : public QWidget {
    Q_OBJECT

public:
    Player(int id, QAbstractSlider **positionSlider, QAbstractSlider **tempoSlider, Sampora **library,
        QAbstractButton **playPauseBox, int sampleType);
    ~Player() override;

    void play();
    void pause();
    void stop();
    void next();
    void previous();
    void toggleRepeat();
    void setSampleType(int t);

    // Throws an int (0) while the row is disabled: the deck's save skips hidden rows that way.
    TrackInfo trackInfo() const;

    // Read access for the tempo controller, the deck and the tests.
    int playerId() const { return id; }
    int bpm() const { return currentBpm; } // the tempo the sample plays at now; 1 when it has no BPM
    // The BPM the next playFile() starts from; the deck gives an added track its file name's BPM.
    void setBpm(int bpm) { currentBpm = bpm; }
    bool isPlaying() const { return playing; }
    bool repeats() const { return repeat; }
    int type() const { return sampleType; }
    const TrackInfo &currentTrack() const { return track; }
    const QList<TrackInfo> &pastTracks() const { return backHistory; }
    const QList<TrackInfo> &forwardTracks() const { return forwardHistory; }
    // What libvlc reports now (read back, not remembered).
    float playbackRate() const;
    int playbackVolume() const;
    const VlcPlayback &playback() const { return *vlc; }

    // Written by the deck while the row is hidden.
    bool disabled = false;

signals:
    void Playing(int id);
    void Stopped(int id);
    void NewBPM();
    void BPMOverRide(int bpm, bool on);
    void NewRate(float rate);

public slots:
    void playFile(QString file);
    void adjustTempo(int pos);
    void adjustRate(float rate);
    void updateInterface();
    void changeVolume(int newVolume);
    void changePosition(int newPosition);
    void playPauseToggle();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void setRate(float r);
    float sliderOffset() const;
    bool hasBpm() const;
    float targetRate() const;
    void advance();
    void sampleFailed();
    static QString failureReason(const QString &file);

    QAbstractSlider *positionSlider = nullptr;
    QAbstractSlider *tempoSlider = nullptr;
    QAbstractButton *playPauseBox = nullptr;
    QTimer *timer = nullptr;
    bool repeat = false;
    qint32 sampleType = 0;
    Sampora *library = nullptr;
    QList<TrackInfo> backHistory;
    QList<TrackInfo> forwardHistory;
    // Owns the libvlc instance, media player and current media.
    std::unique_ptr<VlcPlayback> vlc;
    qint32 currentBpm = -1;
    qint32 id = 0;
    TrackInfo track;
    bool playing = false;

    // Consecutive samples that ended without having played (missing, empty, undecodable).
    int failures = 0;
};
