#pragma once

#include <functional>
#include <memory>

#include <QObject>
#include <QSet>
#include <QStringList>

#include "engine/deckmixer.h"
#include "player/heardclock.h"
#include "player/loudnessscanner.h"

class PcmStream;
class QTimer;
class VlcOutput;
class VlcPlayback;

// The deck's one timeline: a mixer that every row's voice feeds, one output that plays the mix,
// and one clock that tells which frame of it the loudspeaker plays. Rows place every move at a
// frame of the mixer; all of them are heard together because one output plays them all, and a
// correction of the output's drift moves every row alike.
//
// The output runs while any row plays. When the last row pauses, the output pauses with what it
// has read ahead and goes on with it; when the last row stops, that is dropped.
class DeckEngine : public QObject {
    Q_OBJECT

public:
    explicit DeckEngine(const QStringList &vlcArguments, QObject *parent = nullptr);
    ~DeckEngine() override;

    // The wall clock of every row, the grid and the heard clock, in ms.
    static double wallClockMs();
    // libvlc's arguments for this program: its plugin folder and its log verbosity.
    static QStringList standardArguments();

    void addVoice(PcmStream *voice);
    void removeVoice(PcmStream *voice);

    // A row's voice plays from the read head on (a held voice is let go there).
    void playVoice(PcmStream *voice);
    // The row pauses and will go on from where it is heard. Alone on the deck (or with the
    // transport paused) the output pauses with what it has read ahead, so nothing is lost or
    // heard twice; with other rows playing the voice is held at the read head.
    void pauseVoice(PcmStream *voice);
    // The row stops: its voice is held at the read head; with no row left playing, the output
    // drops what it has read ahead.
    void stopVoice(PcmStream *voice);
    // The transport's pause: the output stops where the loudspeaker is, and every row that
    // played resumes in place (each row's own pause follows through pauseVoice()).
    void pauseOutput();
    // Rows started between beginBatch() and endBatch() start together: the output goes on once,
    // at the end (the transport's play).
    void beginBatch() { ++m_batch; }
    void endBatch();
    // Another row plays: a move of this one must not restart the output (restartOutputWith()).
    bool anyOtherVoicePlaying(PcmStream *voice) const;
    // The output waits for a resume with this voice's frames read ahead.
    bool voiceWaitsInOutput(PcmStream *voice) const { return m_waiting.contains(voice); }
    // Drops what the output has read ahead, lets `placeMoves` put the voice's frames at the read
    // head, and starts the output afresh: heard without the read-ahead's delay. Only for a row
    // alone on the deck; its voice then plays.
    void restartOutputWith(PcmStream *voice, const std::function<void()> &placeMoves);

    // The read head: frames mixed so far. A move placed at or after it is heard.
    qint64 readHead() const { return m_mixer.mixedFrames(); }
    // Deck frames (in ms of the timeline) heard at a wall time, and back.
    const HeardClock &clock() const { return m_clock; }
    bool outputRunning() const;
    bool outputPaused() const;

    // The deck's level, libvlc's 0-100 scale, applied once on the one output.
    void setVolume(int volume);
    int volume() const;

    // Sees the mix as it goes to the loudspeaker (VlcOutput::setTap); an empty one ends that.
    void setMixTap(std::function<void(qint64 firstFrame, const float *frames, qint64 count)> tap);

    DeckMixer &mixer() { return m_mixer; }
    const DeckMixer &mixer() const { return m_mixer; }
    // Measures the loudness of every sample the rows decode (on their decoding threads).
    LoudnessScanner &loudness() { return *m_loudness; }
    // Remembers what is measured in cacheFile. Only before any row decodes.
    void keepLoudnessIn(const QString &cacheFile) { m_loudness = std::make_unique<LoudnessScanner>(cacheFile); }
    const VlcPlayback &playback() const;

private:
    void startOutput();
    void pauseOutputAndClock();
    void applyOutputState();
    void poll();

    DeckMixer m_mixer;
    std::unique_ptr<LoudnessScanner> m_loudness = std::make_unique<LoudnessScanner>();
    std::unique_ptr<VlcOutput> m_output;
    HeardClock m_clock;
    QSet<PcmStream *> m_playing;
    // Paused with the output: their frames wait in what the output read ahead.
    QSet<PcmStream *> m_waiting;
    int m_batch = 0;
    QTimer *m_poll = nullptr;
    bool m_volumePending = false;
};
