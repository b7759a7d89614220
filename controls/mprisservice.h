#pragma once

#include <functional>

#include <QDBusConnection>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariantMap>

// What the desktop's media keys and sound menu see of the deck.
struct MprisState {
    enum Status { Stopped, Paused, Playing };
    struct Row {
        QString file;
        int bpm = -1; // as heard; -1 when the sample has none
    };

    Status status = Stopped;
    double volume = 1.0; // 0 to 1
    QList<Row> rows;     // the rows that have a sample, in row order

    bool operator==(const MprisState &other) const;
};

// The deck on the session bus as org.mpris.MediaPlayer2.sampora (MPRIS 2.2): the media keys,
// the desktop's sound menu and tools such as playerctl control the transport and see what
// plays. Without a session bus nothing is registered. The service only relays: the owner
// hands it the deck's actions and tells it of every change with update().
class MprisService : public QObject {
    Q_OBJECT

public:
    struct Actions {
        std::function<void()> playPause, play, pause, stop, next, previous, raise, quit;
        std::function<void(double)> setVolume;
    };

    static constexpr const char *kServiceName = "org.mpris.MediaPlayer2.sampora";
    static constexpr const char *kObjectPath = "/org/mpris/MediaPlayer2";

    explicit MprisService(Actions actions, QObject *parent = nullptr);
    ~MprisService() override;

    // False (and nothing registered) when the bus is not there or the name is taken.
    bool registerOn(QDBusConnection bus);

    // Sends PropertiesChanged for what differs from the last state.
    void update(const MprisState &state);
    const MprisState &state() const { return current; }

    // The Metadata property for a state: one entry that names every row's sample.
    static QVariantMap metadata(const MprisState &state);
    static QString statusText(MprisState::Status status);

    const Actions actions;

private:
    MprisState current;
    QDBusConnection bus;
    bool registered = false;
};
