#include "engine/masterlimiter.h"

#include <algorithm>
#include <cmath>

#include "player/pcmformat.h"

namespace {
// Longer than half a period of the lowest bass note, so the gain does not follow the waveform.
constexpr qint64 kHoldFrames = PcmFormat::kRate / 40;
// The gain comes back with a time constant of 150 ms.
const float kRelease = 1.0f - std::exp(-1.0f / (0.150f * PcmFormat::kRate));
} // namespace

void MasterLimiter::process(float *frames, qint64 count)
{
    for (qint64 i = 0; i < count; ++i) {
        float *frame = frames + i * PcmFormat::kChannels;
        float peak = 0.0f;
        for (int c = 0; c < PcmFormat::kChannels; ++c)
            peak = std::max(peak, std::abs(frame[c]));
        const float allowed = peak > kCeiling ? kCeiling / peak : 1.0f;
        if (allowed <= m_gain) {
            m_gain = allowed;
            m_holdLeft = kHoldFrames;
        } else if (m_holdLeft > 0) {
            --m_holdLeft;
        } else {
            m_gain = std::min(allowed, m_gain + (1.0f - m_gain) * kRelease);
            // The last hundredth of a dB at once: a float would never quite get back to 1.
            if (m_gain > 0.9999f && allowed >= 1.0f)
                m_gain = 1.0f;
        }
        if (m_gain < 1.0f) {
            for (int c = 0; c < PcmFormat::kChannels; ++c)
                frame[c] = std::clamp(frame[c] * m_gain, -kCeiling, kCeiling);
        }
    }
}
