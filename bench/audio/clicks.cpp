#include "clicks.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace Clicks {

namespace {

// 147 frames at 44.1 kHz: 3.3 ms, so tones that are multiples of 300 Hz cancel in the window.
constexpr int kWindow = 147;
// A click counts from the frame where this share of the window holds it.
constexpr double kLoudShare = 0.4;

} // namespace

Pulses findPulses(const std::vector<float> &mono, double amplitude)
{
    const auto threshold = float(amplitude / 2);
    Pulses pulses;
    for (size_t i = 1; i < mono.size(); ++i) {
        if (mono[i] > threshold && mono[i - 1] <= threshold)
            pulses.starts.push_back(qint64(i));
        else if (mono[i] < -threshold && mono[i - 1] >= -threshold)
            pulses.ends.push_back(qint64(i));
    }
    return pulses;
}

std::vector<Seam> seams(const Pulses &pulses, int pulseFrames)
{
    std::vector<Seam> result;
    for (size_t i = 1; i < pulses.starts.size(); ++i) {
        const qint64 start = pulses.starts[i];
        const qint64 previous = pulses.starts[i - 1];
        // The last end pulse of the pass before this start.
        auto end = std::lower_bound(pulses.ends.begin(), pulses.ends.end(), start);
        Seam seam;
        seam.passFrames = start - previous;
        if (end != pulses.ends.begin() && *(end - 1) > previous)
            seam.gapFrames = start - *(end - 1) - pulseFrames;
        else
            seam.gapFrames = -pulseFrames; // the pass's end pulse was never heard
        result.push_back(seam);
    }
    return result;
}

std::vector<qint64> burstOnsets(const std::vector<float> &mono, double frequency, double level,
    qint64 minSpacingFrames)
{
    const double omega = 2 * std::numbers::pi * frequency / 44100.0;
    const double threshold = kLoudShare * level * kWindow / 2;
    std::vector<std::complex<double>> terms(kWindow);
    std::complex<double> sum;
    std::vector<qint64> onsets;
    bool above = false;
    for (size_t i = 0; i < mono.size(); ++i) {
        const std::complex<double> term = double(mono[i]) * std::polar(1.0, -omega * double(i));
        std::complex<double> &slot = terms[i % kWindow];
        sum += term - slot;
        slot = term;
        const bool loud = std::abs(sum) > threshold;
        if (loud && !above) {
            const qint64 onset = qint64(i) - qint64(kLoudShare * kWindow);
            if (onsets.empty() || onset - onsets.back() >= minSpacingFrames)
                onsets.push_back(onset);
        }
        above = loud;
    }
    return onsets;
}

qint64 distanceToNearest(const std::vector<qint64> &onsets, qint64 frame)
{
    if (onsets.empty())
        return -1;
    auto it = std::lower_bound(onsets.begin(), onsets.end(), frame);
    qint64 best = -1;
    if (it != onsets.end())
        best = *it - frame;
    if (it != onsets.begin() && (best < 0 || frame - *(it - 1) < best))
        best = frame - *(it - 1);
    return best;
}

} // namespace Clicks
