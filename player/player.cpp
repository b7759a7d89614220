#include "player/player.h"

#include <algorithm>
#include <cmath>

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>

#include "engine/deckengine.h"
#include "engine/vlcplayback.h"
#include "library/logcategories.h"
#include "library/paths.h"
#include "library/sampletypes.h"
#include "library/sampora.h"
#include "player/decodedsample.h"
#include "player/pcmformat.h"
#include "player/pcmstream.h"
#include "player/sampledecoder.h"
#include "player/timestretch.h"
#include "player/waveformslider.h"

namespace {

// While a row plays, how often it looks at what is heard: events come within this of their frame.
constexpr int kPollMs = 5;
constexpr qsizetype kMaxHistory = 999;
// Broken samples in a row after which the row stops instead of drawing yet another one.
constexpr int kMaxFailures = 3;
// Samples the stream may still hold: the current one, a queued one, a pending jump, copies of
// them at other rates, and the ones an unheard event still names.
constexpr qsizetype kKeptSamples = 12;
// Samples drawn after the next one are decoded until they last this long together, about twice
// the output's read-ahead, so that one-shots follow each other without silence.
constexpr qint64 kDrawAheadFrames = PcmFormat::kRate / 2;
constexpr size_t kMostDrawnAhead = 12;
// Time a switch needs between being placed in the stream and the stream reading that frame.
constexpr double kSwitchMarginMs = 30.0;
// A change of rate fades from the old copy of the sample to the new one over this many frames.
constexpr qint64 kRateCrossfadeFrames = PcmFormat::kRate / 100;
// A copy heard later than this after its change of rate is not moved to make up for the delay.
constexpr double kMaxCatchUpMs = 10000.0;
// An expected change of rate that has not come this long after its moment is given up.
constexpr double kExpectedGraceMs = 200.0;
// How long before a change of rate its copy is made ready and placed in the stream.
constexpr double kMakeReadyAheadMs = 8000.0;

bool sameRate(double a, double b)
{
    return std::abs(a - b) < 1e-6;
}

void appendCapped(QList<TrackInfo> &history, const TrackInfo &entry)
{
    history.append(entry);
    if (history.size() > kMaxHistory)
        history.removeFirst();
}

QString typeName(int sampleType)
{
    switch (sampleType) {
    case Melody:
        return QStringLiteral("Melody");
    case Bass:
        return QStringLiteral("Beat/Bass");
    case Beat:
        return QStringLiteral("Beat/Effects");
    default:
        return QStringLiteral("unknown");
    }
}

double framesToMs(qint64 frames)
{
    return double(frames) * 1000.0 / PcmFormat::kRate;
}

qint64 msToFrames(double ms)
{
    return qint64(std::llround(ms * PcmFormat::kRate / 1000.0));
}

} // namespace

Player::Player(int id, QAbstractSlider **positionSlider, QAbstractSlider **tempoSlider, Sampora **library,
    QAbstractButton **playPauseBox, int sampleType, TempoFinder findTempo, DeckEngine *deck)
    : QWidget(nullptr)
    , tempoFinder(std::move(findTempo))
{
    this->positionSlider = *positionSlider;
    this->tempoSlider = *tempoSlider;
    this->positionSlider->installEventFilter(this);

    this->sampleType = sampleType;
    repeat = false;
    this->id = id;
    playing = false;
    timer = new QTimer(this);
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(kPollMs);
    disabled = false;

    if (!deck) {
        ownEngine = std::make_unique<DeckEngine>(DeckEngine::standardArguments());
        deck = ownEngine.get();
    }
    engine = deck;
    stream = std::make_unique<PcmStream>();
    stream->hold(); // silent until it plays
    engine->addVoice(stream.get());
    decoder.setMaxThreadCount(1);

    this->playPauseBox = *playPauseBox;
    this->library = *library;

    if (this->library)
        track.file = this->library->randomSample(this->sampleType, currentBpm);
    if (track.file.isEmpty())
        this->positionSlider->setToolTip(tr("No samples in library for this player"));
    else
        this->positionSlider->setToolTip(tr("Playing: ") + track.file);

    if (currentBpm < kMinUsableBpm)
        currentBpm = 1;
    track.bpm = track.baseBpm = currentBpm;
    track.rate = 1.0f;

    if (!track.file.isEmpty()) {
        tempoPending = tempoFinder && !hasBpm();
        showPlayingTip();
        showFile(track.file, newToken(), nullptr);
        prepareUpcoming();
    }

    connect(timer, &QTimer::timeout, this, &Player::updateInterface);
    connect(this->positionSlider, &QAbstractSlider::valueChanged, this, &Player::changePosition);
    connect(this->tempoSlider, &QAbstractSlider::valueChanged, this, &Player::adjustTempo);
    connect(this->playPauseBox, &QAbstractButton::toggled, this, &Player::playPauseToggle);
}

Player::~Player()
{
    // No decode may report back into a half-destroyed player; then libvlc stops reading the
    // stream before the stream goes.
    decoder.clear();
    decoder.waitForDone();
    engine->removeVoice(stream.get());
}

double Player::wallClockMs()
{
    return DeckEngine::wallClockMs();
}

qint64 Player::nowMs() const
{
    return qint64(wallClockMs());
}

float Player::playbackRate() const
{
    // libvlc itself always plays at 1: the row's audio is a stretched copy of the sample.
    return targetRate();
}

int Player::playbackVolume() const
{
    return engine->volume();
}

const VlcPlayback &Player::playback() const
{
    return engine->playback();
}

const HeardClock &Player::clock() const
{
    return engine->clock();
}

float Player::sliderOffset() const
{
    return tempoSlider->value() / 100.0f;
}

bool Player::hasBpm() const
{
    return track.baseBpm > kMinUsableBpm;
}

bool Player::held() const
{
    return playPauseBox->isChecked();
}

float Player::targetRate() const
{
    // The tempo slider and the tempo controller bend only samples whose tempo is known.
    return hasBpm() ? track.rate + sliderOffset() : 1.0f;
}

QString Player::heardFile() const
{
    return passSample && playing ? passSample->file : QString();
}

float Player::heardPosition() const
{
    if (!playing && audioPaused)
        return pausedPosition;
    if (!passSample || passSample->frames() == 0)
        return 0.0f;
    // A row that does not play stands where it will start.
    const qint64 heard = playing && clock().running() ? clock().heardFrame(nowMs()) : passFrame;
    const qint64 frame = std::clamp<qint64>(heard - passFrame + passOffset, 0, passSample->frames());
    return float(double(frame) / double(passSample->frames()));
}

Player::StreamPosition Player::streamPosition() const
{
    StreamPosition at;
    at.servedFrames = stream->servedFrames();
    if (clock().running() && clock().anchored())
        at.heardFrame = clock().heardFrame(nowMs());
    return at;
}

// ---- the sample bookkeeping: what the row plays, its histories and signals ----

void Player::playFile(QString file)
{
    nextOnceDecoded = false;
    if (file.isEmpty()) {
        pause();
        positionSlider->setValue(0);
        positionSlider->setToolTip(
            tr("No samples in the %1 library for this Genre").arg(typeName(sampleType)));
        return;
    }
    file = QDir::toNativeSeparators(file);
    track.file = file;
    // The name always wins; without a BPM in it, the one found in the sound of a sample the row
    // has decoded already counts the same.
    if (currentBpm <= kMinUsableBpm) {
        const SampleTempo found = decodedTempo(file);
        if (found.bpm > kMinUsableBpm)
            currentBpm = found.bpm;
    }

    const int s = tempoSlider->value();
    track.baseBpm = currentBpm;
    track.rate = 1.0f;
    track.bpm = currentBpm * (100 + s) / 100;

    if (currentBpm <= kMinUsableBpm) {
        currentBpm = 1;
        track.rate = 1.0f;
    }
    // A held row takes its new sample and stays held.
    if (!held())
        playing = true;

    const bool wentOnToUpcoming = placed.token != 0 && placed.token == upcoming.token && placed.file == file;
    if (placed.token != 0 && placed.file == file) {
        // Already in the stream at its frame (the end of the last sample, or a bar line).
        ++decodeGeneration; // an earlier file still decoding is no longer wanted
        currentSample = placed.sample;
        currentToken = placed.token;
    } else {
        Sample ready;
        if (upcoming.file == file)
            ready = upcoming.sample;
        if (!ready)
            ready = keptSample(file);
        showFile(file, newToken(), ready);
    }
    placed = {};
    if (upcoming.file == file)
        upcoming = {};
    // The samples drawn after it are in the stream already, in turn.
    const bool nextDrawn = wentOnToUpcoming && !drawnAhead.empty();
    if (nextDrawn) {
        upcoming = drawnAhead.front();
        drawnAhead.pop_front();
    }
    // Still decoding: its tempo comes with it (takeFoundTempo), before it is heard.
    tempoPending = tempoFinder && !hasBpm() && !currentSample;
    showPlayingTip();

    if (hasBpm()) {
        qCDebug(lcPlayer) << "attempting to emit NewBPM";
        emit NewBPM();
    }
    // Set once the tempo controller has matched the new sample: a detour through 1.0 would make
    // a copy at that rate for nothing.
    setRate(targetRate());
    play();
    if (!nextDrawn)
        prepareUpcoming();
    syncTimer();
}

void Player::setRate(float r)
{
    qCDebug(lcPlayer) << "Play Rate:" << r;
    if (std::abs(double(r) - lastRate) < 1e-6)
        return;
    lastRate = double(r);
    // A change well before the one expected was not foreseen: the controller tells anew.
    if (expected.atMs >= 0 && wallClockMs() < expected.atMs - kSameSeamMs)
        expected = {};
    // The change counts from now; the stretched copy that carries it is heard a moment later,
    // placed where the sample would be had it changed now. A change foreseen for a seam counts
    // from the seam, however late the controller hears of it (a busy GUI thread hears a seam
    // tens of ms after it): rates set in between never played.
    double changedAt = wallClockMs();
    if (expected.atMs >= 0 && sameRate(expected.rate, lastRate) && changedAt >= expected.atMs - kSameSeamMs)
        changedAt = std::min(changedAt, expected.atMs);
    while (!rateChanges.isEmpty() && rateChanges.last().first >= changedAt)
        rateChanges.removeLast();
    rateChanges.append({ changedAt, lastRate });
    if (rateChanges.size() > 16)
        rateChanges.removeFirst();
    syncRate();
}

void Player::adjustTempo(int pos)
{
    Q_UNUSED(pos)
    if (playing) {
        // The sample plays on without a break; the tempo controller hears the row stop and start
        // again, so that it moves to the end of the matched rows as before.
        emit Stopped(id);
        setRate(targetRate());
        emit Playing(id);
        return;
    }
    pause();
    setRate(targetRate());
    play();
}

void Player::adjustRate(float rate)
{
    qCDebug(lcPlayer) << "current Rate=" << QString::number(track.rate, 'f', 2);
    const float base = track.rate < 0.5f ? 1.0f : track.rate;
    track.rate = base + rate;
    // Recomputed from the starting BPM every time, so repeated adjustments never compound.
    // The small allowance keeps 100 x 0.9f (89.99999) at 90.
    if (hasBpm())
        currentBpm = qint32(std::trunc(double(track.baseBpm) * double(track.rate) + 1e-3));
    qCDebug(lcPlayer) << "Play Rate Adustment :" << QString::number(track.rate, 'f', 3) << " P:" << id;
    setRate(targetRate());
}

void Player::play()
{
    if (disabled)
        return;
    if (held())
        return;
    if (!playing) {
        playing = true;
        if (audioPaused && (engine->voiceWaitsInOutput(stream.get()) || nextBarMs() < 0)) {
            // Paused with the output (the transport, or alone), or with nothing to join: it goes
            // on from where it was heard.
            engine->playVoice(stream.get());
            audioPaused = false;
        } else {
            // A row that joins others starts its sample on their next bar line.
            const qint64 offset = std::exchange(startOffset, 0);
            restartAudio(offset);
        }
        if (failedWhileIdle)
            QMetaObject::invokeMethod(this, [this] { sampleFailed(currentFailure); }, Qt::QueuedConnection);
    }
    playing = true;
    syncTimer();
    emit Playing(id);
}

void Player::pause()
{
    if (playing) {
        pausedPosition = heardPosition();
        engine->pauseVoice(stream.get());
        audioPaused = true;
    }
    playing = false;
    syncTimer();
    emit Stopped(id);
}

void Player::stop()
{
    engine->stopVoice(stream.get());
    dropEvents();
    audioPaused = false;
    startOffset = 0;
    playing = false;
    // Nothing placed ahead before the stop may be heard after it: the stream starts again at
    // the current sample (or in silence while it decodes), and what follows it is queued anew.
    planned = Planned::None;
    plannedToken = 0;
    plannedSample.reset();
    placed = {};
    expected = {};
    keep(currentSample, currentToken);
    stream->jump(currentSample, currentToken, 0);
    drawnAhead.clear();
    queueUpcoming();
    passFrame = 0;
    passOffset = 0;
    syncTimer();
    emit Stopped(id);
    const QSignalBlocker blocker(positionSlider);
    positionSlider->setValue(0);
}

void Player::playPauseToggle()
{
    qCDebug(lcPlayer) << "Player Pause button clicked";
    if (disabled)
        return;
    if (playPauseBox->isChecked())
        pause();
    else
        play();
}

void Player::toggleRepeat()
{
    repeat = !repeat;
    stream->setRepeat(repeat);
    // A repeating row plays what the stream has now over and over: a sample drawn after it waits.
    if (repeat)
        withdrawDrawnAhead();
}

void Player::setSampleType(int t)
{
    sampleType = t;
    libraryChanged();
}

void Player::libraryChanged()
{
    if (!forwardHistory.isEmpty())
        return;
    // Samples the stream has gone on to are heard, each as the row's own; those after them are
    // drawn anew.
    if (!withdrawDrawnAhead())
        return;
    // A sample the stream has gone on to already is heard next, and then the row's own (with its
    // Playing, NewBPM and history entry); the change takes effect with the draw after it.
    if (upcoming.sample && !disabled && currentSample && !stream->unqueue(upcoming.token))
        return;
    prepareUpcoming();
}

void Player::changeVolume(int newVolume)
{
    // The deck's level, on the one output: libvlc takes it once its audio output exists, and
    // leaves it alone afterwards (the desktop's own mixer may change it).
    engine->setVolume(newVolume);
}

void Player::next()
{
    qCDebug(lcPlayer) << "next:" << id;
    planned = Planned::None;
    nextOnceDecoded = false;
    if (!repeat && upcoming.sample && placeOnBar(upcoming.sample, upcoming.token, Planned::Next))
        return;
    if (!repeat && upcoming.pending() && !upcoming.sample && playing && nextBarMs() >= 0) {
        // Still decoding: it goes on the grid once it can, not at once.
        nextOnceDecoded = true;
        return;
    }
    if (repeat && currentSample && placeOnBar(currentSample, newToken(), Planned::Next))
        return;
    doNext();
}

void Player::doNext()
{
    if (repeat) {
        // The sample starts over from its own tempo; the matched tempo is worked out anew.
        currentBpm = track.baseBpm;
        playFile(track.file);
        return;
    }
    appendCapped(backHistory, track);
    advance();
}

void Player::advance(bool toUpcoming)
{
    if (!forwardHistory.isEmpty()) {
        const TrackInfo entry = forwardHistory.takeLast();
        currentBpm = entry.baseBpm;
        playFile(entry.file);
        return;
    }
    // The sample drawn ahead is the one a pass that ran out goes on to; a press of next draws
    // anew, since the genre or the row's type may have changed since.
    if (toUpcoming && upcoming.pending() && !upcoming.fromForward) {
        currentBpm = upcoming.bpm;
        playFile(upcoming.file);
        return;
    }
    playFile(library ? library->randomSample(sampleType, currentBpm) : QString());
}

void Player::previous()
{
    if (backHistory.isEmpty())
        return;
    planned = Planned::None;
    const Sample ready = keptSample(backHistory.last().file);
    if (ready && placeOnBar(ready, newToken(), Planned::Previous))
        return;
    doPrevious(false);
}

void Player::doPrevious(bool audioPlaced)
{
    if (audioPlaced) {
        // The earlier sample is heard already: the row only reports the change.
        playing = false;
        emit Stopped(id);
    } else {
        pause();
    }
    appendCapped(forwardHistory, track);
    const TrackInfo entry = backHistory.last();
    currentBpm = entry.baseBpm;
    track.file = entry.file;
    qCDebug(lcPlayer) << "current:" << id << track.file;
    qCDebug(lcPlayer) << "Previous:" << id << entry.file;
    playFile(entry.file);
    backHistory.removeLast();
}

TrackInfo Player::trackInfo() const
{
    if (disabled)
        throw 0;
    // A saved mix records the rate the sample really plays at: the tempo slider's share
    // is kept out of track.rate, so it is put back here.
    TrackInfo info = track;
    info.rate = targetRate();
    return info;
}

void Player::sampleFailed(const QString &reason)
{
    failedWhileIdle = false;
    currentFailure = reason;
    qCDebug(lcPlayer) << "cannot play" << track.file << reason;
    if (++failures >= kMaxFailures) {
        failures = 0;
        stop();
        positionSlider->setToolTip(tr("Stopped: %1 could not be played (%2); %3 tries in a row failed")
                                       .arg(track.file, reason)
                                       .arg(kMaxFailures));
        return;
    }
    // Moving on means what next() means: with repeat on, the same file once more (a file the
    // user chose to loop is not swapped for a random one); otherwise the next sample. The
    // broken sample is not filed in the history: previous() would only lead back into it.
    if (repeat) {
        currentBpm = track.baseBpm;
        playFile(track.file);
    } else {
        advance();
    }
}

// ---- the audio side: decoding, the stream and what is heard ----

void Player::keep(const Sample &sample, quint64 token)
{
    if (!sample)
        return;
    keptAlive.append({ token, sample });
    if (keptAlive.size() > kKeptSamples)
        keptAlive.removeFirst();
}

Player::Sample Player::keptSample(quint64 token) const
{
    for (auto it = keptAlive.crbegin(); it != keptAlive.crend(); ++it)
        if (it->first == token)
            return it->second;
    return nullptr;
}

Player::Sample Player::keptSample(const DecodedSample *sample) const
{
    for (auto it = keptAlive.crbegin(); it != keptAlive.crend(); ++it)
        if (it->second.get() == sample)
            return it->second;
    // Many short samples drawn ahead may be in the stream at once.
    for (const Upcoming &item : drawnAhead)
        if (item.sample.get() == sample)
            return item.sample;
    return nullptr;
}

Player::Sample Player::keptSample(const QString &file) const
{
    const QString wanted = QDir::toNativeSeparators(file);
    for (auto it = keptAlive.crbegin(); it != keptAlive.crend(); ++it)
        if (QDir::toNativeSeparators(it->second->file) == wanted)
            return it->second;
    return nullptr;
}

void Player::decode(const QString &file, std::function<void(Sample, QString)> done)
{
    decoder.start([this, file, done = std::move(done)] {
        QString reason;
        std::shared_ptr<DecodedSample> decoded = SampleDecoder::load(file, &reason);
        // Looked for here, off the GUI thread, so that a sample is matched from its first beat.
        if (decoded && tempoFinder)
            decoded->tempo = tempoFinder(file);
        if (decoded)
            decoded->loudness = engine->loudness().loudnessOf(*decoded);
        Sample sample = std::move(decoded);
        // The destructor waits for this task, so the player is still there to take the result.
        QMetaObject::invokeMethod(
            this, [done, sample, reason] { done(sample, reason); }, Qt::QueuedConnection);
    });
}

SampleTempo Player::decodedTempo(const QString &file) const
{
    Sample known;
    if (placed.token != 0 && placed.file == file)
        known = placed.sample;
    if (!known && upcoming.file == file)
        known = upcoming.sample;
    if (!known)
        known = keptSample(file);
    return known ? known->tempo : SampleTempo {};
}

SampleTempo Player::tempo() const
{
    if (!hasBpm())
        return {};
    const bool named = Sampora::bpmFromFileName(QFileInfo(track.file).fileName()) > kMinUsableBpm;
    return { track.baseBpm, named ? BpmOrigin::FileName : BpmOrigin::Audio };
}

void Player::takeFoundTempo(const SampleTempo &found)
{
    tempoPending = false;
    if (found.bpm > kMinUsableBpm && !hasBpm()) {
        // The sample was started before its tempo was known; it is taken as playFile() takes a
        // name's BPM, while the sample is not heard yet.
        currentBpm = found.bpm;
        track.baseBpm = found.bpm;
        track.bpm = found.bpm * (100 + tempoSlider->value()) / 100;
        track.rate = 1.0f;
        if (playing) {
            // Reported playing again, the row joins the tempo controller's matched rows.
            if (!held() && !disabled)
                emit Playing(id);
            emit NewBPM();
        }
        setRate(targetRate());
    }
    showPlayingTip();
}

void Player::showPlayingTip()
{
    QString tip = tr("Playing: ") + track.file;
    // A row that looks for tempos in the sound says where its BPM came from.
    if (tempoFinder && !tempoPending)
        tip += QLatin1Char('\n') + tempo().describe();
    if (currentSample)
        tip += QLatin1Char('\n') + currentSample->original().loudness.describe(engine->mixer().evenLoudness());
    positionSlider->setToolTip(tip);
}

void Player::showWaveform()
{
    auto *slider = qobject_cast<WaveformSlider *>(positionSlider);
    if (!slider)
        return;
    const Sample shown = passSample ? passSample : currentSample;
    if (!shown || shown->frames() == 0) {
        slider->setWaveform(nullptr, 0.0);
        return;
    }
    // Bar lines every 4 beats of the sample's own BPM, from its first frame.
    const double bar = hasBpm() ? 4 * 60.0 * PcmFormat::kRate / track.baseBpm / double(shown->original().frames()) : 0.0;
    slider->setWaveform(shown->peaks, bar);
}

void Player::showFile(const QString &file, quint64 token, Sample sample)
{
    currentToken = token;
    currentFailure.clear();
    failedWhileIdle = false;
    const quint64 generation = ++decodeGeneration; // a decode still running is for an earlier file
    if (sample) {
        currentSample = std::move(sample);
        failures = 0;
        restartAudio(0);
        return;
    }
    currentSample.reset();
    pendingPosition = -1;
    decode(file, [this, generation, token](Sample decoded, QString reason) {
        if (generation != decodeGeneration)
            return; // the row has moved on meanwhile
        if (!decoded) {
            tempoPending = false;
            if (playing)
                sampleFailed(reason);
            else {
                currentFailure = reason;
                failedWhileIdle = true;
            }
            return;
        }
        currentSample = std::move(decoded);
        currentToken = token;
        failures = 0;
        showPlayingTip(); // with the sample's loudness
        if (tempoPending)
            takeFoundTempo(currentSample->tempo);
        const qint64 offset = pendingPosition > 0 ? currentSample->frames() * pendingPosition / 100 : 0;
        pendingPosition = -1;
        restartAudio(offset);
    });
}

void Player::restartAudio(qint64 offset)
{
    // What the output has read ahead but not played belongs to the old order; the new one is
    // placed at the read head (or at the grid's bar line) and heard once the output gets there.
    // The grid's bar line as it stands: this row's own pass counts only while it is heard (a row
    // that starts does not wait for a bar line of the sample it is about to start).
    const double bar = playing ? nextBarMs() : -1.0;
    keep(currentSample, currentToken);
    passSample = currentSample;
    passOffset = offset;
    passFrame = stream->servedFrames();
    expected = {}; // frames counted for a change of rate mean nothing for a new start
    dropEvents();
    prepareFrom(offset);
    if (!playing) {
        // Silent until play(), which starts the sample from here.
        if (audioPaused || !stream->isHeld())
            engine->stopVoice(stream.get());
        audioPaused = false;
        startOffset = offset;
        stream->jump(currentSample, currentToken, offset);
        queueUpcoming();
        showWaveform();
        return;
    }
    startOffset = 0;
    audioPaused = false;
    const auto placeMoves = [this, offset, bar] {
        if (bar >= 0 && currentSample) {
            // Silence until the bar line, then the sample, at the deck frame of that moment.
            planned = Planned::None;
            const qint64 at = msToFrames(clock().streamMsAt(bar));
            passFrame = at;
            stream->startAt(currentSample, currentToken, offset, at);
        } else {
            stream->jump(currentSample, currentToken, offset);
        }
        queueUpcoming();
    };
    if (!engine->anyOtherVoicePlaying(stream.get()) && bar < 0) {
        // Alone on the deck: the output starts afresh, and the press is heard at once.
        engine->restartOutputWith(stream.get(), placeMoves);
        passFrame = stream->servedFrames();
    } else {
        placeMoves();
        engine->playVoice(stream.get());
    }
    showWaveform();
}

void Player::prepareFrom(qint64 offset)
{
    // A song streamed from disk gets the frames at a seek decoded before the stream reads them.
    if (currentSample)
        currentSample->prepare(offset);
}

void Player::dropEvents()
{
    PcmStream::Event stale;
    while (stream->peekEvent(&stale))
        stream->popEvent();
}

void Player::prepareUpcoming()
{
    dropDrawnAhead();
    if (!library && forwardHistory.isEmpty())
        return;
    Upcoming next;
    if (!forwardHistory.isEmpty()) {
        next.file = forwardHistory.last().file;
        next.bpm = forwardHistory.last().baseBpm;
        next.fromForward = true;
    } else {
        int bpm = -1;
        next.file = library->randomSample(sampleType, bpm);
        next.bpm = bpm;
    }
    if (next.file.isEmpty()) {
        upcoming = {};
        stream->queue(nullptr, 0);
        return;
    }
    next.file = QDir::toNativeSeparators(next.file);
    next.token = newToken();
    next.sample = keptSample(next.file);
    upcoming = next;
    if (upcoming.sample) {
        queueUpcoming();
        return;
    }
    stream->queue(nullptr, 0);
    const quint64 token = upcoming.token;
    decode(upcoming.file, [this, token](Sample decoded, QString reason) {
        if (upcoming.token != token)
            return;
        if (!decoded) {
            // Known before it is queued: a broken file never reaches the stream.
            currentFailure = reason;
            failedFile = upcoming.file;
            qCDebug(lcPlayer) << "cannot play" << upcoming.file << reason;
            if (++failures >= kMaxFailures || upcoming.fromForward) {
                upcoming = {};
                return;
            }
            prepareUpcoming();
            return;
        }
        upcoming.sample = std::move(decoded);
        queueUpcoming();
    });
}

void Player::queueUpcoming()
{
    // A hidden row plays its sample once and does not move on by itself. While the current
    // sample decodes the stream is silent, and must not take the next one for want of it.
    upcoming.servedAt = -1;
    drawnAhead.clear(); // queue() below takes them out of the stream
    upcoming.inStream = upcoming.sample && currentSample && !disabled;
    if (upcoming.inStream) {
        keep(upcoming.sample, upcoming.token);
        stream->queue(upcoming.sample, upcoming.token);
        placePressedNext();
        drawAhead();
    } else {
        stream->queue(nullptr, 0);
    }
}

Player::Upcoming *Player::drawnItem(quint64 token)
{
    if (token != 0 && upcoming.token == token)
        return &upcoming;
    for (Upcoming &item : drawnAhead)
        if (item.token == token)
            return &item;
    return nullptr;
}

void Player::drawAhead()
{
    if (disabled || repeat || planned != Planned::None || !library || !forwardHistory.isEmpty()
        || failures >= kMaxFailures || drawnAhead.size() >= kMostDrawnAhead)
        return;
    PcmStream::Event served;
    const bool switched = stream->lastSwitch(&served) && served.kind == PcmStream::Event::Started;
    if (Upcoming *item = switched ? drawnItem(served.token) : nullptr; item && item->servedAt < 0)
        item->servedAt = served.streamFrame;
    // One more once the stream has gone on to the last one drawn, or while those drawn are too
    // short to cover the output's read-ahead.
    const Upcoming &last = drawnAhead.empty() ? upcoming : drawnAhead.back();
    if (!last.inStream || last.fromForward || (last.servedAt < 0 && framesDrawnAhead() >= kDrawAheadFrames))
        return;
    Upcoming next;
    int bpm = -1;
    next.file = library->randomSample(sampleType, bpm);
    if (next.file.isEmpty())
        return;
    next.file = QDir::toNativeSeparators(next.file);
    next.bpm = bpm;
    next.token = newToken();
    const Sample kept = keptSample(next.file);
    drawnAhead.push_back(next);
    const quint64 token = next.token;
    if (kept) {
        takeDrawnAhead(token, kept);
        return;
    }
    decode(next.file, [this, token](Sample decoded, QString reason) {
        Upcoming *item = drawnItem(token);
        if (!item)
            return;
        if (!decoded) {
            currentFailure = reason;
            failedFile = item->file;
            qCDebug(lcPlayer) << "cannot play" << item->file << reason;
            ++failures;
            if (item == &upcoming)
                prepareUpcoming();
            else
                drawnAhead.pop_back(); // the next poll draws another one
            return;
        }
        takeDrawnAhead(token, std::move(decoded));
    });
}

qint64 Player::framesDrawnAhead() const
{
    qint64 frames = upcoming.sample ? upcoming.sample->frames() : 0;
    for (const Upcoming &item : drawnAhead)
        frames += item.sample ? item.sample->frames() : 0;
    return frames;
}

void Player::takeDrawnAhead(quint64 token, Sample ready)
{
    // At the rate the row plays at now: a sample of another tempo changes rate once it is heard
    // and matched, as any sample does.
    const double rate = rateWantedAt(wallClockMs());
    if (!ready->streamed() && !sameRate(ready->rate, rate)) {
        stretch(std::move(ready), rate, [this, token](Sample stretched) {
            if (Upcoming *item = drawnItem(token); item && stretched) {
                item->sample = std::move(stretched);
                appendDrawnAhead();
            }
        });
        return;
    }
    if (Upcoming *item = drawnItem(token)) {
        item->sample = std::move(ready);
        appendDrawnAhead();
    }
}

void Player::appendDrawnAhead()
{
    // In the order drawn: one still decoding or stretching holds back those after it.
    if (disabled || !currentSample || !upcoming.sample)
        return;
    if (!upcoming.inStream) {
        // Drawn after the sample heard last, and ready only now: the stream waits for it.
        keep(upcoming.sample, upcoming.token);
        stream->queue(upcoming.sample, upcoming.token);
        upcoming.inStream = true;
        placePressedNext();
    }
    for (Upcoming &item : drawnAhead) {
        if (item.inStream)
            continue;
        if (!item.sample)
            return;
        keep(item.sample, item.token);
        item.inStream = stream->append(item.sample, item.token);
        if (!item.inStream)
            return;
    }
    drawAhead();
}

bool Player::withdrawDrawnAhead()
{
    // From the last one back, as long as the stream has not gone on to it.
    while (!drawnAhead.empty()) {
        const Upcoming &last = drawnAhead.back();
        if (last.inStream && !stream->unqueue(last.token))
            return false;
        drawnAhead.pop_back();
    }
    return true;
}

void Player::dropDrawnAhead()
{
    withdrawDrawnAhead();
    drawnAhead.clear();
}

void Player::placePressedNext()
{
    if (!std::exchange(nextOnceDecoded, false) || !playing)
        return;
    if (!placeOnBar(upcoming.sample, upcoming.token, Planned::Next))
        doNext();
}

double Player::earliestSwitchMs() const
{
    if (!clock().running())
        return wallClockMs();
    return clock().wallMsFor(framesToMs(stream->servedFrames()) + kSwitchMarginMs);
}

double Player::nextBarLineMs(double earliestMs) const
{
    if (!playing || disabled || !hasBpm() || !passSample || passSample->frames() == 0 || !clock().running())
        return -1.0;
    // libvlc plays the stream at 1: a bar of the sample lasts a bar at the rate of the copy heard.
    const double barMs = 4 * 60000.0 / track.baseBpm / passSample->rate;
    const double firstFrameMs = framesToMs(passFrame - passOffset);
    const double lengthMs = framesToMs(passSample->frames());
    const double sinceStart = clock().streamMsAt(earliestMs) - firstFrameMs;
    double target = std::ceil(std::max(0.0, sinceStart) / barMs) * barMs;
    if (target > lengthMs) // the next pass starts where this one ends, on a bar line of its own
        target = lengthMs + std::ceil(std::max(0.0, sinceStart - lengthMs) / barMs) * barMs;
    return clock().wallMsFor(firstFrameMs + target);
}

double Player::nextBarMs() const
{
    if (!barLineFinder)
        return -1.0;
    return barLineFinder(earliestSwitchMs());
}

bool Player::placeOnBar(Sample sample, quint64 token, Planned kind)
{
    // A copy at another rate on its way in gives way to the switch; another switch does not.
    if (!sample || !playing || !clock().running() || (stream->jumpPending() && !stream->continuationPending()))
        return false;
    const double bar = nextBarMs();
    if (bar < 0)
        return false;
    keep(sample, token);
    stream->queue(nullptr, 0);
    plannedFrame = msToFrames(clock().streamMsAt(bar));
    stream->jump(sample, token, 0, plannedFrame);
    expected = {}; // the jump takes the place of a copy made ready for it; the controller tells anew
    planned = kind;
    plannedToken = token;
    plannedSample = sample;
    if (kind == Planned::Previous)
        plannedBpm = backHistory.isEmpty() ? -1 : backHistory.last().baseBpm;
    else if (repeat)
        plannedBpm = track.baseBpm;
    else
        plannedBpm = upcoming.bpm > kMinUsableBpm ? upcoming.bpm : sample->tempo.bpm;
    // The other rows hear of it now, so that their rates change on the same bar line.
    reportSeam();
    return true;
}

void Player::updateInterface()
{
    if (!playing || disabled)
        return;
    // The stream goes on before anything is heard: the first samples too.
    drawAhead();
    if (!clock().running())
        return;
    const qint64 now = nowMs();
    const qint64 heard = clock().heardFrame(now);
    processHeardEvents(heard);
    drawAhead();
    updatePosition(heard);
    showWaveform();
    syncRate();
    reportSeam();
}

Player::Seam Player::nextSeam() const
{
    if (playing && !disabled && planned != Planned::None && clock().running())
        return { clock().wallMsFor(framesToMs(plannedFrame)), plannedBpm, true, planned == Planned::Previous };
    if (!playing || disabled || repeat || !upcoming.sample || !currentSample || !clock().running()
        || planned != Planned::None)
        return {};
    // A copy at another rate on its way into the stream moves the seam only if it is heard before
    // it; until it is served, the seam last worked out stands.
    if (stream->jumpPending())
        return knownSeam.token == upcoming.token ? knownSeam.seam : Seam {};
    PcmStream::Event served;
    if (!stream->lastSwitch(&served))
        return {};
    qint64 seamFrame = 0;
    if (served.token == upcoming.token && served.kind == PcmStream::Event::Started) {
        seamFrame = served.streamFrame; // served already, not heard yet
    } else if (upcoming.servedAt >= 0) {
        seamFrame = upcoming.servedAt; // served, and the stream has gone on past it
    } else if (served.token == currentToken) {
        const Sample heard = keptSample(served.sample);
        if (!heard)
            return {};
        seamFrame = served.streamFrame + heard->frames() - served.offset;
    } else {
        return {};
    }
    const int bpm = upcoming.bpm > kMinUsableBpm ? upcoming.bpm : upcoming.sample->tempo.bpm;
    knownSeam = { { clock().wallMsFor(framesToMs(seamFrame)), bpm }, upcoming.token };
    return knownSeam.seam;
}

void Player::reportSeam()
{
    const Seam seam = nextSeam();
    // The clock's estimate of a frame's wall time moves by fractions of a ms from poll to poll.
    if (std::abs(seam.heardMs - reportedSeam.heardMs) < 1.0 && seam.bpm == reportedSeam.bpm && seam.pressed == reportedSeam.pressed)
        return;
    reportedSeam = seam;
    emit SeamKnown();
}

void Player::expectRate(float trackRate, double atMs)
{
    const double rate = double(trackRate) + double(sliderOffset());
    // The seam's moment is known to a ms or so and moves a little as the clock learns.
    if (std::abs(expected.atMs - atMs) < kSameSeamMs && sameRate(expected.rate, rate))
        return;
    qCDebug(lcPlayer) << "row" << id << "expects rate" << rate << "in" << atMs - wallClockMs() << "ms";
    expected = { rate, atMs };
    syncRate();
}

void Player::processHeardEvents(qint64 heardFrame)
{
    PcmStream::Event event;
    while (stream->peekEvent(&event) && event.streamFrame <= heardFrame) {
        stream->popEvent();
        switch (event.kind) {
        case PcmStream::Event::Opened:
            break;
        case PcmStream::Event::Started:
        case PcmStream::Event::Looped:
        case PcmStream::Event::Continued:
        case PcmStream::Event::Resumed:
            passSample = keptSample(event.sample);
            passFrame = event.streamFrame;
            passOffset = event.offset;
            // A sample heard ends a run of broken ones, however the row came to it.
            if (event.kind == PcmStream::Event::Started && passSample)
                failures = 0;
            if (event.kind == PcmStream::Event::Started)
                heardSwitch(event.token);
            // A copy at another rate takes the place of the one it continues once heard; a
            // sample drawn again (the same file, another token) is an entry of its own.
            if (event.kind == PcmStream::Event::Continued && passSample) {
                if (event.token == currentToken)
                    currentSample = passSample;
                if (Upcoming *item = drawnItem(event.token))
                    item->sample = passSample;
            }
            break;
        case PcmStream::Event::Released:
            // The row goes on where it was held (its own pause while others played).
            passFrame = event.streamFrame;
            passOffset = event.offset;
            break;
        case PcmStream::Event::Held:
            break;
        case PcmStream::Event::RanDry:
            passSample.reset();
            ranDry();
            break;
        case PcmStream::Event::Starved:
            // The row waits in silence for the disk; it should never have to.
            ++starvedCount;
            qCWarning(lcPlayer) << "stream ran dry in" << track.file << "at frame" << event.offset;
            break;
        }
        if (!playing)
            return; // the switch stopped the row; what is left belongs to no run
    }
}

void Player::heardSwitch(quint64 token)
{
    if (token == upcoming.token && upcoming.sample) {
        // The stream moved on at the sample's end (or at a bar line, pressed): now it is heard,
        // the row does what next() does, with the audio already in place. Only a row that went on
        // by itself keeps its place among the matched rows; a press is a start.
        const bool pressed = planned == Planned::Next && token == plannedToken;
        placed = { upcoming.file, upcoming.sample, token };
        planned = Planned::None;
        appendCapped(backHistory, track);
        movingOnByItself = !pressed;
        advance(true);
        movingOnByItself = false;
        return;
    }
    if (planned != Planned::None && token == plannedToken) {
        const Planned kind = planned;
        planned = Planned::None;
        placed = { kind == Planned::Previous ? backHistory.last().file : track.file, keptSample(token), token };
        if (kind == Planned::Previous)
            doPrevious(true);
        else
            doNext();
    }
}

void Player::ranDry()
{
    if (upcoming.pending())
        return; // still decoding: the stream takes it the moment it is queued
    if (!currentFailure.isEmpty() && failures >= kMaxFailures) {
        failures = 0;
        const QString reason = currentFailure;
        stop();
        // Named is the sample that failed last, not the good one heard before it.
        positionSlider->setToolTip(tr("Stopped: %1 could not be played (%2); %3 tries in a row failed")
                                       .arg(failedFile.isEmpty() ? track.file : failedFile, reason)
                                       .arg(kMaxFailures));
        return;
    }
    doNext();
}

void Player::stretch(Sample sample, double rate, std::function<void(Sample)> done)
{
    stretching = true;
    decoder.start([this, sample = std::move(sample), rate, done = std::move(done)] {
        Sample stretched = TimeStretch::stretch(sample, rate);
        QMetaObject::invokeMethod(
            this,
            [this, done, stretched] {
                stretching = false;
                done(stretched);
            },
            Qt::QueuedConnection);
    });
}

void Player::syncRate()
{
    if (stretching || !playing || disabled || !clock().running())
        return;
    dropPassedExpectation();
    if (stream->jumpPending()) {
        // One change at a time: a switch or a copy is on its way into the stream. The sample
        // queued after the current one is not part of it.
        if (planned != Planned::None)
            syncPlacedRate();
        else
            syncUpcomingRate();
        return;
    }
    PcmStream::Event served;
    const Sample heard = stream->lastSwitch(&served) ? keptSample(served.sample) : nullptr;
    const qint64 servedFrame = stream->servedFrames();
    const bool stretchable = heard != nullptr;
    // What the stream serves now is heard a moment from now, at the rate wanted then.
    const double servedWanted = rateWantedAt(clock().wallMsFor(framesToMs(servedFrame)));
    if (stretchable && !sameRate(heard->rate, servedWanted)) {
        qCDebug(lcPlayer) << "row" << id << "stretches" << heard->file << "to" << servedWanted;
        stretch(heard, servedWanted, [this](Sample stretched) { continueAtRate(stretched); });
        return;
    }
    // A change the tempo controller is about to make: its copy goes in at the frame heard then.
    // (At the row's own seam the sample drawn ahead starts at that rate instead.)
    const Seam seam = nextSeam();
    const bool ownSeam = seam.heardMs >= 0 && std::abs(seam.heardMs - expected.atMs) < kSameSeamMs;
    // A change far ahead is made ready once it comes near: a copy waiting in the stream would
    // hold back any change that comes before it.
    const bool near = expected.atMs - wallClockMs() < kMakeReadyAheadMs;
    if (stretchable && expected.atMs >= 0 && near && !ownSeam && !sameRate(heard->rate, expected.rate)) {
        const qint64 at = msToFrames(clock().streamMsAt(expected.atMs));
        const bool sameSampleThen = repeat || served.offset + (at - served.streamFrame) < heard->frames();
        if (sameSampleThen && at >= servedFrame + msToFrames(kSwitchMarginMs)) {
            qCDebug(lcPlayer) << "row" << id << "makes ready" << heard->file << "at" << expected.rate << "for"
                              << expected.atMs - wallClockMs() << "ms from now";
            const ExpectedRate planned = expected;
            stretch(heard, expected.rate, [this, planned, at](Sample stretched) {
                if (std::abs(expected.atMs - planned.atMs) >= kSameSeamMs || !stretched || !sameRate(stretched->rate, expected.rate)
                    || at < stream->servedFrames() + msToFrames(kSwitchMarginMs))
                    return; // changed or too late meanwhile: the poll goes on from what is wanted now
                continueInCopy(stretched, at);
            });
            return;
        }
    }
    syncUpcomingRate();
}

void Player::syncUpcomingRate()
{
    // The sample drawn ahead is made ready at the rate it will most likely start at. A row that
    // repeats does not go on to it: it is made ready once repeat is turned off.
    // A sample placed on a bar line is a switch of its own, not the queued one.
    if (stretching || repeat || planned != Planned::None || !upcoming.sample || upcoming.token == unqueuedToken)
        return;
    PcmStream::Event served;
    if (upcoming.servedAt >= 0 || (stream->lastSwitch(&served) && served.token == upcoming.token))
        return; // served already: it changes as the current sample does
    const Seam seam = nextSeam();
    const double startRate = rateWantedAt(seam.heardMs >= 0 ? seam.heardMs : wallClockMs());
    if (sameRate(upcoming.sample->rate, startRate))
        return;
    const quint64 token = upcoming.token;
    qCDebug(lcPlayer) << "row" << id << "stretches the next sample" << upcoming.file << "to" << startRate;
    stretch(upcoming.sample, startRate, [this, token](Sample stretched) {
        if (upcoming.token != token || !stretched)
            return;
        keep(stretched, token);
        const bool requeued = stream->requeue(stretched, token);
        qCDebug(lcPlayer) << "row" << id << "next sample at rate" << stretched->rate << (requeued ? "queued" : "too late");
        if (requeued)
            upcoming.sample = stretched;
        else
            unqueuedToken = token; // not in the queue (any more): no use making it again
    });
}

void Player::syncPlacedRate()
{
    if (!plannedSample || plannedSample->streamed())
        return; // a song is bent as it streams, from where it is heard: its copy follows once it plays
    const double wanted = rateWantedAt(clock().wallMsFor(framesToMs(plannedFrame)));
    if (sameRate(plannedSample->rate, wanted))
        return;
    const quint64 token = plannedToken;
    const auto place = [this, token](const Sample &copy) {
        if (planned == Planned::None || plannedToken != token || !copy
            || plannedFrame < stream->servedFrames() + msToFrames(kSwitchMarginMs))
            return;
        keep(copy, token);
        const bool replaced = stream->rejump(copy, token);
        qCDebug(lcPlayer) << "row" << id << "pressed sample at rate" << copy->rate << (replaced ? "placed" : "too late");
        // Too late, the switch has happened: the copy heard then catches up like any other.
        plannedSample = copy;
    };
    // A copy made for the sample while it was still queued may be at that rate already.
    if (const Sample made = keptSample(token); made && sameRate(made->rate, wanted)) {
        place(made);
        return;
    }
    qCDebug(lcPlayer) << "row" << id << "stretches the sample pressed on to" << wanted;
    stretch(plannedSample, wanted, place);
}

double Player::rateWantedAt(double wallMs) const
{
    if (expected.atMs >= 0 && wallMs >= expected.atMs - kSameSeamMs)
        return expected.rate;
    return double(targetRate());
}

void Player::dropPassedExpectation()
{
    // Done once the controller has set what was expected, or given up when it never does: the
    // row then changes as it would have without the warning.
    const double now = wallClockMs();
    if (expected.atMs >= 0 && now > expected.atMs
        && (sameRate(double(targetRate()), expected.rate) || now > expected.atMs + kExpectedGraceMs))
        expected = {};
}

void Player::continueAtRate(const Sample &stretched)
{
    if (!stretched || !playing || !clock().running() || stream->jumpPending())
        return;
    const qint64 at = stream->servedFrames() + msToFrames(kSwitchMarginMs);
    if (!sameRate(stretched->rate, rateWantedAt(clock().wallMsFor(framesToMs(at)))))
        return; // the poll tries again with what is wanted now
    continueInCopy(stretched, at);
}

bool Player::continueInCopy(const Sample &copy, qint64 at)
{
    if (!copy || !playing || !clock().running() || stream->jumpPending() || at < stream->servedFrames())
        return false;
    PcmStream::Event served;
    const Sample heard = stream->lastSwitch(&served) ? keptSample(served.sample) : nullptr;
    if (!heard || &heard->original() != &copy->original() || heard->frames() == 0)
        return false; // the stream has moved on to another sample meanwhile
    qint64 position = served.offset + (at - served.streamFrame);
    if (position >= heard->frames()) {
        if (!repeat)
            return false; // the next sample starts first; its own copy follows
        position %= heard->frames();
    }
    // Where the old copy will be at that frame, in the sample's own frames, moved on by what
    // the rates asked for would have gained on it since it has been heard.
    const double heardAt = clock().wallMsFor(framesToMs(at));
    const double since = std::max(heardAt - kMaxCatchUpMs, clock().wallMsFor(framesToMs(served.copySince)));
    const double owed = owedFrames(since, heardAt, heard->rate);
    const double sourceFrame = double(position) * heard->rate + owed;
    const qint64 length = copy->frames();
    qint64 offset = qint64(std::llround(sourceFrame / copy->rate)) % length;
    if (offset < 0)
        offset += length;
    qCDebug(lcPlayer) << "row" << id << "goes on at rate" << copy->rate << "from" << heard->rate << "at frame" << at
                      << "sample frame" << offset << "owed" << owed;
    keep(copy, served.token);
    stream->continueIn(copy, served.token, offset, at, kRateCrossfadeFrames);
    return true;
}

double Player::owedFrames(double fromMs, double toMs, double heardRate) const
{
    // The sample's frames the wanted rates would have played between the two times, less
    // those the copy heard then plays. Before the first change known, the copy was right; a
    // change the controller is about to make counts from its moment.
    QList<QPair<double, double>> changes = rateChanges;
    if (expected.atMs >= 0 && (changes.isEmpty() || expected.atMs > changes.last().first))
        changes.append({ expected.atMs, expected.rate });
    double owed = 0;
    for (qsizetype i = 0; i < changes.size(); ++i) {
        const double start = std::max(fromMs, changes[i].first);
        const double end = std::min(toMs, i + 1 < changes.size() ? changes[i + 1].first : toMs);
        if (end > start)
            owed += (end - start) / 1000.0 * PcmFormat::kRate * (changes[i].second - heardRate);
    }
    return owed;
}

void Player::updatePosition(qint64 heardFrame)
{
    if (mouseOnSlider || positionSlider->isSliderDown() || !passSample || passSample->frames() == 0)
        return;
    const qint64 frame = std::clamp<qint64>(heardFrame - passFrame + passOffset, 0, passSample->frames());
    const QSignalBlocker blocker(positionSlider);
    positionSlider->setValue(int(frame * 100 / passSample->frames()));
}

void Player::syncTimer()
{
    if (playing && !timer->isActive())
        timer->start();
    else if (!playing && timer->isActive())
        timer->stop();
}

void Player::changePosition(int newPosition)
{
    qCDebug(lcPlayer) << "changePosition" << newPosition;
    // While the user drags, the handle is theirs; the seek follows the release.
    if (mouseOnSlider)
        return;
    if (!currentSample) {
        // Still decoding: the sample starts from there once it is ready.
        if (!track.file.isEmpty())
            pendingPosition = newPosition;
        return;
    }
    restartAudio(currentSample->frames() * qBound(0, newPosition, 100) / 100);
}

bool Player::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != positionSlider)
        return false;
    // Only the left button owns the slider: a right press opens the context menu, which takes the
    // release, and the handle would stay the user's for good.
    const bool press = event->type() == QEvent::MouseButtonPress;
    if ((!press && event->type() != QEvent::MouseButtonRelease)
        || static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
        return false;
    if (press) {
        mouseOnSlider = true;
    } else {
        qCDebug(lcPlayer) << "event Filter";
        mouseOnSlider = false;
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const int value = QStyle::sliderValueFromPosition(positionSlider->minimum(),
            positionSlider->maximum(), int(mouse->position().x()), positionSlider->width(), false);
        if (value == positionSlider->value())
            changePosition(value);
        else
            positionSlider->setValue(value);
    }
    return false;
}
