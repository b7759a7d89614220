#include "player/sampleloudness.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <optional>
#include <vector>

#include <ebur128.h>

#include "player/pcmformat.h"

namespace {

// The gating blocks are 400 ms long and start every 100 ms: a block is four whole steps.
constexpr qint64 kStepFrames = PcmFormat::kRate / 10;
constexpr int kStepsPerBlock = 4;
// The stretches whose own peak decides whether the true peak is looked for in them.
constexpr qint64 kPeakFrames = PcmFormat::kRate / 100;
static_assert(kStepFrames % kPeakFrames == 0);
// Frames of the signal fed around a stretch so that the oversampling filter sees it as it is
// (its taps span a dozen frames), not as a jump from silence.
constexpr qint64 kContextFrames = 64;

constexpr double kAbsoluteGateLufs = -70.0;
constexpr double kRelativeGateLu = -10.0;

struct Biquad {
    double b0, b1, b2, a1, a2;
};

// The K-weighting of ITU-R BS.1770: a high shelf for the head, then a high pass, each designed
// for the rate from its analog prototype by the bilinear transform.
std::array<Biquad, 2> kWeighting(double rate)
{
    const double shelfK = std::tan(M_PI * 1681.974450955533 / rate);
    const double shelfQ = 0.7071752369554196;
    const double vh = std::pow(10.0, 3.999843853973347 / 20.0);
    const double vb = std::pow(vh, 0.4996667741545416);
    const double shelfA0 = 1.0 + shelfK / shelfQ + shelfK * shelfK;
    const Biquad shelf { (vh + vb * shelfK / shelfQ + shelfK * shelfK) / shelfA0, 2.0 * (shelfK * shelfK - vh) / shelfA0,
        (vh - vb * shelfK / shelfQ + shelfK * shelfK) / shelfA0, 2.0 * (shelfK * shelfK - 1.0) / shelfA0,
        (1.0 - shelfK / shelfQ + shelfK * shelfK) / shelfA0 };

    const double passK = std::tan(M_PI * 38.13547087602444 / rate);
    const double passQ = 0.5003270373238773;
    const double passA0 = 1.0 + passK / passQ + passK * passK;
    const Biquad highPass { 1.0, -2.0, 1.0, 2.0 * (passK * passK - 1.0) / passA0, (1.0 - passK / passQ + passK * passK) / passA0 };
    return { shelf, highPass };
}

double lufsOf(double meanSquare)
{
    return meanSquare > 0.0 ? -0.691 + 10.0 * std::log10(meanSquare) : -HUGE_VAL;
}

double meanSquareAt(double lufs)
{
    return std::pow(10.0, (lufs + 0.691) / 10.0);
}

// One channel through both stages, in direct form I: the only wait from one frame to the next
// is one product and one sum per stage.
struct KWeighted {
    double in1 = 0, in2 = 0, mid1 = 0, mid2 = 0, out1 = 0, out2 = 0;

    double next(const std::array<Biquad, 2> &f, double in)
    {
        const Biquad &a = f[0], &b = f[1];
        const double mid = (a.b0 * in + a.b1 * in1 + a.b2 * in2 - a.a2 * mid2) - a.a1 * mid1;
        const double out = (b.b0 * mid + b.b1 * mid1 + b.b2 * mid2 - b.a2 * out2) - b.a1 * out1;
        in2 = in1;
        in1 = in;
        mid2 = mid1;
        mid1 = mid;
        out2 = out1;
        out1 = out;
        return out;
    }

    // A filter ringing out in silence reaches denormal numbers, which cost a hundred times the
    // time of others: below anything 16 bits can say, it is silent.
    void flushDenormals()
    {
        for (double *v : { &in1, &in2, &mid1, &mid2, &out1, &out2 })
            if (std::abs(*v) < 1e-20)
                *v = 0.0;
    }
};

// One pass over the frames: the K-weighted energy of every 100 ms step (both channels summed,
// each weighs 1), and the sample peak of every short stretch.
struct Pass {
    std::vector<double> stepEnergy;
    double tailEnergy = 0.0; // after the last whole step
    std::vector<int> stretchPeak;

    Pass(const qint16 *frames, qint64 count)
    {
        const std::array<Biquad, 2> filter = kWeighting(PcmFormat::kRate);
        // Kept in locals, so that the filters' state stays in registers; the two channels run
        // side by side, each waiting on its own last output only.
        KWeighted left, right;
        stepEnergy.reserve(size_t(count / kStepFrames));
        stretchPeak.reserve(size_t(count / kPeakFrames + 1));
        double energy = 0.0;
        for (qint64 start = 0; start < count; start += kPeakFrames) {
            const qint16 *frame = frames + start * PcmFormat::kChannels;
            const qint16 *end = frames + std::min(count, start + kPeakFrames) * PcmFormat::kChannels;
            double leftEnergy = 0.0, rightEnergy = 0.0;
            int peak = 0;
            for (; frame != end; frame += PcmFormat::kChannels) {
                const double l = left.next(filter, frame[0] / 32768.0);
                const double r = right.next(filter, frame[1] / 32768.0);
                leftEnergy += l * l;
                rightEnergy += r * r;
                peak = std::max({ peak, std::abs(int(frame[0])), std::abs(int(frame[1])) });
            }
            stretchPeak.push_back(peak);
            energy += leftEnergy + rightEnergy;
            const qint64 next = start + kPeakFrames;
            if (next <= count && next % kStepFrames == 0) {
                stepEnergy.push_back(energy);
                energy = 0.0;
                left.flushDenormals();
                right.flushDenormals();
            }
        }
        tailEnergy = energy;
    }

    // Gated over the 400 ms blocks; a sample shorter than one block is measured over its length.
    double integratedLufs(qint64 count) const
    {
        const auto steps = qint64(stepEnergy.size());
        if (steps < kStepsPerBlock) {
            double total = tailEnergy;
            for (double e : stepEnergy)
                total += e;
            return lufsOf(total / double(count));
        }
        std::vector<double> blocks;
        const double absoluteGate = meanSquareAt(kAbsoluteGateLufs);
        for (qint64 b = 0; b + kStepsPerBlock <= steps; ++b) {
            double energy = 0.0;
            for (int s = 0; s < kStepsPerBlock; ++s)
                energy += stepEnergy[size_t(b + s)];
            const double meanSquare = energy / double(kStepFrames * kStepsPerBlock);
            if (meanSquare > absoluteGate)
                blocks.push_back(meanSquare);
        }
        const auto mean = [](const std::vector<double> &values, double above) {
            double sum = 0.0;
            qint64 n = 0;
            for (double v : values) {
                if (v >= above) {
                    sum += v;
                    ++n;
                }
            }
            return n > 0 ? sum / double(n) : 0.0;
        };
        const double relativeGate = mean(blocks, 0.0) * std::pow(10.0, kRelativeGateLu / 10.0);
        return lufsOf(mean(blocks, relativeGate));
    }
};

// The true peak of the frames in the stretches whose sample peak reaches `floor`: the only ones
// whose true peak can be the sample's highest, since none lies more than kMaxOvershootDb above
// its own sample peak.
std::optional<double> truePeakNear(const qint16 *frames, qint64 count, const std::vector<int> &stretchPeak, int floor)
{
    ebur128_state *meter = ebur128_init(PcmFormat::kChannels, PcmFormat::kRate, EBUR128_MODE_TRUE_PEAK);
    if (!meter)
        return std::nullopt;
    double highest = 0.0;
    const auto stretches = qint64(stretchPeak.size());
    for (qint64 s = 0; s < stretches;) {
        if (stretchPeak[size_t(s)] < floor) {
            ++s;
            continue;
        }
        qint64 last = s;
        while (last + 1 < stretches && stretchPeak[size_t(last + 1)] >= floor)
            ++last;
        const qint64 start = s * kPeakFrames;
        const qint64 lead = std::max<qint64>(0, start - kContextFrames);
        const qint64 end = std::min(count, (last + 1) * kPeakFrames + kContextFrames);
        if (lead < start)
            ebur128_add_frames_short(meter, frames + lead * PcmFormat::kChannels, size_t(start - lead));
        ebur128_add_frames_short(meter, frames + start * PcmFormat::kChannels, size_t(end - start));
        for (unsigned c = 0; c < PcmFormat::kChannels; ++c) {
            double peak = 0.0;
            if (ebur128_prev_true_peak(meter, c, &peak) == EBUR128_SUCCESS)
                highest = std::max(highest, peak);
        }
        s = last + 1;
    }
    ebur128_destroy(&meter);
    return highest;
}

double toDb(double linear)
{
    return linear > 0.0 ? 20.0 * std::log10(linear) : -HUGE_VAL;
}

} // namespace

Loudness SampleLoudness::measure(const qint16 *frames, qint64 count)
{
    if (count <= 0)
        return {};
    const Pass pass(frames, count);
    const int samplePeak = *std::max_element(pass.stretchPeak.begin(), pass.stretchPeak.end());
    const double samplePeakDb = toDb(samplePeak / 32768.0);
    Loudness loudness { pass.integratedLufs(count), samplePeakDb + kMaxOvershootDb };
    if (!loudness.known() || !loudness.limitedByPeak())
        return loudness;
    const auto floor = int(std::floor(samplePeak * std::pow(10.0, -kMaxOvershootDb / 20.0)));
    if (const auto truePeak = truePeakNear(frames, count, pass.stretchPeak, floor))
        loudness.truePeakDb = std::max(samplePeakDb, toDb(*truePeak));
    return loudness;
}
