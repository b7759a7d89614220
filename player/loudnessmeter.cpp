#include "player/loudnessmeter.h"

#include <algorithm>
#include <cmath>

#include <ebur128.h>

#include "player/pcmformat.h"

namespace {
// The integrated measure needs one whole gating block.
constexpr qint64 kBlockMs = 400;
} // namespace

struct LoudnessMeter::State {
    ebur128_state *meter = ebur128_init(PcmFormat::kChannels, PcmFormat::kRate, EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    ~State()
    {
        if (meter)
            ebur128_destroy(&meter);
    }
};

LoudnessMeter::LoudnessMeter()
    : m_state(std::make_unique<State>())
{
    // A short sample is measured over its own length: the window may be as long as a block.
    if (m_state->meter)
        ebur128_set_max_window(m_state->meter, kBlockMs);
}

LoudnessMeter::~LoudnessMeter() = default;

void LoudnessMeter::add(const qint16 *frames, qint64 count)
{
    if (m_state->meter && count > 0) {
        ebur128_add_frames_short(m_state->meter, frames, size_t(count));
        m_frames += count;
    }
}

void LoudnessMeter::add(const float *frames, qint64 count)
{
    if (m_state->meter && count > 0) {
        ebur128_add_frames_float(m_state->meter, frames, size_t(count));
        m_frames += count;
    }
}

Loudness LoudnessMeter::result() const
{
    Loudness loudness;
    if (!m_state->meter || m_frames == 0)
        return loudness;
    double lufs = -HUGE_VAL;
    const qint64 ms = m_frames * 1000 / PcmFormat::kRate;
    if (ms >= kBlockMs)
        ebur128_loudness_global(m_state->meter, &lufs);
    else if (ms > 0)
        ebur128_loudness_window(m_state->meter, (unsigned long)ms, &lufs);
    double peak = 0.0;
    for (unsigned channel = 0; channel < PcmFormat::kChannels; ++channel) {
        double channelPeak = 0.0;
        if (ebur128_true_peak(m_state->meter, channel, &channelPeak) == EBUR128_SUCCESS)
            peak = std::max(peak, channelPeak);
    }
    loudness.lufs = lufs;
    loudness.truePeakDb = peak > 0.0 ? 20.0 * std::log10(peak) : -HUGE_VAL;
    return loudness;
}

Loudness LoudnessMeter::measure(const qint16 *frames, qint64 count)
{
    LoudnessMeter meter;
    meter.add(frames, count);
    return meter.result();
}
