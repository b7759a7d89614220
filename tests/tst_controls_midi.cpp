#include <memory>

#include <QtTest>

#include <QAbstractButton>
#include <QFile>
#include <QProcess>
#include <QSlider>
#include <QTreeWidget>

#include <RtMidi.h>

#include "controls/deckcontrols.h"
#include "controls/midiinput.h"
#include "controls/midilearndialog.h"
#include "controls/midimap.h"
#include "controls/midimessage.h"
#include "player/player.h"
#include "tst_controls_rig.h"

namespace {

// Where the ALSA sequencer is missing, the MIDI ports live in a JACK server: the test session
// (tools/audio-server.sh) starts one; run alone, the test starts its own, with the dummy back end.
class MidiServer {
public:
    MidiServer()
    {
        if (MidiInput::chosenApi() != RtMidi::UNIX_JACK || answers())
            return;
        const QByteArray name = "sampora-test-" + QByteArray::number(QCoreApplication::applicationPid());
        qputenv("JACK_DEFAULT_SERVER", name);
        qputenv("JACK_NO_AUDIO_RESERVATION", "1");
        jackd.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        jackd.setStandardOutputFile(QProcess::nullDevice());
        jackd.start(QStringLiteral("jackd"), {QStringLiteral("--name"), QString::fromLatin1(name),
                                              QStringLiteral("--no-realtime"), QStringLiteral("--timeout"),
                                              QStringLiteral("10000"), QStringLiteral("-d"), QStringLiteral("dummy"),
                                              QStringLiteral("-r"), QStringLiteral("44100"), QStringLiteral("-p"),
                                              QStringLiteral("1024")});
        QProcess::execute(QStringLiteral("jack_wait"), {QStringLiteral("--wait"), QStringLiteral("--timeout"), QStringLiteral("5")});
    }
    ~MidiServer()
    {
        if (jackd.state() == QProcess::NotRunning)
            return;
        jackd.terminate();
        jackd.waitForFinished(5000);
    }

private:
    static bool answers()
    {
        if (qEnvironmentVariableIsEmpty("JACK_DEFAULT_SERVER"))
            return false;
        QProcess check;
        check.start(QStringLiteral("jack_wait"), {QStringLiteral("--check")});
        return check.waitForFinished(5000) && check.readAllStandardOutput().contains("running");
    }

    QProcess jackd;
};

// A controller of pads and knobs: a port of another program, as a plugged-in device shows up.
class Pads {
public:
    Pads()
        : out(RtMidi::Api(MidiInput::chosenApi()), "Test pads")
    {
        out.openVirtualPort("pads");
    }

    void note(int channel, int key, int velocity = 100) { send({(unsigned char)(0x90 | (channel - 1)), (unsigned char)key, (unsigned char)velocity}); }
    void cc(int channel, int number, int value) { send({(unsigned char)(0xB0 | (channel - 1)), (unsigned char)number, (unsigned char)value}); }
    void unplug() { out.closePort(); }

private:
    void send(std::vector<unsigned char> bytes) { out.sendMessage(&bytes); }

    RtMidiOut out;
};

bool hasPads(const QStringList &ports)
{
    return std::any_of(ports.begin(), ports.end(), [](const QString &port) { return port.contains(QLatin1String("pads")); });
}

QTreeWidgetItem *itemNamed(QTreeWidget *list, const QString &name)
{
    const QList<QTreeWidgetItem *> found = list->findItems(name, Qt::MatchExactly, 0);
    return found.isEmpty() ? nullptr : found.first();
}

} // namespace

class TestControlsMidi : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void messages_data();
    void messages();
    void learnMovesAndClears();
    void buttonsSentAsControlChangesPressOnce();
    void keptInTheUsersSettings();
    void padMovesARowThroughARealPort();
    void cleanupTestCase();

private:
    std::unique_ptr<MidiServer> server;
};

void TestControlsMidi::initTestCase()
{
    server = std::make_unique<MidiServer>();
}

void TestControlsMidi::cleanupTestCase()
{
    server.reset();
}

void TestControlsMidi::messages_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("described");
    QTest::addColumn<QString>("key");

    QTest::newRow("note on") << QByteArray("\x90\x24\x64", 3) << "Note 36, channel 1" << "note:1:36";
    QTest::newRow("note on, channel 10") << QByteArray("\x99\x24\x7f", 3) << "Note 36, channel 10" << "note:10:36";
    QTest::newRow("note on at velocity 0 is a release") << QByteArray("\x90\x24\x00", 3) << "" << "";
    QTest::newRow("note off") << QByteArray("\x80\x24\x40", 3) << "" << "";
    QTest::newRow("control change") << QByteArray("\xb0\x07\x00", 3) << "CC 7, channel 1" << "cc:1:7";
    QTest::newRow("control change, channel 16") << QByteArray("\xbf\x7f\x7f", 3) << "CC 127, channel 16" << "cc:16:127";
    QTest::newRow("pitch bend") << QByteArray("\xe0\x00\x40", 3) << "" << "";
    QTest::newRow("clock") << QByteArray("\xf8", 1) << "" << "";
}

void TestControlsMidi::messages()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, described);
    QFETCH(QString, key);

    const MidiMessage message = MidiMessage::parse(std::vector<unsigned char>(bytes.begin(), bytes.end()));
    QCOMPARE(message.describe(), described);
    QCOMPARE(message.toKey(), key);
    if (!key.isEmpty()) {
        QVERIFY(MidiMessage::fromKey(key).sameSource(message));
        QCOMPARE(MidiMessage::fromKey(key).describe(), described);
    }
}

void TestControlsMidi::learnMovesAndClears()
{
    QTemporaryDir dir;
    MidiMap map(dir.filePath(QStringLiteral("controllers.ini")));
    QSignalSpy triggered(&map, &MidiMap::triggered);
    const MidiMessage pad = MidiMessage::parse({0x99, 36, 100});
    const MidiMessage knob = MidiMessage::parse({0xB0, 7, 30});

    // Unbound messages do nothing; an armed control takes the next message, and only that one.
    map.handle(pad);
    QCOMPARE(triggered.size(), 0);
    map.learn(QStringLiteral("row1.next"));
    map.handle(pad);
    QCOMPARE(triggered.size(), 0);
    QVERIFY(map.learning().isEmpty());
    QVERIFY(map.binding(QStringLiteral("row1.next")).sameSource(pad));
    map.handle(pad);
    QCOMPARE(triggered.size(), 1);
    QCOMPARE(triggered.last().at(0).toString(), QStringLiteral("row1.next"));
    QCOMPARE(triggered.last().at(2).toBool(), true);

    // Learning the same pad for another control moves it there.
    map.learn(QStringLiteral("transport.stop"));
    map.handle(pad);
    QVERIFY(!map.binding(QStringLiteral("row1.next")).isValid());
    QCOMPARE(map.controlFor(pad), QStringLiteral("transport.stop"));

    // Re-learning a control replaces its message; a knob passes every value.
    map.learn(QStringLiteral("transport.stop"));
    map.handle(knob);
    QVERIFY(map.controlFor(pad).isEmpty());
    map.handle(MidiMessage::parse({0xB0, 7, 99}));
    QCOMPARE(triggered.last().at(0).toString(), QStringLiteral("transport.stop"));
    QCOMPARE(triggered.last().at(1).toInt(), 99);

    map.clear(QStringLiteral("transport.stop"));
    const qsizetype before = triggered.size();
    map.handle(knob);
    QCOMPARE(triggered.size(), before);
}

void TestControlsMidi::buttonsSentAsControlChangesPressOnce()
{
    QTemporaryDir dir;
    MidiMap map(dir.filePath(QStringLiteral("controllers.ini")));
    map.learn(QStringLiteral("deck.mute"));
    map.handle(MidiMessage::parse({0xB0, 20, 127}));
    QSignalSpy triggered(&map, &MidiMap::triggered);
    // A button sent as a control change: 127 on press, 0 on release.
    for (int value : {0, 127, 127, 0, 127, 80, 30, 64})
        map.handle(MidiMessage::parse({0xB0, 20, (unsigned char)value}));
    QList<bool> presses;
    for (const QList<QVariant> &call : std::as_const(triggered))
        presses << call.at(2).toBool();
    QCOMPARE(presses, (QList<bool>{false, true, false, false, true, false, false, true}));
}

void TestControlsMidi::keptInTheUsersSettings()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("controllers.ini"));
    // A line broken by hand is neither read nor thrown away.
    QFile broken(file);
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("[MidiMap]\nrow2.hold=pad seven\ndeck.volume=cc:1:7\n");
    broken.close();
    {
        MidiMap map(file);
        QCOMPARE(map.binding(QStringLiteral("deck.volume")).describe(), QStringLiteral("CC 7, channel 1"));
        QVERIFY(!map.binding(QStringLiteral("row2.hold")).isValid());
        map.learn(QStringLiteral("row1.tempo"));
        map.handle(MidiMessage::parse({0xB2, 74, 64}));
        map.clear(QStringLiteral("deck.volume"));
    }
    MidiMap again(file);
    QCOMPARE(again.binding(QStringLiteral("row1.tempo")).describe(), QStringLiteral("CC 74, channel 3"));
    QVERIFY(!again.binding(QStringLiteral("deck.volume")).isValid());
    QFile kept(file);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QVERIFY(kept.readAll().contains("row2.hold=pad seven"));
}

void TestControlsMidi::padMovesARowThroughARealPort()
{
    DeckTestRig rig;
    QTplayerCtl *deck = rig.deck;
    auto pads = std::make_unique<Pads>();
    QTRY_VERIFY_WITH_TIMEOUT(hasPads(rig.remote->midiPorts()), 5000);

    // Learned through the learn window, as a user does.
    std::unique_ptr<MidiLearnDialog> learnWindow(rig.remote->createLearnWindow(&rig.window));
    learnWindow->show();
    auto *list = learnWindow->findChild<QTreeWidget *>(QStringLiteral("midiControls"));
    auto *learn = learnWindow->findChild<QAbstractButton *>(QStringLiteral("learnButton"));
    auto *clear = learnWindow->findChild<QAbstractButton *>(QStringLiteral("clearButton"));
    const auto learnFor = [&](const QString &name, const std::function<void()> &move) {
        QTreeWidgetItem *item = itemNamed(list, name);
        QVERIFY2(item, qPrintable(name));
        list->setCurrentItem(item);
        learn->click();
        move();
        QTRY_VERIFY_WITH_TIMEOUT(!item->text(1).isEmpty() && rig.remote->midiMap()->learning().isEmpty(), 5000);
    };
    learnFor(QStringLiteral("Row 1: next"), [&] { pads->note(10, 36); });
    QCOMPARE(itemNamed(list, QStringLiteral("Row 1: next"))->text(1), QStringLiteral("Note 36, channel 10"));
    learnFor(QStringLiteral("Row 1: tempo"), [&] { pads->cc(1, 7, 64); });
    QCOMPARE(itemNamed(list, QStringLiteral("Row 1: tempo"))->text(1), QStringLiteral("CC 7, channel 1"));
    learnFor(QStringLiteral("Play/Pause"), [&] { pads->note(10, 37); });

    // The pad plays the deck and moves row 1 on by the button's own road (so Quantize and
    // everything else a click brings follow).
    pads->note(10, 37);
    QTRY_VERIFY_WITH_TIMEOUT(deck->playing, 5000);
    QSignalSpy nextClicked(deck->next_1, &QAbstractButton::clicked);
    Player *row1 = deck->players[0];
    const qsizetype pastBefore = row1->pastTracks().size();
    pads->note(10, 36);
    QTRY_COMPARE_WITH_TIMEOUT(nextClicked.size(), 1, 5000);
    QTRY_VERIFY_WITH_TIMEOUT(row1->pastTracks().size() > pastBefore, 10000);

    // The knob moves the tempo slider over its whole range, the middle being the middle.
    pads->cc(1, 7, 127);
    QTRY_COMPARE_WITH_TIMEOUT(deck->BPMSlider_1->value(), deck->BPMSlider_1->maximum(), 5000);
    pads->cc(1, 7, 0);
    QTRY_COMPARE_WITH_TIMEOUT(deck->BPMSlider_1->value(), deck->BPMSlider_1->minimum(), 5000);
    pads->cc(1, 7, 64);
    QTRY_COMPARE_WITH_TIMEOUT(deck->BPMSlider_1->value(), 0, 5000);

    // Re-learned for Stop, the pad stops the deck and no longer moves the row.
    learnFor(QStringLiteral("Stop"), [&] { pads->note(10, 36); });
    QVERIFY(itemNamed(list, QStringLiteral("Row 1: next"))->text(1).isEmpty());
    pads->note(10, 36);
    QTRY_VERIFY_WITH_TIMEOUT(!deck->playing, 5000);
    QCOMPARE(nextClicked.size(), 1);

    // Cleared, the knob does nothing.
    list->setCurrentItem(itemNamed(list, QStringLiteral("Row 1: tempo")));
    clear->click();
    QVERIFY(itemNamed(list, QStringLiteral("Row 1: tempo"))->text(1).isEmpty());
    pads->cc(1, 7, 127);
    QTest::qWait(300);
    QCOMPARE(deck->BPMSlider_1->value(), 0);

    // Unplugged, the port is dropped without a word; plugged in again it plays again.
    pads->unplug();
    QTRY_VERIFY_WITH_TIMEOUT(!hasPads(rig.remote->midiPorts()), 5000);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    pads = std::make_unique<Pads>();
    QTRY_VERIFY_WITH_TIMEOUT(hasPads(rig.remote->midiPorts()), 5000);
    pads->note(10, 37);
    QTRY_VERIFY_WITH_TIMEOUT(deck->playing, 5000);
}

QTEST_MAIN(TestControlsMidi)
#include "tst_controls_midi.moc"
