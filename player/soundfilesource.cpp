#include "player/soundfilesource.h"

#include <algorithm>

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

// How many frames the file really holds. The header's count is a claim: an MP3 cut short keeps
// the whole song's length in its Info/Xing tag, and a row would play silence for the rest.
// The claim holds when its last frame can be read (a seek and one frame); otherwise the file is
// counted by decoding it, which only a damaged file costs. Leaves the file at its start.
qint64 framesPresent(SNDFILE *file, qint64 announced, int channels)
{
    std::vector<float> frames(size_t(1024) * channels);
    qint64 present = announced;
    if (sf_seek(file, announced - 1, SEEK_SET) != announced - 1 || sf_readf_float(file, frames.data(), 1) != 1) {
        present = 0;
        if (sf_seek(file, 0, SEEK_SET) != 0)
            return 0;
        for (sf_count_t got; (got = sf_readf_float(file, frames.data(), 1024)) > 0;)
            present += got;
        qCDebug(lcPlayer) << "announces" << announced << "frames, holds" << present;
    }
    return sf_seek(file, 0, SEEK_SET) == 0 ? std::min(present, announced) : 0;
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
    if (info.channels >= 1 && info.samplerate >= 1 && info.frames >= 1)
        info.frames = framesPresent(file, info.frames, info.channels);
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
