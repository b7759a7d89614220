#pragma once

#include <QString>
#include <QStringList>

struct libvlc_instance_t;
struct libvlc_media_player_t;
struct libvlc_media_t;
class PcmStream;

// The one place that talks to libvlc: owns an instance and one media player that plays one
// endless PCM stream (a row's own, or the deck's mix through a pipe). Rate and volume are libvlc's; state is polled from
// the caller's thread. libvlc's threads only ever call the stream's read callbacks.
class VlcPlayback {
public:
    // Mirrors libvlc_state_t.
    enum State { NothingSpecial = 0, Opening, Buffering, Playing, Paused, Stopped, Ended, Error };

    explicit VlcPlayback(const QStringList &arguments);
    ~VlcPlayback();
    VlcPlayback(const VlcPlayback &) = delete;
    VlcPlayback &operator=(const VlcPlayback &) = delete;

    // Makes stream the media player's media; the stream must outlive this object.
    void setStream(PcmStream *stream);
    // Makes a pipe's read end, carrying an endless WAV stream, the media player's media. The
    // descriptor stays the caller's: it must stay open until clearMedia() or another media.
    void setFd(int fd);
    void clearMedia();
    bool hasMedia() const { return m_media != nullptr; }

    void play();
    void pause();
    // Closes the stream; play() opens it again from stream time 0.
    void stop();

    State state() const;
    // Stream time libvlc reports as playing, in ms; moves a few times a second. -1 if none.
    qint64 timeMs() const;

    // Always 1: rows bend their tempo in the frames they serve (see TimeStretch), because at
    // other rates libvlc lets a row's audio wander tens of ms from its clock.
    float rate() const;
    // libvlc has no audio output to take a volume before the stream plays: the wanted volume
    // is kept and handed over by applyVolume() once it can be.
    int volume() const;
    void setVolume(int volume);
    void applyVolume();
    // True when the audio output holds the wanted volume.
    bool volumeApplied() const;

private:
    // Stops the player and makes media (null: none) its media, releasing the one before.
    void takeMedia(libvlc_media_t *media);

    libvlc_instance_t *m_instance = nullptr;
    libvlc_media_player_t *m_player = nullptr;
    libvlc_media_t *m_media = nullptr;
    int m_volume = -1; // as last asked for; -1 leaves libvlc's own
};
