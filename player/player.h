#pragma once

#include <deque>
#include <functional>
#include <memory>

#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QThreadPool>
#include <QWidget>

#include "library/sampletempo.h"
#include "player/heardclock.h"
#include "player/trackinfo.h"

class QAbstractButton;
class QAbstractSlider;
class DeckEngine;
class QTimer;
class Sampora;
class PcmStream;
class VlcPlayback;
struct DecodedSample;

// One row of the deck: draws random samples of its type from the library and plays them one
// after another (or loops one) without a gap, keeps a back and forward history, and bends the
// play rate by the row's tempo slider and the tempo controller.
//
// Samples are decoded on a worker thread and served frame by frame into the row's voice
// (PcmStream), which moves on to the next sample at the exact frame; the deck's engine mixes
// every row's voice into one output, so that every row counts the same frames. What the row
// tells the rest of the program about a new sample (Playing, NewBPM, the histories, the
// position) it tells when that sample is heard, a read-ahead after the mixer has taken it.
// The widget base only provides the meta-object; a Player is never shown.
class Player : public QWidget {
    Q_OBJECT

public:
    using Sample = std::shared_ptr<const DecodedSample>;
    // The wall time (ms of a QElapsedTimer's clock, see wallClockMs()) of the first bar line of
    // the deck's grid at or after the given time; negative when there is no grid to follow.
    using BarLineFinder = std::function<double(double earliestMs)>;
    // The tempo of a sample file (its name's BPM, else one found in the sound). Called on the
    // decoding thread, for every sample before it is queued; several rows may call it at once.
    using TempoFinder = std::function<SampleTempo(const QString &path)>;

    // Without a tempo finder a sample's BPM is its name's alone. Rows of one deck share its
    // engine; without one the row has an engine of its own.
    Player(int id, QAbstractSlider **positionSlider, QAbstractSlider **tempoSlider, Sampora **library,
        QAbstractButton **playPauseBox, int sampleType, TempoFinder findTempo = {}, DeckEngine *deck = nullptr);
    ~Player() override;

    void play();
    void pause();
    void stop();
    void next();
    void previous();
    void toggleRepeat();
    void setSampleType(int t);
    // The genre or the library changed: the sample drawn ahead is drawn again.
    void libraryChanged();

    // With a finder set, next(), previous() and play() on a row that was not playing take effect
    // on the next bar line of the grid it gives; without one (or with no grid) at once.
    void setBarLineFinder(BarLineFinder finder) { barLineFinder = std::move(finder); }
    // Wall clock shared by every player and the deck's grid, in ms.
    static double wallClockMs();
    // The first bar line (4 beats of the sample's own BPM, counted from its first frame) heard
    // at or after earliestMs; negative when the row is not playing a sample with a BPM.
    double nextBarLineMs(double earliestMs) const;
    // Earliest wall time at which a switch requested now can be heard.
    double earliestSwitchMs() const;

    // The sample the row goes on to by itself when the one heard now ends, and the wall time
    // that will be heard; heardMs is negative when that is not known yet (repeating, still
    // decoding, a switch or a change of rate on its way).
    struct Seam {
        double heardMs = -1.0;
        int bpm = -1; // the sample's own BPM (its name's, else one found in its sound)
        // A move pressed onto a bar line rather than the end of the sample: the row goes to the
        // end of the matched rows once it is heard; a previous leaves them first.
        bool pressed = false;
        bool previous = false;
    };
    Seam nextSeam() const;
    // Seams of several rows this close together are heard as one: the rows report them within a
    // poll or two of each other.
    static constexpr double kSameSeamMs = 20.0;
    // The tempo controller will set the row's rate factor to trackRate once another row's seam
    // (or this row's own) is heard at wall time atMs. The row makes its copy at that rate now
    // and puts it in the stream at that moment, so that the rows change together rather than
    // each when its copy happens to be ready.
    void expectRate(float trackRate, double atMs);

    // Throws an int (0) while the row is disabled: the deck's save skips hidden rows that way.
    TrackInfo trackInfo() const;

    // Read access for the tempo controller, the deck and the tests.
    int playerId() const { return id; }
    int bpm() const { return currentBpm; } // the tempo the sample plays at now; 1 when it has no BPM
    // The sample's own BPM and where it came from; origin None while it has none (or while the
    // tempo of a sample without a BPM in its name is still being looked for).
    SampleTempo tempo() const;
    // The BPM the next playFile() starts from; the deck gives an added track its file name's BPM.
    void setBpm(int bpm) { currentBpm = bpm; }
    bool isPlaying() const { return playing; }
    bool repeats() const { return repeat; }
    // True while the row reports a sample it went on to by itself, at the end of the last one
    // (not by a press, a new file or a restart).
    bool movesOnByItself() const { return movingOnByItself; }
    int type() const { return sampleType; }
    const TrackInfo &currentTrack() const { return track; }
    const QList<TrackInfo> &pastTracks() const { return backHistory; }
    const QList<TrackInfo> &forwardTracks() const { return forwardHistory; }
    // The file whose frames are heard now; empty while nothing is.
    QString heardFile() const;
    // Position in the heard sample, 0.0 to 1.0.
    float heardPosition() const;
    // How often a song streamed from disk was not decoded in time (silence until it was).
    int starvations() const { return starvedCount; }
    // Why the row cannot play its current sample; empty when it can (or does not know yet).
    QString failure() const { return currentFailure; }
    // Samples in a row that could not be decoded; the row stops at the third.
    int failuresInARow() const { return failures; }
    // The frames libvlc has read of the row's stream, and the frame the clock says is heard
    // (-1 while the clock is not running or has no play time from libvlc yet).
    struct StreamPosition {
        qint64 servedFrames = 0;
        qint64 heardFrame = -1;
    };
    StreamPosition streamPosition() const;
    // The copy of the sample heard now, and the deck frame its first frame was (or would have
    // been, had the row played it from the start) heard at: where the row stands on the deck's
    // timeline, for an export of the mix. Null sample while nothing is heard.
    struct HeardCopy {
        Sample sample;
        qint64 startFrame = 0;
    };
    HeardCopy heardCopy() const { return { passSample, passFrame - passOffset }; }
    // The rate the row's audio plays at: libvlc plays the stream at its own rate (always 1),
    // the row's copy of the sample is stretched to the rest.
    float playbackRate() const;
    // What libvlc reports now (read back, not remembered), for the deck's one output.
    int playbackVolume() const;
    const VlcPlayback &playback() const;

    // Written by the deck while the row is hidden.
    bool disabled = false;

signals:
    void Playing(int id);
    void Stopped(int id);
    void NewBPM();
    void BPMOverRide(int bpm, bool on);
    void NewRate(float rate);
    // What nextSeam() tells has changed.
    void SeamKnown();

public slots:
    // The tool tip of the row: the file, where its BPM came from, its loudness and gain.
    void showPlayingTip();
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
    // A sample drawn ahead of time, decoded while the one before it plays.
    struct Upcoming {
        QString file;
        int bpm = -1;             // as the library read it from the name
        bool fromForward = false; // taken from the forward history, not drawn
        Sample sample;            // null while decoding
        quint64 token = 0;
        qint64 servedAt = -1;     // the stream frame it started at, once the stream went on to it
        bool inStream = false;    // queued in the stream (or served by it)
        bool pending() const { return !file.isEmpty(); }
    };
    // A switch placed in the stream ahead of time, acted on when it is heard.
    enum class Planned { None, Next, Previous };

    void setRate(float r);
    float sliderOffset() const;
    bool hasBpm() const;
    float targetRate() const;
    void advance(bool toUpcoming = false);
    void sampleFailed(const QString &reason);
    bool held() const;
    void doNext();
    void doPrevious(bool audioPlaced);
    double nextBarMs() const;

    // Audio side.
    quint64 newToken() { return ++lastToken; }
    void keep(const Sample &sample, quint64 token);
    void decode(const QString &file, std::function<void(Sample, QString)> done);
    SampleTempo decodedTempo(const QString &file) const;
    void takeFoundTempo(const SampleTempo &found);
    void showWaveform();
    void showFile(const QString &file, quint64 token, Sample sample);
    void startStream(qint64 offset);
    void restartAudio(qint64 offset);
    void prepareFrom(qint64 offset);
    void dropEvents();
    void prepareUpcoming();
    void queueUpcoming();
    void placePressedNext();
    void drawAhead();
    qint64 framesDrawnAhead() const;
    void takeDrawnAhead(quint64 token, Sample ready);
    void appendDrawnAhead();
    bool withdrawDrawnAhead();
    void dropDrawnAhead();
    Upcoming *drawnItem(quint64 token);
    bool placeOnBar(Sample sample, quint64 token, Planned kind);
    void processHeardEvents(qint64 heardFrame);
    void heardSwitch(quint64 token);
    void ranDry();
    Sample keptSample(quint64 token) const;
    Sample keptSample(const DecodedSample *sample) const;
    void syncRate();
    void stretch(Sample sample, double rate, std::function<void(Sample)> done);
    void continueAtRate(const Sample &stretched);
    bool continueInCopy(const Sample &copy, qint64 atFrame);
    double rateWantedAt(double wallMs) const;
    void syncUpcomingRate();
    void dropPassedExpectation();
    void reportSeam();
    Sample keptSample(const QString &file) const;
    void updatePosition(qint64 heardFrame);
    void syncTimer();
    qint64 nowMs() const;
    const HeardClock &clock() const;

    QAbstractSlider *positionSlider = nullptr;
    QAbstractSlider *tempoSlider = nullptr;
    QAbstractButton *playPauseBox = nullptr;
    QTimer *timer = nullptr;
    bool repeat = false;
    qint32 sampleType = 0;
    Sampora *library = nullptr;
    QList<TrackInfo> backHistory;
    QList<TrackInfo> forwardHistory;
    qint32 currentBpm = -1;
    qint32 id = 0;
    TrackInfo track;
    bool playing = false;

    // Consecutive samples that could not be decoded (missing, empty, not audio).
    int failures = 0;
    QString currentFailure;
    QString failedFile; // the sample drawn ahead that failed last

    BarLineFinder barLineFinder;
    const TempoFinder tempoFinder; // read by the decoding thread: never changed after construction
    bool tempoPending = false;     // the sample has no name BPM and its tempo is still being looked for

    // The engine's output thread pulls the voice until the destructor takes it off the mixer.
    std::unique_ptr<DeckEngine> ownEngine;
    DeckEngine *engine = nullptr;
    std::unique_ptr<PcmStream> stream;
    QThreadPool decoder;
    bool audioPaused = false;   // paused (resumes where it was) rather than stopped
    float pausedPosition = 0.0f; // heardPosition() while paused
    qint64 startOffset = 0;     // where the sample starts on play(): a seek while not playing

    quint64 lastToken = 0;
    Sample currentSample;       // decoded frames of track.file, once known
    quint64 currentToken = 0;   // the stream's number for currentSample as last placed
    quint64 decodeGeneration = 0;
    Upcoming upcoming;
    // Samples after `upcoming`, each drawn once the stream has gone on to the one before it: short
    // samples follow each other faster than the output's read-ahead lets the GUI hear them.
    std::deque<Upcoming> drawnAhead;
    Planned planned = Planned::None;
    bool nextOnceDecoded = false; // next() pressed on the grid while the sample after was decoding
    // libvlc plays every stream at 1; the row's rate is in the copy of the sample it serves.
    double lastRate = 1.0;   // the rate the row was last set to
    bool stretching = false; // a copy at another rate is being made
    // The rates the row was set to lately, with the wall time of each change: a copy that is
    // heard late is placed where the sample would be had each change been heard at once.
    QList<QPair<double, double>> rateChanges;
    double owedFrames(double fromMs, double toMs, double heardRate) const;
    quint64 plannedToken = 0;
    qint64 plannedFrame = 0; // the stream frame the planned switch is served at
    int plannedBpm = -1;     // its sample's own BPM
    Sample plannedSample;    // the copy the stream's jump holds
    // A switch placed on a bar line starts its sample at the rate the controller sets then.
    void syncPlacedRate();
    quint64 unqueuedToken = 0; // a sample drawn ahead that the stream's queue no longer holds
    // A change of rate the tempo controller is known to make at wall time atMs (see expectRate).
    struct ExpectedRate {
        double rate = 1.0;    // the rate the row's audio plays at from then on
        double atMs = -1.0;   // none while negative
    } expected;
    // What nextSeam() told last, for SeamKnown.
    Seam reportedSeam;
    // The seam last worked out from the stream, and the sample drawn ahead it goes on to.
    mutable struct {
        Seam seam;
        quint64 token = 0;
    } knownSeam;
    // Every sample the stream may still hold, with the stream's number for it: the read side
    // must never drop the last reference (it would free memory on libvlc's thread).
    QList<QPair<quint64, Sample>> keptAlive;
    // A switch that is already in the stream, for playFile() to take as it is.
    struct Placed {
        QString file;
        Sample sample;
        quint64 token = 0;
    } placed;
    int starvedCount = 0;
    bool failedWhileIdle = false; // the current sample could not be decoded before play()
    int pendingPosition = -1;     // a seek asked for while the sample was still decoding
    bool movingOnByItself = false;
    bool mouseOnSlider = false;   // the user holds the position slider: the poll leaves it alone
    // The pass heard now: it started at stream frame passFrame with the sample's frame passOffset.
    qint64 passFrame = 0;
    qint64 passOffset = 0;
    Sample passSample;
};
