#include "engine/deckengine.h"

#include <utility>

#include <QDir>
#include <QElapsedTimer>
#include <QTimer>

#include "engine/vlcoutput.h"
#include "engine/vlcplayback.h"
#include "library/logcategories.h"
#include "library/paths.h"
#include "player/pcmformat.h"
#include "player/pcmstream.h"

namespace {

// How often the clock looks at libvlc's play time while the output runs.
constexpr int kPollMs = 5;

qint64 wallMs()
{
    return qint64(DeckEngine::wallClockMs());
}

double framesToMs(qint64 frames)
{
    return double(frames) * 1000.0 / PcmFormat::kRate;
}

} // namespace

double DeckEngine::wallClockMs()
{
    static const QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return double(clock.nsecsElapsed()) / 1e6;
}

QStringList DeckEngine::standardArguments()
{
    const QString includePath = QDir::toNativeSeparators(Paths::programDir() + QStringLiteral("/include"));
    return QStringList { QStringLiteral("-I"), includePath } + vlcVerbosityArguments();
}

DeckEngine::DeckEngine(const QStringList &vlcArguments, QObject *parent)
    : QObject(parent)
    , m_output(std::make_unique<VlcOutput>(m_mixer, vlcArguments))
    , m_poll(new QTimer(this))
{
    m_poll->setTimerType(Qt::PreciseTimer);
    m_poll->setInterval(kPollMs);
    connect(m_poll, &QTimer::timeout, this, &DeckEngine::poll);
}

DeckEngine::~DeckEngine()
{
    // The writer thread pulls the voices: it stops before any of them may go.
    m_output.reset();
}

void DeckEngine::addVoice(PcmStream *voice)
{
    m_mixer.addVoice(voice);
}

void DeckEngine::removeVoice(PcmStream *voice)
{
    m_playing.remove(voice);
    m_waiting.remove(voice);
    m_mixer.removeVoice(voice);
    applyOutputState();
}

void DeckEngine::playVoice(PcmStream *voice)
{
    voice->release();
    m_waiting.remove(voice);
    m_playing.insert(voice);
    applyOutputState();
}

void DeckEngine::pauseVoice(PcmStream *voice)
{
    if (!m_playing.remove(voice))
        return;
    if (m_output->isPaused() || (m_playing.isEmpty() && m_output->isRunning())) {
        m_waiting.insert(voice);
        pauseOutputAndClock();
    } else {
        voice->hold();
    }
    applyOutputState();
}

void DeckEngine::stopVoice(PcmStream *voice)
{
    voice->hold();
    m_waiting.remove(voice);
    m_playing.remove(voice);
    applyOutputState();
}

void DeckEngine::pauseOutput()
{
    if (!m_output->isRunning() || m_output->isPaused())
        return;
    pauseOutputAndClock();
    m_waiting.unite(m_playing);
    m_playing.clear();
    m_poll->stop();
}

void DeckEngine::pauseOutputAndClock()
{
    if (m_output->isPaused())
        return;
    m_output->pause();
    m_clock.pause(wallMs());
}

void DeckEngine::endBatch()
{
    if (m_batch > 0 && --m_batch == 0)
        applyOutputState();
}

void DeckEngine::applyOutputState()
{
    if (m_batch > 0)
        return;
    if (m_playing.isEmpty()) {
        m_poll->stop();
        // Rows that wait in the output keep it paused; otherwise what it read ahead is dropped.
        if (m_waiting.isEmpty() && m_output->isRunning()) {
            m_output->stop();
            m_clock.stop();
        }
        return;
    }
    if (!m_output->isRunning()) {
        startOutput();
    } else if (m_output->isPaused()) {
        // Rows still paused must not be heard once the output goes on: they are held where the
        // output stopped.
        for (PcmStream *voice : std::as_const(m_waiting))
            voice->hold();
        m_waiting.clear();
        m_output->resume();
        m_clock.resume(wallMs());
    }
    m_poll->start();
}

void DeckEngine::restartOutputWith(PcmStream *voice, const std::function<void()> &placeMoves)
{
    m_output->stop();
    for (PcmStream *waiting : std::as_const(m_waiting))
        waiting->hold();
    m_waiting.clear();
    placeMoves();
    voice->release();
    m_playing.insert(voice);
    startOutput();
    m_poll->start();
}

bool DeckEngine::anyOtherVoicePlaying(PcmStream *voice) const
{
    return m_playing.size() > (m_playing.contains(voice) ? 1 : 0);
}

void DeckEngine::startOutput()
{
    m_output->stop();
    m_clock.start(wallMs(), framesToMs(m_mixer.mixedFrames()));
    m_output->start();
    // Each start makes a new audio output, which comes up at libvlc's own volume.
    m_volumePending = true;
}

bool DeckEngine::outputRunning() const
{
    return m_output->isRunning();
}

bool DeckEngine::outputPaused() const
{
    return m_output->isPaused();
}

void DeckEngine::poll()
{
    if (!m_output->isRunning() || m_output->isPaused())
        return;
    const qint64 now = wallMs();
    m_clock.observe(now, m_output->playedMs());
    // Once the stream is heard its audio output exists: it takes the wanted volume once and is
    // then left alone, so that the desktop's own mixer can change it.
    if (m_volumePending && m_clock.anchored()) {
        m_output->playback().applyVolume();
        m_volumePending = !m_output->playback().volumeApplied();
    }
}

void DeckEngine::setVolume(int volume)
{
    m_output->playback().setVolume(volume);
    m_volumePending = !m_output->playback().volumeApplied();
}

int DeckEngine::volume() const
{
    return m_output->playback().volume();
}

void DeckEngine::setMixTap(std::function<void(qint64, const float *, qint64)> tap)
{
    m_output->setTap(std::move(tap));
}

const VlcPlayback &DeckEngine::playback() const
{
    return m_output->playback();
}
