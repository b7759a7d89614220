#include "player/timestretch.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include <rubberband/RubberBandStretcher.h>

#include "player/songstretch.h"

namespace {

// How much of the loop's other end is stretched along on each side: the stretcher then hears
// the loop as it will be played, around and around, and its start and end fit together.
constexpr qint64 kWrapFrames = PcmFormat::kRate / 4;
constexpr size_t kBlock = 4096;

bool isUnity(double rate)
{
    return std::abs(rate - 1.0) < 1e-6;
}

} // namespace

qint64 TimeStretch::stretchedFrames(qint64 sourceFrames, double rate)
{
    return qint64(std::llround(double(sourceFrames) / rate));
}

std::shared_ptr<const DecodedSample> TimeStretch::stretch(const std::shared_ptr<const DecodedSample> &from, double rate)
{
    const std::shared_ptr<const DecodedSample> source = from && from->source ? from->source : from;
    if (!source || rate <= 0 || source->frames() == 0)
        return source;
    if (source->streamed()) {
        // The new copy takes over where the one heard is read now, so it gets ready there.
        // (A song not read yet waits at its head's end.)
        const qint64 readAt = from->readingAt();
        const qint64 readFrom = readAt <= from->body->firstFrame() ? -1 : qint64(std::llround(double(readAt) * from->rate / rate));
        if (isUnity(rate)) {
            if (from != source && readFrom >= 0)
                source->prepare(readFrom);
            return source;
        }
        const std::shared_ptr<const DecodedSample> copy = SongStretch::copyOf(source, rate, readFrom);
        return copy ? copy : source;
    }
    if (isUnity(rate))
        return source;
    using RubberBand::RubberBandStretcher;
    const qint64 frames = source->frames();
    const qint64 wrap = std::min(kWrapFrames, frames);
    const qint64 inputFrames = frames + 2 * wrap;
    const double timeRatio = 1.0 / rate;

    // Planar float input: the loop's last `wrap` frames, the loop, its first `wrap` frames.
    std::vector<float> left(static_cast<size_t>(inputFrames));
    std::vector<float> right(static_cast<size_t>(inputFrames));
    for (qint64 i = 0; i < inputFrames; ++i) {
        const qint64 at = ((i - wrap) % frames + frames) % frames;
        left[size_t(i)] = float(source->samples[size_t(2 * at)]) / 32768.0f;
        right[size_t(i)] = float(source->samples[size_t(2 * at + 1)]) / 32768.0f;
    }

    RubberBandStretcher stretcher(size_t(PcmFormat::kRate), 2,
        RubberBandStretcher::OptionProcessOffline | RubberBandStretcher::OptionEngineFiner,
        timeRatio);
    stretcher.setExpectedInputDuration(size_t(inputFrames));
    stretcher.setMaxProcessSize(kBlock);
    for (qint64 at = 0; at < inputFrames; at += qint64(kBlock)) {
        const size_t n = size_t(std::min<qint64>(qint64(kBlock), inputFrames - at));
        const float *planes[2] = { left.data() + at, right.data() + at };
        stretcher.study(planes, n, at + qint64(n) >= inputFrames);
    }

    std::vector<float> outLeft, outRight;
    outLeft.reserve(size_t(double(inputFrames) * timeRatio) + kBlock);
    outRight.reserve(outLeft.capacity());
    std::vector<float> chunkLeft(kBlock), chunkRight(kBlock);
    const auto collect = [&] {
        for (int available = stretcher.available(); available > 0; available = stretcher.available()) {
            const size_t n = std::min(size_t(available), kBlock);
            float *planes[2] = { chunkLeft.data(), chunkRight.data() };
            const size_t got = stretcher.retrieve(planes, n);
            outLeft.insert(outLeft.end(), chunkLeft.begin(), chunkLeft.begin() + qint64(got));
            outRight.insert(outRight.end(), chunkRight.begin(), chunkRight.begin() + qint64(got));
        }
    };
    for (qint64 at = 0; at < inputFrames; at += qint64(kBlock)) {
        const size_t n = size_t(std::min<qint64>(qint64(kBlock), inputFrames - at));
        const float *planes[2] = { left.data() + at, right.data() + at };
        stretcher.process(planes, n, at + qint64(n) >= inputFrames);
        collect();
    }
    collect();

    // The stretched loop lies between the stretched wraps; frame k of it is the source's
    // frame k x rate.
    const std::shared_ptr<DecodedSample> result = DecodedSample::copyAt(source, rate);
    const qint64 length = stretchedFrames(frames, rate);
    const qint64 start = qint64(std::llround(double(wrap) * timeRatio));
    result->samples.resize(size_t(2 * length));
    const qint64 produced = qint64(outLeft.size());
    for (qint64 k = 0; k < length; ++k) {
        const qint64 at = std::min(start + k, produced - 1);
        const float l = at >= 0 ? outLeft[size_t(at)] : 0.0f;
        const float r = at >= 0 ? outRight[size_t(at)] : 0.0f;
        result->samples[size_t(2 * k)] = qint16(std::clamp(std::lround(l * 32767.0f), -32768L, 32767L));
        result->samples[size_t(2 * k + 1)] = qint16(std::clamp(std::lround(r * 32767.0f), -32768L, 32767L));
    }
    return result;
}
