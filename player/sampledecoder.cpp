#include "player/sampledecoder.h"

#include <algorithm>

#include "player/filedecoder.h"

namespace {
// What a file's header claims is trusted for the first allocation only up to this (10 min).
constexpr qint64 kMaxReservedFrames = qint64(PcmFormat::kRate) * 600;
constexpr qint64 kChunkFrames = 16384;
} // namespace

std::shared_ptr<DecodedSample> SampleDecoder::decode(const QString &path, QString *reason)
{
    FileDecoder decoder;
    if (!decoder.open(path, reason))
        return nullptr;
    auto sample = std::make_shared<DecodedSample>();
    sample->file = path;
    std::vector<qint16> &pcm = sample->samples;
    pcm.reserve(size_t(std::min(decoder.totalFrames(), kMaxReservedFrames) + kChunkFrames) * PcmFormat::kChannels);
    qint64 frames = 0;
    for (;;) {
        if (pcm.size() < size_t((frames + kChunkFrames) * PcmFormat::kChannels))
            pcm.resize(size_t((frames + kChunkFrames) * PcmFormat::kChannels));
        const qint64 got = decoder.read(pcm.data() + frames * PcmFormat::kChannels, kChunkFrames);
        if (got == 0)
            break;
        frames += got;
    }
    pcm.resize(size_t(frames * PcmFormat::kChannels));
    pcm.shrink_to_fit();
    if (frames == 0) {
        if (reason)
            *reason = FileDecoder::failureReason(path);
        return nullptr;
    }
    sample->peaks = WavePeaks::of(pcm, PcmFormat::kChannels);
    return sample;
}
