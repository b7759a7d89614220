// A sample file as the player's decoder sees it (WAV, AIFF, MP3, MIDI and what else libsndfile
// reads): any bytes must open or be refused without a crash, and a file that opens must be as
// long as it decodes, seek within itself and refuse a seek past its end.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include "player/filedecoder.h"
#include "player/pcmformat.h"

namespace {

// Enough to reach the end of every seed; a longer file is checked over its first seconds.
constexpr qint64 kMaxFrames = qint64(PcmFormat::kRate) * 5;

QString samplePath;

qint64 readUpTo(FileDecoder &decoder, qint64 limit)
{
    std::vector<qint16> chunk(4096 * PcmFormat::kChannels);
    qint64 frames = 0;
    while (frames < limit) {
        const qint64 got = decoder.read(chunk.data(), std::min<qint64>(4096, limit - frames));
        if (got <= 0 || got > 4096)
            break;
        frames += got;
    }
    return frames;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    static QTemporaryDir dir;
    samplePath = dir.filePath(QStringLiteral("sample"));
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QFile file(samplePath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        abort();
    file.write(reinterpret_cast<const char *>(data), qint64(size));
    file.close();

    FileDecoder decoder;
    QString reason;
    if (!decoder.open(samplePath, &reason)) {
        if (reason.isEmpty())
            abort();
        return 0;
    }
    const qint64 total = decoder.totalFrames();
    if (total <= 0)
        abort();
    const qint64 read = readUpTo(decoder, std::min(total, kMaxFrames) + 1);
    // A resampled file may come out one frame off its announced length.
    if (read > total + 1 || (total <= kMaxFrames && read < total - 1))
        abort();
    if (decoder.position() != read)
        abort();
    const qint64 middle = std::min(total, kMaxFrames) / 2;
    if (decoder.seek(middle))
        readUpTo(decoder, 4096);
    if (decoder.seek(total * 2 + 100))
        abort();
    return 0;
}
