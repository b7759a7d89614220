#include "player/vlcplayback.h"

#include <vector>

#include <QByteArray>

#include <vlc/vlc.h>

namespace {

// libvlc's default file caching (1000 ms) lets samples of a second or less end before
// their audio reaches the output; 50 ms plays them whole and starts the next one sooner.
constexpr const char *kFileCaching = ":file-caching=50";

constexpr libvlc_event_type_t kEndEvents[]
    = { libvlc_MediaPlayerEndReached, libvlc_MediaPlayerEncounteredError };

void onEnd(const libvlc_event_t *, void *data)
{
    const auto &notice = *static_cast<const std::function<void()> *>(data);
    if (notice)
        notice();
}

} // namespace

VlcPlayback::VlcPlayback(const QStringList &arguments)
{
    std::vector<QByteArray> storage;
    storage.reserve(arguments.size());
    std::vector<const char *> argv;
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
    if (m_player && m_endNotice) {
        // libvlc runs its callbacks under the lock that detaching takes: none is left running.
        for (libvlc_event_type_t type : kEndEvents)
            libvlc_event_detach(libvlc_media_player_event_manager(m_player), type, onEnd, &m_endNotice);
    }
    if (m_player) {
        libvlc_media_player_stop(m_player);
        libvlc_media_player_release(m_player);
    }
    if (m_media)
        libvlc_media_release(m_media);
    if (m_instance)
        libvlc_release(m_instance);
}

void VlcPlayback::load(const QString &file)
{
    if (!m_player)
        return;
    libvlc_media_t *media = libvlc_media_new_path(m_instance, file.toUtf8().constData());
    if (!media)
        return;
    libvlc_media_add_option(media, kFileCaching);
    libvlc_media_player_stop(m_player);
    libvlc_media_player_set_media(m_player, media);
    if (m_media)
        libvlc_media_release(m_media);
    m_media = media;
    m_file = file;
}

void VlcPlayback::setEndNotice(std::function<void()> notice)
{
    if (!m_player)
        return;
    const bool attached = bool(m_endNotice);
    if (attached) {
        for (libvlc_event_type_t type : kEndEvents)
            libvlc_event_detach(libvlc_media_player_event_manager(m_player), type, onEnd, &m_endNotice);
    }
    m_endNotice = std::move(notice);
    if (m_endNotice) {
        for (libvlc_event_type_t type : kEndEvents)
            libvlc_event_attach(libvlc_media_player_event_manager(m_player), type, onEnd, &m_endNotice);
    }
}

bool VlcPlayback::hasMedia() const
{
    if (!m_player)
        return false;
    libvlc_media_t *media = libvlc_media_player_get_media(m_player);
    if (!media)
        return false;
    libvlc_media_release(media);
    return true;
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

void VlcPlayback::restart()
{
    if (!m_player)
        return;
    // An ended input ignores play(); stopping it lets play() open the media afresh.
    libvlc_media_player_stop(m_player);
    libvlc_media_player_play(m_player);
}

VlcPlayback::State VlcPlayback::state() const
{
    return m_media ? State(libvlc_media_get_state(m_media)) : NothingSpecial;
}

bool VlcPlayback::opened() const
{
    return m_media && libvlc_media_get_duration(m_media) > 0;
}

float VlcPlayback::position() const
{
    return m_player ? libvlc_media_player_get_position(m_player) : 0.0f;
}

void VlcPlayback::setPosition(float position)
{
    if (m_player)
        libvlc_media_player_set_position(m_player, position);
}

qint64 VlcPlayback::lengthMs() const
{
    if (!m_player)
        return 0;
    const qint64 length = libvlc_media_player_get_length(m_player);
    if (length > 0 || !m_media)
        return length;
    return libvlc_media_get_duration(m_media);
}

float VlcPlayback::rate() const
{
    return m_player ? libvlc_media_player_get_rate(m_player) : 1.0f;
}

void VlcPlayback::setRate(float rate)
{
    if (m_player)
        libvlc_media_player_set_rate(m_player, rate);
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

void VlcPlayback::applyVolume()
{
    if (m_player && m_volume >= 0 && libvlc_audio_get_volume(m_player) != m_volume)
        libvlc_audio_set_volume(m_player, m_volume);
}
