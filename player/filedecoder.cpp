#include "player/filedecoder.h"

#include <algorithm>
#include <cmath>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include "player/midisource.h"
#include "player/resampler.h"
#include "player/soundfilesource.h"

namespace {

constexpr qint64 kChunkFrames = 4096;
// A MIDI file larger than this is not one: the longest songs are a few hundred kilobytes.
constexpr qint64 kMaxMidiBytes = 16 * 1024 * 1024;

qint16 toPcm(float sample)
{
    // 16-bit input read as float comes back bit-exact through the same scale.
    return qint16(std::clamp(std::lrint(sample * 32768.0f), -32768L, 32767L));
}

std::unique_ptr<AudioSource> openSource(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    if (file.peek(4) == "MThd") {
        if (file.size() > kMaxMidiBytes)
            return nullptr;
        return MidiSource::open(file.readAll());
    }
    file.close();
    return SoundFileSource::open(path);
}

} // namespace

FileDecoder::FileDecoder() = default;
FileDecoder::~FileDecoder() = default;

QString FileDecoder::failureReason(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QCoreApplication::translate("Player", "file not found");
    if (info.isFile() && info.size() == 0)
        return QCoreApplication::translate("Player", "file is empty");
    QFile file(path);
    if (info.isFile() && !file.open(QIODevice::ReadOnly))
        return QCoreApplication::translate("Player", "file cannot be read");
    return QCoreApplication::translate("Player", "not a playable audio file");
}

bool FileDecoder::open(const QString &path, QString *reason)
{
    resampler.reset();
    source = QFileInfo(path).isFile() ? openSource(path) : nullptr;
    if (source && source->sampleRate() != PcmFormat::kRate) {
        resampler = std::make_unique<Resampler>(source->sampleRate(), PcmFormat::kRate);
        // A few frames at a very high rate come to less than one frame here.
        if (!resampler->isValid() || totalFrames() < 1)
            source.reset();
    }
    if (!source) {
        resampler.reset();
        if (reason)
            *reason = failureReason(path);
        return false;
    }
    sourceFrames.resize(kChunkFrames * PcmFormat::kChannels);
    converted.resize(kChunkFrames * PcmFormat::kChannels);
    sourcePos = sourceCount = 0;
    sourceEnded = false;
    sourceFramesRead = framesMade = 0;
    return true;
}

qint64 FileDecoder::totalFrames() const
{
    if (!source)
        return 0;
    if (!resampler)
        return source->totalFrames();
    return std::llround(source->totalFrames() * resampler->ratio());
}

bool FileDecoder::seek(qint64 frame)
{
    if (!source || frame < 0)
        return false;
    const qint64 sourceFrame = resampler ? std::llround(frame / resampler->ratio()) : frame;
    if (sourceFrame > source->totalFrames() || !source->seek(sourceFrame))
        return false;
    sourcePos = sourceCount = 0;
    sourceEnded = false;
    sourceFramesRead = sourceFrame;
    framesMade = resampler ? std::llround(sourceFrame * resampler->ratio()) : sourceFrame;
    if (resampler)
        resampler->clear();
    return true;
}

qint64 FileDecoder::fillFromSource()
{
    if (sourcePos < sourceCount || sourceEnded)
        return sourceCount - sourcePos;
    sourcePos = 0;
    sourceCount = source->read(sourceFrames.data(), kChunkFrames);
    sourceFramesRead += sourceCount;
    sourceEnded = sourceCount == 0;
    return sourceCount;
}

// Makes up to `frames` stereo float frames at PcmFormat::kRate; 0 at the end.
qint64 FileDecoder::produce(float *stereo, qint64 frames)
{
    const qint64 available = fillFromSource();
    if (!resampler) {
        const qint64 n = std::min(frames, available);
        std::copy_n(sourceFrames.data() + sourcePos * 2, n * 2, stereo);
        sourcePos += n;
        return n;
    }
    // Once the input has ended, the converter gives out what it holds back; the length is
    // then made exactly the input's length at the new rate, however it rounds.
    qint64 wanted = frames;
    if (sourceEnded)
        wanted = std::min(wanted, std::llround(sourceFramesRead * resampler->ratio()) - framesMade);
    if (wanted <= 0)
        return 0;
    qint64 used = 0;
    qint64 made = resampler->process(sourceEnded ? nullptr : sourceFrames.data() + sourcePos * 2, available,
                                     &used, stereo, wanted);
    sourcePos += used;
    if (made == 0 && used == 0 && !sourceEnded)
        sourceEnded = true; // the converter failed: end the file here rather than spin
    if (made == 0 && sourceEnded) { // drained but short: silence up to the length
        std::fill_n(stereo, wanted * 2, 0.0f);
        made = wanted;
    }
    return made;
}

qint64 FileDecoder::read(qint16 *out, qint64 frames)
{
    if (!source)
        return 0;
    qint64 done = 0;
    while (done < frames) {
        const qint64 made = produce(converted.data(), std::min(frames - done, kChunkFrames));
        if (made == 0 && (sourceEnded || !resampler))
            break;
        std::transform(converted.begin(), converted.begin() + made * 2, out + done * 2, toPcm);
        done += made;
        framesMade += made;
    }
    return done;
}
