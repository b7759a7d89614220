#include "controls/heardcopy.h"

#include <cmath>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QCoreApplication>
#include <QStandardPaths>

#include <sndfile.h>

#include "player/pcmformat.h"
#include "player/sampledecoder.h"
#include "player/timestretch.h"

namespace {

// The rates a row plays at are whole percent steps of its tempo slider times the matched
// factor; closer to 1 than this they are 1.
constexpr double kUnityTolerance = 0.0005;

bool writeWav(const QString &path, const DecodedSample &sample, QString *error)
{
    SF_INFO info {};
    info.samplerate = PcmFormat::kRate;
    info.channels = PcmFormat::kChannels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    SNDFILE *sound = sf_open(QFile::encodeName(path).constData(), SFM_WRITE, &info);
    if (!sound) {
        *error = QString::fromUtf8(sf_strerror(nullptr));
        return false;
    }
    const sf_count_t frames = sample.heldFrames();
    const bool written = sf_writef_short(sound, sample.samples.data(), frames) == frames;
    if (!written)
        *error = QString::fromUtf8(sf_strerror(sound));
    return sf_close(sound) == 0 && written;
}

} // namespace

QString HeardCopy::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/heard");
}

QString HeardCopy::copyName(const QString &file, double rate, int bpm)
{
    const QString base = QFileInfo(file).completeBaseName();
    if (bpm > 0)
        return QStringLiteral("%1 %2.wav").arg(base).arg(std::lround(bpm * rate));
    return QStringLiteral("%1 at %2.wav").arg(base).arg(rate, 0, 'f', 3);
}

QString HeardCopy::make(const QString &file, double rate, int bpm, const QString &folder, QString *error)
{
    if (std::abs(rate - 1.0) < kUnityTolerance)
        return file;
    QString reason;
    const std::shared_ptr<DecodedSample> decoded = SampleDecoder::load(file, &reason);
    if (!decoded) {
        *error = QStringLiteral("%1: %2").arg(QFileInfo(file).fileName(), reason);
        return QString();
    }
    if (decoded->streamed())
        return file;
    const std::shared_ptr<const DecodedSample> stretched = TimeStretch::stretch(decoded, rate);

    if (!QDir().mkpath(folder)) {
        *error = QCoreApplication::translate("HeardCopy", "%1: cannot create the folder").arg(QDir::toNativeSeparators(folder));
        return QString();
    }
    const QString target = folder + QLatin1Char('/') + copyName(file, rate, bpm);
    // Written beside the target and renamed, so a file manager never copies half a file.
    const QString partial = target + QStringLiteral(".part");
    if (!writeWav(partial, *stretched, &reason)) {
        QFile::remove(partial);
        *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(target), reason);
        return QString();
    }
    QFile::remove(target);
    if (!QFile::rename(partial, target)) {
        QFile::remove(partial);
        *error = QCoreApplication::translate("HeardCopy", "%1: cannot be written").arg(QDir::toNativeSeparators(target));
        return QString();
    }
    return target;
}
