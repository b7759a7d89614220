#include "player/heardclock.h"

#include <algorithm>
#include <cmath>

#include "player/pcmformat.h"

namespace {

// Measured on PulseAudio: libvlc's play time runs about this far ahead of what the sink renders,
// and the first frame of a freshly started stream is heard about this long after play().
constexpr double kOutputLatencyMs = 30.0;
constexpr double kStartupMs = 45.0;

} // namespace

void HeardClock::start(qint64 nowMs, double originMs)
{
    m_running = true;
    m_paused = false;
    m_anchored = false;
    m_lastVlcTime = -1;
    m_originMs = originMs;
    forgetOffsets();
    anchorAt(nowMs + kStartupMs, originMs);
}

void HeardClock::pause(qint64 nowMs)
{
    if (!running())
        return;
    m_pausedAt = heardMs(nowMs);
    m_paused = true;
}

void HeardClock::resume(qint64 nowMs)
{
    if (!m_running || !m_paused)
        return;
    m_paused = false;
    forgetOffsets();
    anchorAt(nowMs, m_pausedAt);
}

void HeardClock::stop()
{
    m_running = false;
    m_paused = false;
    m_anchored = false;
}

void HeardClock::anchorAt(qint64 wallMs, double streamMs)
{
    m_anchorWall = double(wallMs);
    m_anchorStream = streamMs;
}

void HeardClock::observe(qint64 nowMs, qint64 vlcTimeMs)
{
    if (!running() || vlcTimeMs <= 0 || vlcTimeMs == m_lastVlcTime)
        return;
    const bool first = m_lastVlcTime < 0;
    m_lastVlcTime = vlcTimeMs;
    // The first value libvlc reports after a start is often stale (the time of the last stop).
    if (first && m_originMs + double(vlcTimeMs) > heardMs(nowMs) + 1000)
        return;
    // A new play time is fresh at the moment it changes, which the poll notices up to a few ms
    // later: the play time seen soonest after its change tells best where the stream is.
    const double heard = m_originMs + std::max(double(vlcTimeMs) - kOutputLatencyMs, 0.0);
    m_offsets[m_offsetNext] = double(nowMs) - heard;
    m_offsetNext = (m_offsetNext + 1) % m_offsets.size();
    m_offsetCount = std::min(m_offsetCount + 1, m_offsets.size());
    const double offset = *std::min_element(m_offsets.begin(), m_offsets.begin() + qsizetype(m_offsetCount));
    const double best = double(nowMs) - offset;
    // Keep the clock monotonic.
    anchorAt(nowMs, m_anchored ? std::max(best, heardMs(nowMs) - 15.0) : best);
    m_anchored = true;
}

double HeardClock::heardMs(qint64 nowMs) const
{
    if (!m_running)
        return 0.0;
    if (m_paused)
        return m_pausedAt;
    return std::max(m_originMs, m_anchorStream + (double(nowMs) - m_anchorWall));
}

qint64 HeardClock::heardFrame(qint64 nowMs) const
{
    return qint64(std::floor(heardMs(nowMs) * PcmFormat::kRate / 1000.0));
}

double HeardClock::streamMsAt(double wallMs) const
{
    return m_anchorStream + (wallMs - m_anchorWall);
}

double HeardClock::wallMsFor(double streamMs) const
{
    return m_anchorWall + (streamMs - m_anchorStream);
}
