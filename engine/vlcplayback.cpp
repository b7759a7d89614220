#include "engine/vlcplayback.h"

#include <vector>

#include <QByteArray>

#include <vlc/vlc.h>

#include "player/pcmstream.h"

namespace {

// The stream is raw WAV that never ends. A small caching starts it at once; without a small
// prefetch buffer libvlc would read 16 MiB (minutes of audio) ahead, and the sample order that
// the stream decides at the frame would be heard minutes later.
constexpr const char *kMediaOptions[] = { ":demux=wav", ":file-caching=50" };
// A pipe needs no caching of libvlc's own: the pipe's few KiB are all the slack there is.
constexpr const char *kPipeOptions[] = { ":demux=wav", ":file-caching=0" };
constexpr const char *kInstanceArguments[] = { "--prefetch-buffer-size=4", "--prefetch-read-size=4096",
    "--no-video" };

} // namespace

VlcPlayback::VlcPlayback(const QStringList &arguments)
{
    std::vector<QByteArray> storage;
    storage.reserve(arguments.size());
    std::vector<const char *> argv(std::begin(kInstanceArguments), std::end(kInstanceArguments));
    for (const QString &argument : arguments) {
        storage.push_back(argument.toUtf8());
        argv.push_back(storage.back().constData());
    }
    m_instance = libvlc_new(int(argv.size()), argv.data());
    if (m_instance)
        m_player = libvlc_media_player_new(m_instance);
}

VlcPlayback::~VlcPlayback()
{
    if (m_player) {
        libvlc_media_player_stop(m_player);
        libvlc_media_player_release(m_player);
    }
    if (m_media)
        libvlc_media_release(m_media);
    if (m_instance)
        libvlc_release(m_instance);
}

void VlcPlayback::setStream(PcmStream *stream)
{
    if (!m_player)
        return;
    libvlc_media_t *media = libvlc_media_new_callbacks(
        m_instance, &PcmStream::open, &PcmStream::read, &PcmStream::seek, &PcmStream::close, stream);
    for (const char *option : kMediaOptions)
        if (media)
            libvlc_media_add_option(media, option);
    takeMedia(media);
}

void VlcPlayback::setFd(int fd)
{
    if (!m_player)
        return;
    libvlc_media_t *media = libvlc_media_new_fd(m_instance, fd);
    for (const char *option : kPipeOptions)
        if (media)
            libvlc_media_add_option(media, option);
    takeMedia(media);
}

void VlcPlayback::clearMedia()
{
    if (m_player)
        takeMedia(nullptr);
}

void VlcPlayback::takeMedia(libvlc_media_t *media)
{
    if (!media && m_media == nullptr)
        return;
    libvlc_media_player_stop(m_player);
    libvlc_media_player_set_media(m_player, media);
    if (m_media)
        libvlc_media_release(m_media);
    m_media = media;
}

void VlcPlayback::play()
{
    if (m_player)
        libvlc_media_player_play(m_player);
}

void VlcPlayback::pause()
{
    if (m_player)
        libvlc_media_player_set_pause(m_player, 1);
}

void VlcPlayback::stop()
{
    if (m_player)
        libvlc_media_player_stop(m_player);
}

VlcPlayback::State VlcPlayback::state() const
{
    return m_player ? State(libvlc_media_player_get_state(m_player)) : NothingSpecial;
}

qint64 VlcPlayback::timeMs() const
{
    return m_player ? libvlc_media_player_get_time(m_player) : -1;
}

float VlcPlayback::rate() const
{
    return m_player ? libvlc_media_player_get_rate(m_player) : 1.0f;
}

int VlcPlayback::volume() const
{
    return m_player ? libvlc_audio_get_volume(m_player) : -1;
}

void VlcPlayback::setVolume(int volume)
{
    m_volume = volume;
    applyVolume();
}

bool VlcPlayback::volumeApplied() const
{
    return m_volume < 0 || (m_player && libvlc_audio_get_volume(m_player) == m_volume);
}

void VlcPlayback::applyVolume()
{
    if (m_player && m_volume >= 0 && libvlc_audio_get_volume(m_player) != m_volume)
        libvlc_audio_set_volume(m_player, m_volume);
}
