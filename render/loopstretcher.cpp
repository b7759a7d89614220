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
// Passes up to this long are stretched twice and then repeated; longer samples (whole songs)
// are stretched as they play, which costs more time but no memory.
constexpr double kRepeatedPassSeconds = 60.0;
} // namespace

LoopStretcher::LoopStretcher(std::shared_ptr<const DecodedSample> sample, double playRate)
    : rate(playRate)
    , passFrames(double(sample->frames()) / playRate)
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

    // One stretcher for all passes rather than one per pass: it keeps the ratio over all it
    // was given, so each pass carries its fraction of a frame on and stays on the grid. The
    // percussive settings (short window, channels' phases apart) keep a beat's attack within
    // a millisecond of its place; the standard ones smear a click up to 5 ms ahead of it.
    stretcher = std::make_unique<RubberBandStretcher>(
        PcmFormat::kRate, PcmFormat::kChannels,
        RubberBandStretcher::OptionProcessRealTime | RubberBandStretcher::OptionWindowShort
            | RubberBandStretcher::OptionPhaseIndependent,
        1.0 / rate);
    stretcher->setMaxProcessSize(kBlock);
    inLeft.assign(kBlock, 0.0f);
    inRight.assign(kBlock, 0.0f);
    // Silence before the first frame lets the stretcher start at full quality; what it
    // makes of that silence is its start delay, dropped so that frame 0 lies on the grid.
    const size_t pad = stretcher->getPreferredStartPad();
    for (size_t done = 0; done < pad;) {
        const size_t n = std::min(kBlock, pad - done);
        const float *channels[] = {inLeft.data(), inRight.data()};
        stretcher->process(channels, n, false);
        done += n;
    }
    delayLeft = qint64(stretcher->getStartDelay());

    if (passFrames / PcmFormat::kRate <= kRepeatedPassSeconds) {
        const qint64 headFrames = passStart(1) + qint64(std::ceil(passFrames));
        headLeft.resize(size_t(headFrames));
        headRight.resize(size_t(headFrames));
        retrieve(headLeft.data(), headRight.data(), headFrames);
        stretcher.reset();
    }
}

LoopStretcher::~LoopStretcher() = default;

qint64 LoopStretcher::passStart(qint64 index) const { return std::llround(double(index) * passFrames); }

void LoopStretcher::addTo(float *mix, qint64 frames, float gain)
{
    if (!headLeft.empty())
        addRepeated(mix, frames, gain);
    else if (stretcher)
        addStreamed(mix, frames, gain);
    else
        addUnstretched(mix, frames, gain);
    made += frames;
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

void LoopStretcher::addRepeated(float *mix, qint64 frames, float gain)
{
    const qint64 repeatFrom = passStart(2);
    const qint64 secondPass = passStart(1);
    for (qint64 i = 0; i < frames; ++i) {
        const qint64 at = made + i;
        qint64 from = at;
        if (at >= repeatFrom) {
            while (at >= passStart(pass + 1))
                ++pass;
            from = secondPass + (at - passStart(pass));
        }
        mix[2 * i] += gain * headLeft[size_t(from)];
        mix[2 * i + 1] += gain * headRight[size_t(from)];
    }
}

void LoopStretcher::addStreamed(float *mix, qint64 frames, float gain)
{
    outLeft.resize(size_t(frames));
    outRight.resize(size_t(frames));
    retrieve(outLeft.data(), outRight.data(), frames);
    for (qint64 i = 0; i < frames; ++i) {
        mix[2 * i] += gain * outLeft[size_t(i)];
        mix[2 * i + 1] += gain * outRight[size_t(i)];
    }
}

void LoopStretcher::retrieve(float *toLeft, float *toRight, qint64 frames)
{
    std::vector<float> dropped(kBlock * 2);
    qint64 got = 0;
    while (got < frames) {
        const int available = stretcher->available();
        if (available <= 0) {
            feedStretcher();
            continue;
        }
        if (delayLeft > 0) {
            float *channels[] = {dropped.data(), dropped.data() + kBlock};
            const size_t n = size_t(std::min<qint64>({delayLeft, available, qint64(kBlock)}));
            delayLeft -= qint64(stretcher->retrieve(channels, n));
            continue;
        }
        float *channels[] = {toLeft + got, toRight + got};
        got += qint64(stretcher->retrieve(channels, size_t(std::min<qint64>(frames - got, available))));
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
