#include "render/renderedfile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <QDir>
#include <QFileInfo>

#include <sndfile.h>

namespace {
int soundFormat(RenderFormat format)
{
    switch (format) {
    case RenderFormat::Wav24:
        return SF_FORMAT_WAV | SF_FORMAT_PCM_24;
    case RenderFormat::Flac:
        return SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    case RenderFormat::Wav16:
        break;
    }
    return SF_FORMAT_WAV | SF_FORMAT_PCM_16;
}
} // namespace

RenderedFile::~RenderedFile() { closeSound(); }

bool RenderedFile::open(const QString &targetPath, RenderFormat format, int sampleRate, QString *error)
{
    target = targetPath;
    const QFileInfo info(target);
    const QString folder = info.absolutePath();
    if (!QFileInfo(folder).isDir()) {
        *error = tr("The folder %1 does not exist.").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    // Hidden, beside the target, so that the final rename never crosses file systems.
    temporary = std::make_unique<QTemporaryFile>(folder + QLatin1String("/.") + info.fileName()
                                                 + QLatin1String(".XXXXXX.part"));
    if (!temporary->open()) {
        *error = tr("Cannot write to the folder %1: %2")
                     .arg(QDir::toNativeSeparators(folder), temporary->errorString());
        return false;
    }
    SF_INFO sfinfo {};
    sfinfo.samplerate = sampleRate;
    sfinfo.channels = 2;
    sfinfo.format = soundFormat(format);
    sound = sf_open_fd(temporary->handle(), SFM_WRITE, &sfinfo, SF_FALSE);
    if (!sound) {
        *error = tr("Cannot write %1: %2").arg(QDir::toNativeSeparators(target),
                                                          QString::fromUtf8(sf_strerror(nullptr)));
        return false;
    }
    sf_command(sound, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    return true;
}

bool RenderedFile::write(const float *frames, qint64 count, QString *error)
{
    if (sf_writef_float(sound, frames, count) == count)
        return true;
    *error = tr("Cannot write %1: %2").arg(QDir::toNativeSeparators(target),
                                                      QString::fromUtf8(sf_strerror(sound)));
    return false;
}

bool RenderedFile::commit(QString *error)
{
    // Closing writes the header and the encoder's last frames: only then is the file whole.
    const int closed = sf_close(sound);
    sound = nullptr;
    if (closed != 0 || !temporary->flush()) {
        *error = tr("Cannot write %1: %2").arg(QDir::toNativeSeparators(target),
                                                          QString::fromUtf8(sf_error_number(closed)));
        return false;
    }
    temporary->setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
    // rename() replaces a file the user chose to overwrite in one step, unlike QFile::rename.
    if (std::rename(QFile::encodeName(temporary->fileName()).constData(), QFile::encodeName(target).constData()) != 0) {
        *error = tr("Cannot write %1: %2").arg(QDir::toNativeSeparators(target),
                                                          QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    temporary->setAutoRemove(false);
    return true;
}

void RenderedFile::closeSound()
{
    if (sound)
        sf_close(sound);
    sound = nullptr;
}
