#include "controls/mprisservice.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFileInfo>
#include <QStringList>
#include <QUrl>

#include "controls/controlslog.h"
#include "controls/mprisadaptors.h"

bool MprisState::operator==(const MprisState &other) const
{
    if (status != other.status || !qFuzzyCompare(volume + 1.0, other.volume + 1.0) || rows.size() != other.rows.size())
        return false;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (rows[i].file != other.rows[i].file || rows[i].bpm != other.rows[i].bpm)
            return false;
    }
    return true;
}

MprisService::MprisService(Actions actions, QObject *parent)
    : QObject(parent)
    , actions(std::move(actions))
    , bus(QStringLiteral("unconnected"))
{
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);
}

MprisService::~MprisService()
{
    if (registered) {
        bus.unregisterObject(QLatin1String(kObjectPath));
        bus.unregisterService(QLatin1String(kServiceName));
    }
}

bool MprisService::registerOn(QDBusConnection connection)
{
    if (!connection.isConnected())
        return false;
    if (!connection.registerObject(QLatin1String(kObjectPath), this, QDBusConnection::ExportAdaptors)) {
        qCDebug(lcControls) << "MPRIS: the object path is taken";
        return false;
    }
    if (!connection.registerService(QLatin1String(kServiceName))) {
        // A second Sampora: the first one keeps the media keys.
        qCDebug(lcControls) << "MPRIS: the name is taken:" << connection.lastError().message();
        connection.unregisterObject(QLatin1String(kObjectPath));
        return false;
    }
    bus = connection;
    registered = true;
    return true;
}

QString MprisService::statusText(MprisState::Status status)
{
    switch (status) {
    case MprisState::Playing:
        return QStringLiteral("Playing");
    case MprisState::Paused:
        return QStringLiteral("Paused");
    case MprisState::Stopped:
        break;
    }
    return QStringLiteral("Stopped");
}

QVariantMap MprisService::metadata(const MprisState &state)
{
    QVariantMap map;
    if (state.rows.isEmpty()) {
        map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath("/org/mpris/MediaPlayer2/TrackList/NoTrack")));
        return map;
    }
    // One entry for the deck: a sound menu shows one title, and every row's sample is part of
    // what is heard. The first row with a BPM gives the tempo.
    QStringList titles;
    int bpm = -1;
    for (const MprisState::Row &row : state.rows) {
        titles << QFileInfo(row.file).completeBaseName();
        if (bpm < 0 && row.bpm > 0)
            bpm = row.bpm;
    }
    map.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath("/app/sampora/Sampora/deck")));
    map.insert(QStringLiteral("xesam:title"), titles.join(QStringLiteral(" + ")));
    map.insert(QStringLiteral("xesam:url"), QUrl::fromLocalFile(state.rows.first().file).toString());
    if (bpm > 0)
        map.insert(QStringLiteral("xesam:audioBPM"), bpm);
    return map;
}

void MprisService::update(const MprisState &state)
{
    if (state == current)
        return;
    QVariantMap changed;
    if (state.status != current.status)
        changed.insert(QStringLiteral("PlaybackStatus"), statusText(state.status));
    if (!qFuzzyCompare(state.volume + 1.0, current.volume + 1.0))
        changed.insert(QStringLiteral("Volume"), state.volume);
    const QVariantMap oldMetadata = metadata(current);
    const QVariantMap newMetadata = metadata(state);
    if (oldMetadata != newMetadata)
        changed.insert(QStringLiteral("Metadata"), newMetadata);
    current = state;
    if (!registered || changed.isEmpty())
        return;
    QDBusMessage signal = QDBusMessage::createSignal(QLatin1String(kObjectPath),
                                                     QStringLiteral("org.freedesktop.DBus.Properties"),
                                                     QStringLiteral("PropertiesChanged"));
    signal << QStringLiteral("org.mpris.MediaPlayer2.Player") << changed << QStringList();
    bus.send(signal);
}
