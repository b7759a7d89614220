#include "player/sampledecoder.h"

#include <algorithm>

#include "player/filedecoder.h"

namespace {
// What a file's header claims is trusted for the first allocation only up to this (10 min).
constexpr qint64 kMaxReservedFrames = qint64(PcmFormat::kRate) * 600;
constexpr qint64 kChunkFrames = 16384;
constexpr qint64 kStreamAboveFrames = qint64(PcmFormat::kRate) * 30;
constexpr qint64 kHeadFrames = qint64(PcmFormat::kRate) * 8;

std::shared_ptr<DecodedSample> nothingRead(const QString &path, QString *reason)
{
    if (reason)
        *reason = FileDecoder::failureReason(path);
    return nullptr;
}

// All of the file in a new sample, with its outline; null when there is nothing to read.
std::shared_ptr<DecodedSample> readWhole(FileDecoder &decoder, const QString &path, QString *reason)
{
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
    if (frames == 0)
        return nothingRead(path, reason);
    sample->peaks = WavePeaks::of(pcm, PcmFormat::kChannels);
    return sample;
}

// Reads a long file once, piece by piece, up to the length it announces: keeps its first
// kHeadFrames and the outline of all of it. Null when there is nothing to read.
std::shared_ptr<DecodedSample> readHeadAndOutline(FileDecoder &decoder, const QString &path, qint64 total, QString *reason)
{
    auto sample = std::make_shared<DecodedSample>();
    sample->file = path;
    std::vector<qint16> &head = sample->samples;
    head.reserve(size_t(kHeadFrames) * PcmFormat::kChannels);
    WavePeaksBuilder outline(total, PcmFormat::kChannels);
    std::vector<qint16> piece(size_t(kChunkFrames) * PcmFormat::kChannels);
    for (qint64 frames = 0; frames < total;) {
        const qint64 got = decoder.read(piece.data(), std::min(kChunkFrames, total - frames));
        if (got == 0)
            break;
        outline.add(piece.data(), got);
        const qint64 toHead = std::clamp<qint64>(kHeadFrames - frames, 0, got);
        head.insert(head.end(), piece.begin(), piece.begin() + toHead * PcmFormat::kChannels);
        frames += got;
    }
    if (head.empty())
        return nothingRead(path, reason);
    sample->peaks = outline.take();
    return sample;
}

} // namespace

qint64 SampleDecoder::streamAboveFrames()
{
    return kStreamAboveFrames;
}

qint64 SampleDecoder::headFrames()
{
    return kHeadFrames;
}

std::shared_ptr<DecodedSample> SampleDecoder::decode(const QString &path, QString *reason)
{
    FileDecoder decoder;
    if (!decoder.open(path, reason))
        return nullptr;
    return readWhole(decoder, path, reason);
}

std::shared_ptr<DecodedSample> SampleDecoder::load(const QString &path, QString *reason)
{
    auto decoder = std::make_unique<FileDecoder>();
    if (!decoder->open(path, reason))
        return nullptr;
    const qint64 total = decoder->totalFrames();
    if (total <= kStreamAboveFrames)
        return readWhole(*decoder, path, reason);
    std::shared_ptr<DecodedSample> sample = readHeadAndOutline(*decoder, path, total, reason);
    if (!sample)
        return nullptr;
    if (sample->heldFrames() < kHeadFrames) {
        // A damaged file that ends well before the length it announces: that is all there is.
        sample->peaks = WavePeaks::of(sample->samples, PcmFormat::kChannels);
        return sample;
    }
    sample->body = std::make_unique<SampleBody>(std::move(decoder), kHeadFrames, total);
    return sample;
}
