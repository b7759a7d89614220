#include <cmath>

#include <QtTest>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QFileInfo>
#include <QSlider>

#include "controls/mprisservice.h"
#include "player/player.h"
#include "tst_controls_rig.h"

namespace {

const QString kService = QString::fromLatin1(MprisService::kServiceName);
const QString kPath = QString::fromLatin1(MprisService::kObjectPath);
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");

// A client of its own on the session bus (as a desktop's media keys are): its calls travel
// through the bus daemon, and it hears the PropertiesChanged signals.
class MediaKeys : public QObject {
    Q_OBJECT

public:
    MediaKeys()
        : bus(QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("media keys")))
    {
        bus.connect(kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                    QStringLiteral("PropertiesChanged"), this, SLOT(propertiesChanged(QString, QVariantMap, QStringList)));
    }
    ~MediaKeys() override { QDBusConnection::disconnectFromBus(QStringLiteral("media keys")); }

    // The event loop runs while waiting: the service answers from this thread.
    QDBusMessage call(const QString &interface, const QString &method, const QVariantList &arguments = {})
    {
        QDBusMessage message = QDBusMessage::createMethodCall(kService, kPath, interface, method);
        message.setArguments(arguments);
        QDBusPendingCall pending = bus.asyncCall(message);
        QDeadlineTimer deadline(5000);
        while (!pending.isFinished() && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return pending.reply();
    }

    QVariant property(const QString &interface, const QString &name)
    {
        const QDBusMessage reply = call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"), {interface, name});
        if (reply.type() != QDBusMessage::ReplyMessage)
            return QVariant();
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }

    void setProperty(const QString &interface, const QString &name, const QVariant &value)
    {
        call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"),
             {interface, name, QVariant::fromValue(QDBusVariant(value))});
    }

    QVariantMap metadata()
    {
        QVariantMap map;
        property(kPlayer, QStringLiteral("Metadata")).value<QDBusArgument>() >> map;
        return map;
    }

    QDBusConnection bus;
    QList<QVariantMap> changes;

public slots:
    void propertiesChanged(const QString &interface, const QVariantMap &changed, const QStringList &)
    {
        if (interface == kPlayer)
            changes << changed;
    }
};

bool announced(const QList<QVariantMap> &changes, const QString &name, const QVariant &value)
{
    return std::any_of(changes.begin(), changes.end(), [&](const QVariantMap &c) { return c.value(name) == value; });
}

} // namespace

class TestControlsMpris : public QObject {
    Q_OBJECT

private slots:
    void withoutABusNothingIsRegistered();
    void mediaKeysDriveTheDeck();
};

void TestControlsMpris::withoutABusNothingIsRegistered()
{
    MprisService service({});
    QVERIFY(!service.registerOn(QDBusConnection(QStringLiteral("no bus"))));
    // Still answers for itself: the deck keeps updating it.
    MprisState state;
    state.status = MprisState::Playing;
    service.update(state);
    QCOMPARE(service.state().status, MprisState::Playing);
}

void TestControlsMpris::mediaKeysDriveTheDeck()
{
    if (!QDBusConnection::sessionBus().isConnected())
        QSKIP("no session bus: ctest runs this test under dbus-run-session");
    DeckTestRig rig(true);
    QTplayerCtl *deck = rig.deck;
    MediaKeys keys;
    QVERIFY(keys.bus.interface()->isServiceRegistered(kService));

    QCOMPARE(keys.property(kRoot, QStringLiteral("Identity")).toString(), QStringLiteral("Sampora"));
    const QString entry = keys.property(kRoot, QStringLiteral("DesktopEntry")).toString();
    QVERIFY(QFileInfo::exists(TestSupport::sourceDir() + QStringLiteral("/app/") + entry + QStringLiteral(".desktop")));
    QCOMPARE(keys.property(kPlayer, QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Stopped"));

    keys.call(kPlayer, QStringLiteral("PlayPause"));
    QVERIFY(deck->playing);
    QCOMPARE(keys.property(kPlayer, QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Playing"));
    QTRY_VERIFY(announced(keys.changes, QStringLiteral("PlaybackStatus"), QStringLiteral("Playing")));

    // Metadata names every row's sample and the first row's tempo as heard.
    QTRY_VERIFY_WITH_TIMEOUT(keys.metadata().value(QStringLiteral("xesam:title")).toString().count(QLatin1String(" 90")) == 3, 5000);
    QVariantMap metadata = keys.metadata();
    QCOMPARE(metadata.value(QStringLiteral("xesam:audioBPM")).toInt(), 90);
    QVERIFY(metadata.value(QStringLiteral("xesam:title")).toString().contains(QFileInfo(deck->players[0]->currentTrack().file).completeBaseName()));
    // The tempo slider bends the first row (matching may share the change among the rows).
    deck->BPMSlider_1->setValue(10);
    const auto heardBpm = [deck] { return int(std::lround(90 * deck->players[0]->playbackRate())); };
    QTRY_VERIFY_WITH_TIMEOUT(heardBpm() != 90 && keys.metadata().value(QStringLiteral("xesam:audioBPM")).toInt() == heardBpm(), 5000);

    const qsizetype pastBefore = deck->players[0]->pastTracks().size();
    keys.call(kPlayer, QStringLiteral("Next"));
    QTRY_VERIFY_WITH_TIMEOUT(deck->players[0]->pastTracks().size() > pastBefore, 10000);

    keys.call(kPlayer, QStringLiteral("Pause"));
    QVERIFY(!deck->playing);
    QCOMPARE(keys.property(kPlayer, QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Paused"));
    keys.call(kPlayer, QStringLiteral("Play"));
    QVERIFY(deck->playing);
    keys.call(kPlayer, QStringLiteral("Stop"));
    QVERIFY(!deck->playing);
    QCOMPARE(keys.property(kPlayer, QStringLiteral("PlaybackStatus")).toString(), QStringLiteral("Stopped"));
    QTRY_VERIFY(announced(keys.changes, QStringLiteral("PlaybackStatus"), QStringLiteral("Stopped")));

    // Volume both ways.
    keys.setProperty(kPlayer, QStringLiteral("Volume"), 0.5);
    QCOMPARE(deck->volumeSlider->value(), qRound(0.5 * deck->volumeSlider->maximum()));
    const double half = double(deck->volumeSlider->value()) / deck->volumeSlider->maximum();
    QTRY_VERIFY(announced(keys.changes, QStringLiteral("Volume"), half));
    deck->volumeSlider->setValue(deck->volumeSlider->maximum());
    QTRY_VERIFY(announced(keys.changes, QStringLiteral("Volume"), 1.0));
    QCOMPARE(keys.property(kPlayer, QStringLiteral("Volume")).toDouble(), 1.0);

    rig.window.hide();
    keys.call(kRoot, QStringLiteral("Raise"));
    QVERIFY(rig.window.isVisible());
    keys.call(kRoot, QStringLiteral("Quit"));
    QVERIFY(!rig.window.isVisible());
}

QTEST_MAIN(TestControlsMpris)
#include "tst_controls_mpris.moc"
