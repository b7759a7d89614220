#include "player/soundfilesource.h"

#include <QFile>

#include <sndfile.h>

#include "library/logcategories.h"

namespace {

StereoDownmix::Side sideOf(int position)
{
    switch (position) {
    case SF_CHANNEL_MAP_LEFT:
    case SF_CHANNEL_MAP_FRONT_LEFT:
    case SF_CHANNEL_MAP_REAR_LEFT:
    case SF_CHANNEL_MAP_FRONT_LEFT_OF_CENTER:
    case SF_CHANNEL_MAP_SIDE_LEFT:
    case SF_CHANNEL_MAP_TOP_FRONT_LEFT:
    case SF_CHANNEL_MAP_TOP_REAR_LEFT:
        return StereoDownmix::Side::Left;
    case SF_CHANNEL_MAP_RIGHT:
    case SF_CHANNEL_MAP_FRONT_RIGHT:
    case SF_CHANNEL_MAP_REAR_RIGHT:
    case SF_CHANNEL_MAP_FRONT_RIGHT_OF_CENTER:
    case SF_CHANNEL_MAP_SIDE_RIGHT:
    case SF_CHANNEL_MAP_TOP_FRONT_RIGHT:
    case SF_CHANNEL_MAP_TOP_REAR_RIGHT:
        return StereoDownmix::Side::Right;
    default:
        return StereoDownmix::Side::Both;
    }
}

// The positions the file names for its channels, or the usual order when it names none.
std::vector<StereoDownmix::Side> sidesOf(SNDFILE *file, int channels)
{
    std::vector<int> positions(channels, SF_CHANNEL_MAP_INVALID);
    if (channels > 1
        && sf_command(file, SFC_GET_CHANNEL_MAP_INFO, positions.data(), int(positions.size() * sizeof(int)))
            == SF_TRUE) {
        std::vector<StereoDownmix::Side> sides;
        for (int position : positions)
            sides.push_back(sideOf(position));
        return sides;
    }
    return StereoDownmix::defaultSides(channels);
}

} // namespace

std::unique_ptr<SoundFileSource> SoundFileSource::open(const QString &path)
{
    SF_INFO info {};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file) {
        qCDebug(lcPlayer) << "libsndfile cannot open" << path << sf_strerror(nullptr);
        return nullptr;
    }
    if (info.channels < 1 || info.samplerate < 1 || info.frames < 1) {
        qCDebug(lcPlayer) << "no audio in" << path << info.channels << info.samplerate << info.frames;
        sf_close(file);
        return nullptr;
    }
    return std::unique_ptr<SoundFileSource>(
        new SoundFileSource(file, info.samplerate, info.frames, StereoDownmix(sidesOf(file, info.channels))));
}

SoundFileSource::SoundFileSource(SNDFILE *file, int rate, qint64 frames, StereoDownmix downmix)
    : file(file)
    , rate(rate)
    , frames(frames)
    , downmix(std::move(downmix))
{
}

SoundFileSource::~SoundFileSource() { sf_close(file); }

qint64 SoundFileSource::read(float *stereo, qint64 count)
{
    fileFrames.resize(size_t(count) * downmix.channels());
    const sf_count_t got = sf_readf_float(file, fileFrames.data(), count);
    if (got <= 0)
        return 0;
    downmix.apply(fileFrames.data(), stereo, got);
    return got;
}

bool SoundFileSource::seek(qint64 frame) { return sf_seek(file, frame, SEEK_SET) == frame; }
