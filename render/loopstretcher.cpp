#include "render/loopstretcher.h"

#include <algorithm>
#include <cmath>

#include <rubberband/RubberBandStretcher.h>

#include "player/pcmformat.h"

using RubberBand::RubberBandStretcher;

namespace {
constexpr size_t kBlock = 1024;
// Rates this close to 1 play the sample as it is: a stretcher would only blur it.
constexpr double kUnityTolerance = 1e-6;
} // namespace

LoopStretcher::LoopStretcher(std::shared_ptr<const DecodedSample> decoded, double playRate)
    : sample(std::move(decoded))
    , rate(playRate)
{
    const qint64 frames = sample->frames();
    left.resize(size_t(frames));
    right.resize(size_t(frames));
    for (qint64 i = 0; i < frames; ++i) {
        left[size_t(i)] = sample->samples[size_t(2 * i)] / 32768.0f;
        right[size_t(i)] = sample->samples[size_t(2 * i + 1)] / 32768.0f;
    }
    if (std::abs(rate - 1.0) <= kUnityTolerance)
        return;

    // One stretcher for the whole render rather than one per pass: it keeps the ratio over
    // everything it was given, so the passes carry their fractions of a frame on and stay on
    // the grid. The percussive settings (short window, channels' phases apart) keep a beat's
    // attack where it was; the standard ones smear a click up to 5 ms ahead of its place.
    stretcher = std::make_unique<RubberBandStretcher>(
        PcmFormat::kRate, PcmFormat::kChannels,
        RubberBandStretcher::OptionProcessRealTime | RubberBandStretcher::OptionWindowShort
            | RubberBandStretcher::OptionPhaseIndependent,
        1.0 / rate);
    stretcher->setMaxProcessSize(kBlock);
    inLeft.resize(kBlock);
    inRight.resize(kBlock);
    // Silence before the first frame lets the stretcher start at full quality; what it
    // makes of that silence is its start delay, dropped so that frame 0 lies on the grid.
    const size_t pad = stretcher->getPreferredStartPad();
    std::fill(inLeft.begin(), inLeft.end(), 0.0f);
    std::fill(inRight.begin(), inRight.end(), 0.0f);
    for (size_t done = 0; done < pad;) {
        const size_t n = std::min(kBlock, pad - done);
        const float *channels[] = {inLeft.data(), inRight.data()};
        stretcher->process(channels, n, false);
        done += n;
    }
    delayLeft = qint64(stretcher->getStartDelay());
}

LoopStretcher::~LoopStretcher() = default;

void LoopStretcher::addTo(float *mix, qint64 frames, float gain)
{
    if (!stretcher) {
        addUnstretched(mix, frames, gain);
        return;
    }
    retrieve(frames);
    for (qint64 i = 0; i < frames; ++i) {
        mix[2 * i] += gain * outLeft[size_t(i)];
        mix[2 * i + 1] += gain * outRight[size_t(i)];
    }
}

void LoopStretcher::addUnstretched(float *mix, qint64 frames, float gain)
{
    const qint64 length = qint64(left.size());
    for (qint64 i = 0; i < frames; ++i) {
        mix[2 * i] += gain * left[size_t(readFrame)];
        mix[2 * i + 1] += gain * right[size_t(readFrame)];
        if (++readFrame == length)
            readFrame = 0;
    }
}

void LoopStretcher::retrieve(qint64 frames)
{
    outLeft.resize(size_t(std::max<qint64>(frames, qint64(kBlock))));
    outRight.resize(outLeft.size());
    qint64 got = 0;
    while (got < frames) {
        int available = stretcher->available();
        if (available <= 0) {
            feedStretcher();
            continue;
        }
        if (delayLeft > 0) {
            float *channels[] = {outLeft.data(), outRight.data()};
            const size_t n = size_t(std::min<qint64>({delayLeft, available, qint64(outLeft.size())}));
            delayLeft -= qint64(stretcher->retrieve(channels, n));
            continue;
        }
        float *channels[] = {outLeft.data() + got, outRight.data() + got};
        const size_t n = size_t(std::min<qint64>(frames - got, available));
        const qint64 taken = qint64(stretcher->retrieve(channels, n));
        got += taken;
    }
}

void LoopStretcher::feedStretcher()
{
    const size_t wanted = std::clamp<size_t>(stretcher->getSamplesRequired(), 1, kBlock);
    const qint64 length = qint64(left.size());
    for (size_t i = 0; i < wanted; ++i) {
        inLeft[i] = left[size_t(readFrame)];
        inRight[i] = right[size_t(readFrame)];
        if (++readFrame == length)
            readFrame = 0;
    }
    const float *channels[] = {inLeft.data(), inRight.data()};
    stretcher->process(channels, wanted, false);
}
