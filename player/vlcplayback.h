#pragma once

#include <functional>

#include <QString>
#include <QStringList>

struct libvlc_instance_t;
struct libvlc_media_player_t;
struct libvlc_media_t;

// The one place that talks to libvlc: owns an instance, one media player for its whole
// life and the media currently set. State is polled from the caller's thread; the only
// thing libvlc's own threads do here is the end notice below.
class VlcPlayback {
public:
    // Mirrors libvlc_state_t.
    enum State { NothingSpecial = 0, Opening, Buffering, Playing, Paused, Stopped, Ended, Error };

    explicit VlcPlayback(const QStringList &arguments);
    ~VlcPlayback();
    VlcPlayback(const VlcPlayback &) = delete;
    VlcPlayback &operator=(const VlcPlayback &) = delete;

    // Makes file the current media, stopped, from its start.
    void load(const QString &file);
    bool hasMedia() const;
    QString file() const { return m_file; }

    // Called on a libvlc thread when a media has ended or failed; it must only hand the news
    // to the caller's thread (e.g. a queued call). No call is running or will come once this
    // object is destroyed.
    void setEndNotice(std::function<void()> notice);

    void play();
    void pause();
    void stop();
    // Plays the current media again from its start.
    void restart();

    State state() const;
    // True once libvlc has opened the current media as something with a length: a file
    // that is missing, empty or not audio ends without ever getting there.
    bool opened() const;

    float position() const; // 0.0 to 1.0 of the length
    void setPosition(float position);
    qint64 lengthMs() const;

    float rate() const;
    void setRate(float rate);
    // libvlc has no audio output to take a volume before the first sample plays: the
    // wanted volume is kept and handed over again by applyVolume() once it can be.
    int volume() const;
    void setVolume(int volume);
    void applyVolume();

private:
    libvlc_instance_t *m_instance = nullptr;
    libvlc_media_player_t *m_player = nullptr;
    libvlc_media_t *m_media = nullptr;
    std::function<void()> m_endNotice;
    QString m_file;
    int m_volume = -1; // as last asked for; -1 leaves libvlc's own
};
