// A row whose samples may have no BPM in their names: the tempo comes from its tempo finder,
// asked on the decoding thread, and then counts like a name's BPM (the name always wins).
#include <mutex>

#include <QTest>
#include <QThread>

#include "engine/vlcplayback.h"
#include "tst_player_fixture.h"

namespace {

// Stands in for the detector: answers the same tempo for every file and notes which threads
// asked. Called from the row's decoding thread while the test reads it.
class FakeTempoFinder {
public:
    explicit FakeTempoFinder(SampleTempo answer)
        : answer(answer)
    {
    }

    Player::TempoFinder function()
    {
        return [this](const QString &) {
            const std::lock_guard<std::mutex> lock(mutex);
            ++calls;
            if (QThread::currentThread() == QCoreApplication::instance()->thread())
                ++callsOnGuiThread;
            return answer;
        };
    }

    int callCount()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        return calls;
    }

    int guiThreadCalls()
    {
        const std::lock_guard<std::mutex> lock(mutex);
        return callsOnGuiThread;
    }

private:
    std::mutex mutex;
    const SampleTempo answer;
    int calls = 0;
    int callsOnGuiThread = 0;
};

constexpr SampleTempo kHeard96 { 96, BpmOrigin::Audio };

} // namespace

Q_DECLARE_METATYPE(SampleTempo)
Q_DECLARE_METATYPE(BpmOrigin)

class TestPlayerTempo : public QObject {
    Q_OBJECT

private slots:
    void tempoOfTheDrawnSample_data();
    void tempoOfTheDrawnSample();
    void sampleStartedBeforeItsTempoIsKnown();
    void sampleThatFollowsByItselfHasItsTempo();
};

void TestPlayerTempo::tempoOfTheDrawnSample_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<SampleTempo>("found");
    QTest::addColumn<int>("bpm");
    QTest::addColumn<BpmOrigin>("origin");
    QTest::addColumn<QString>("tipLine");
    QTest::addColumn<float>("rate"); // with the tempo slider at +5

    QTest::newRow("loop without a name BPM") << "loop.wav" << kHeard96 << 96 << BpmOrigin::Audio
                                             << "96 BPM, estimated from the audio" << 1.05f;
    QTest::newRow("the name wins") << "loop_90.wav" << kHeard96 << 90 << BpmOrigin::FileName
                                   << "90 BPM, from the file name" << 1.05f;
    QTest::newRow("one-shot: no tempo found") << "hit.wav" << SampleTempo {} << 1 << BpmOrigin::None
                                              << "No BPM: plays at its own speed" << 1.0f;
}

// Drawn at construction, drawn ahead while the row plays, and walked back to: each time the
// sample carries the tempo found for it, and the tempo slider bends it only when it has one.
void TestPlayerTempo::tempoOfTheDrawnSample()
{
    QFETCH(QString, name);
    QFETCH(SampleTempo, found);
    QFETCH(int, bpm);
    QFETCH(BpmOrigin, origin);
    QFETCH(QString, tipLine);
    QFETCH(float, rate);

    FakeTempoFinder finder(found);
    PlayerRig rig({ { name, 3.0 } }, Bass, 0, finder.function());
    Player &player = *rig.player;
    const QString tipFor = QStringLiteral("Playing: ") + rig.path(name) + QLatin1Char('\n') + tipLine;

    // Looked for while the first sample decodes, before anything plays.
    // The sample's loudness follows on a line of its own.
    QTRY_VERIFY_WITH_TIMEOUT(rig.positionSlider.toolTip().startsWith(tipFor + QLatin1Char('\n')), 3000);
    QCOMPARE(player.bpm(), bpm);
    QCOMPARE(player.tempo().origin, origin);

    rig.tempoSlider.setValue(5);
    rig.events.clear();
    player.play();
    // The next sample was drawn and decoded ahead: it starts with its tempo already known.
    player.next();
    QCOMPARE(player.currentTrack().file, rig.path(name));
    QCOMPARE(player.currentTrack().baseBpm, bpm > 1 ? bpm : -1);
    QCOMPARE(player.bpm(), bpm);
    QCOMPARE(rig.events.contains(QStringLiteral("NewBPM")), bpm > 1);
    QVERIFY(rig.positionSlider.toolTip().startsWith(tipFor + QLatin1Char('\n')));
    QTRY_COMPARE_WITH_TIMEOUT(player.playback().state(), VlcPlayback::Playing, 2000);
    QVERIFY2(qAbs(player.playbackRate() - rate) < 1e-4f, qPrintable(QString::number(player.playbackRate())));

    player.previous();
    QCOMPARE(player.bpm(), bpm);
    QVERIFY(rig.positionSlider.toolTip().startsWith(tipFor + QLatin1Char('\n')));

    QVERIFY(finder.callCount() >= 1);
    QCOMPARE(finder.guiThreadCalls(), 0);
}

// A file the row has never decoded, started at once: it plays only once decoded, and its tempo
// arrives with it. The row then reports playing again and a new BPM, so that the tempo
// controller matches it, before its first frame is heard.
void TestPlayerTempo::sampleStartedBeforeItsTempoIsKnown()
{
    FakeTempoFinder finder(kHeard96);
    PlayerRig rig({ { QStringLiteral("first_100.wav"), 20.0 } }, Bass, 0, finder.function());
    Player &player = *rig.player;
    const QString other = rig.dir.path() + QStringLiteral("/elsewhere/groove.wav");
    QDir().mkpath(QFileInfo(other).absolutePath());
    QVERIFY(AudioGen::writeWav(other, AudioGen::tone(3.0, 220.0, 0.3)));
    rig.tempoSlider.setValue(-4);
    player.play();
    QTRY_VERIFY_WITH_TIMEOUT(!player.heardFile().isEmpty(), 3000);

    rig.events.clear();
    player.setBpm(-1);
    player.playFile(other);
    QCOMPARE(player.bpm(), 1); // not known yet
    QCOMPARE(rig.positionSlider.toolTip(), QStringLiteral("Playing: ") + other);

    QTRY_COMPARE_WITH_TIMEOUT(player.bpm(), 96, 3000);
    QCOMPARE(player.currentTrack().baseBpm, 96);
    QCOMPARE(player.currentTrack().bpm, 92); // 96 x 0.96
    QCOMPARE(rig.events,
        QStringList({ QStringLiteral("Playing(0)"), QStringLiteral("Playing(0)"), QStringLiteral("NewBPM") }));
    QVERIFY(rig.positionSlider.toolTip().contains(QStringLiteral("\n96 BPM, estimated from the audio\n")));
    QVERIFY(qAbs(player.playbackRate() - 0.96f) < 1e-4f);
    QTRY_COMPARE_WITH_TIMEOUT(player.heardFile(), other, 3000);
    QCOMPARE(player.bpm(), 96);
    QCOMPARE(finder.guiThreadCalls(), 0);
}

// The commonest road: a loop ends and the stream goes on into the one drawn and decoded ahead.
void TestPlayerTempo::sampleThatFollowsByItselfHasItsTempo()
{
    FakeTempoFinder finder(kHeard96);
    PlayerRig rig({ { QStringLiteral("one.wav"), 1.5 }, { QStringLiteral("two.wav"), 1.5 } }, Bass, 0,
        finder.function());
    Player &player = *rig.player;
    QTRY_COMPARE_WITH_TIMEOUT(player.bpm(), 96, 3000);
    rig.tempoSlider.setValue(3);
    player.play();
    rig.events.clear();
    QTRY_VERIFY_WITH_TIMEOUT(player.pastTracks().size() >= 2, 8000);
    QCOMPARE(player.pastTracks().last().baseBpm, 96);
    QCOMPARE(player.currentTrack().baseBpm, 96);
    QCOMPARE(player.bpm(), 96);
    QVERIFY(rig.events.count(QStringLiteral("NewBPM")) >= 2); // one for every sample that followed
    QVERIFY(qAbs(player.playbackRate() - 1.03f) < 1e-4f);
    QCOMPARE(finder.guiThreadCalls(), 0);
}

QTEST_MAIN(TestPlayerTempo)
#include "tst_player_tempo.moc"
