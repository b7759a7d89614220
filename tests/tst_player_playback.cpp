// A row on real libvlc: samples end and the row moves on, repeat loops, broken files are
// skipped, seeking and volume reach libvlc.
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QStyle>
#include <QTest>

#include "engine/vlcplayback.h"
#include "tst_player_fixture.h"

class TestPlayerPlayback : public QObject {
    Q_OBJECT

private slots:
    void shortSamplesEndAndTheRowMovesOn();
    void eachFormatPlaysToItsEnd_data();
    void eachFormatPlaysToItsEnd();
    void repeatLoopsUntilSwitchedOff();
    void repeatNextReplaysTheSample();
    void brokenSamplesStopTheRowWithAReason_data();
    void brokenSamplesStopTheRowWithAReason();
    void brokenSampleIsSkippedForAGoodOne();
    void releaseOnThePositionSliderSeeks();
    void positionWithoutMediaChangesNothing();
    void stopRewinds();
    void volumeReachesLibvlc();
};

void TestPlayerPlayback::shortSamplesEndAndTheRowMovesOn()
{
    PlayerRig rig({ { QStringLiteral("a.wav"), 0.4 }, { QStringLiteral("b.wav"), 0.4 } });
    Player &player = *rig.player;
    player.play();
    QTRY_VERIFY_WITH_TIMEOUT(player.pastTracks().size() >= 2, 6000);
    QVERIFY(player.isPlaying());
    QVERIFY(player.forwardTracks().isEmpty());
    // Each new sample announces itself; the row never pauses between samples.
    QVERIFY(rig.events.count(QStringLiteral("Playing(0)")) >= 3);
    QVERIFY(!rig.events.contains(QStringLiteral("Stopped(0)")));
    QVERIFY(rig.positionSlider.toolTip().startsWith(QStringLiteral("Playing: ")));
}

void TestPlayerPlayback::eachFormatPlaysToItsEnd_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("wav") << "one.wav";
    QTest::newRow("aif") << "one.aif";
    QTest::newRow("mid") << "one.mid";
}

void TestPlayerPlayback::eachFormatPlaysToItsEnd()
{
    QFETCH(QString, name);
    PlayerRig rig({ { name, 0.5 } });
    Player &player = *rig.player;
    player.play();
    QTRY_COMPARE_WITH_TIMEOUT(player.playback().state(), VlcPlayback::Playing, 15000);
    QTRY_VERIFY_WITH_TIMEOUT(!player.heardFile().isEmpty(), 2000);
    // Played through, not taken for a broken file: the row moves on without a failure tip.
    QTRY_VERIFY_WITH_TIMEOUT(player.pastTracks().size() >= 1, 5000);
    QVERIFY(player.isPlaying());
    QVERIFY(rig.positionSlider.toolTip().startsWith(QStringLiteral("Playing: ")));
}

void TestPlayerPlayback::repeatLoopsUntilSwitchedOff()
{
    PlayerRig rig({ { QStringLiteral("loop_90.wav"), 0.6 }, { QStringLiteral("other_100.wav"), 0.6 } });
    Player &player = *rig.player;
    player.toggleRepeat();
    QVERIFY(player.repeats());
    const QString looped = player.currentTrack().file;
    player.play();
    player.adjustRate(0.1f); // as the tempo controller would
    rig.events.clear();

    // libvlc's position jumps back at every pass while the row stays on its sample.
    int wraps = 0;
    float last = 0.0f;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 3000) {
        QTest::qWait(20);
        const float position = player.heardPosition();
        if (position + 0.2f < last)
            ++wraps;
        last = position;
    }
    QVERIFY2(wraps >= 2, qPrintable(QString::number(wraps)));
    QCOMPARE(player.currentTrack().file, looped);
    QVERIFY(player.pastTracks().isEmpty());
    QVERIFY(player.isPlaying());
    QTRY_COMPARE_WITH_TIMEOUT(player.playback().state(), VlcPlayback::Playing, 15000);
    // The passes go round quietly: no new announcements, the matched rate and tempo stay.
    QVERIFY2(rig.events.isEmpty(), qPrintable(rig.events.join(u' ')));
    QVERIFY(qAbs(player.playbackRate() - 1.1f) < 1e-4f);
    QCOMPARE(player.bpm(), Sampora::bpmFromFileName(looped) * 11 / 10);

    // Switched off mid-loop, the current pass still ends and the row moves on.
    player.toggleRepeat();
    QTRY_COMPARE_WITH_TIMEOUT(player.pastTracks().size(), 1, 3000);
    QCOMPARE(player.pastTracks().first().file, looped);
    QVERIFY(player.isPlaying());
}

void TestPlayerPlayback::repeatNextReplaysTheSample()
{
    PlayerRig rig({ { QStringLiteral("a_90.wav"), 8 }, { QStringLiteral("b_100.wav"), 8 } });
    Player &player = *rig.player;
    player.toggleRepeat();
    player.play();
    const TrackInfo before = player.currentTrack();
    rig.events.clear();
    player.next();
    QCOMPARE(player.currentTrack().file, before.file);
    QVERIFY(player.pastTracks().isEmpty());
    QVERIFY(player.forwardTracks().isEmpty());
    QCOMPARE(rig.events, QStringList({ QStringLiteral("NewBPM"), QStringLiteral("Playing(0)") }));
    QTRY_COMPARE_WITH_TIMEOUT(player.playback().state(), VlcPlayback::Playing, 15000);
}

void TestPlayerPlayback::brokenSamplesStopTheRowWithAReason_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("onDisk");
    QTest::addColumn<bool>("repeat");
    QTest::addColumn<QString>("reason");

    const QByteArray garbage = QByteArray(5000, '\x5a') + QByteArray::number(12345);
    const QByteArray headerOnly = QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16);
    QTest::newRow("garbage") << "garbage.wav" << garbage << true << false << "not a playable audio file";
    QTest::newRow("garbage, repeat on")
        << "garbage.wav" << garbage << true << true << "not a playable audio file";
    QTest::newRow("empty") << "empty.wav" << QByteArray() << true << false << "file is empty";
    QTest::newRow("truncated header")
        << "cut.wav" << headerOnly << true << true << "not a playable audio file";
    QTest::newRow("missing") << "gone.wav" << garbage << false << false << "file not found";
}

void TestPlayerPlayback::brokenSamplesStopTheRowWithAReason()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(bool, onDisk);
    QFETCH(bool, repeat);
    QFETCH(QString, reason);

    PlayerRig rig({ { name, bytes } });
    Player &player = *rig.player;
    if (!onDisk)
        QFile::remove(rig.path(name));
    if (repeat)
        player.toggleRepeat();

    player.play();
    QTRY_VERIFY_WITH_TIMEOUT(!player.isPlaying(), 3000);
    const QString tip = rig.positionSlider.toolTip();
    QVERIFY2(tip.contains(QStringLiteral("could not be played")), qPrintable(tip));
    QVERIFY2(tip.contains(reason), qPrintable(tip));
    QCOMPARE(rig.events.last(), QStringLiteral("Stopped(0)"));
    // A few attempts, then quiet: the row does not keep drawing the broken file.
    const qsizetype attempts = rig.events.count(QStringLiteral("Playing(0)"));
    QVERIFY(attempts >= 1 && attempts <= 3);
    const QStringList settled = rig.events;
    QTest::qWait(600);
    QCOMPARE(rig.events, settled);
    QVERIFY(player.pastTracks().isEmpty());
    if (repeat) // a looping row retries its own file instead of drawing another
        QCOMPARE(rig.events.count(QStringLiteral("Playing(0)")), 3);
}

void TestPlayerPlayback::brokenSampleIsSkippedForAGoodOne()
{
    PlayerRig rig({ { QStringLiteral("good_90.wav"), 8 } });
    Player &player = *rig.player;
    const QString noise = rig.dir.writeFile(QStringLiteral("elsewhere/noise.wav"), QByteArray(3000, '\x33'));
    player.playFile(noise);
    QTRY_VERIFY_WITH_TIMEOUT(player.currentTrack().file.endsWith(QStringLiteral("good_90.wav")), 3000);
    QTRY_COMPARE_WITH_TIMEOUT(player.playback().state(), VlcPlayback::Playing, 15000);
    QVERIFY(player.isPlaying());
    QCOMPARE(player.bpm(), 90);
    // The broken sample is not filed in the history: previous() would only lead back into it.
    QVERIFY(player.pastTracks().isEmpty());
}

void TestPlayerPlayback::releaseOnThePositionSliderSeeks()
{
    PlayerRig rig({ { QStringLiteral("long.wav"), 8 } });
    Player &player = *rig.player;
    player.play();
    QTRY_COMPARE_WITH_TIMEOUT(player.playback().state(), VlcPlayback::Playing, 15000);

    QSlider &slider = rig.positionSlider;
    const int x = slider.width() * 3 / 10;
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(x, slider.height() / 2));
    QCOMPARE(slider.value(),
        QStyle::sliderValueFromPosition(slider.minimum(), slider.maximum(), x, slider.width(), false));
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(player.heardPosition() - 0.3f) < 0.05f, 2000);
}

void TestPlayerPlayback::positionWithoutMediaChangesNothing()
{
    PlayerRig rig({});
    Player &player = *rig.player;
    player.changePosition(50);
    player.play();
    QTest::qWait(100);
    QVERIFY(player.heardFile().isEmpty());
    QCOMPARE(player.heardPosition(), 0.0f);
    QCOMPARE(rig.positionSlider.toolTip(), QStringLiteral("No samples in library for this player"));
}

void TestPlayerPlayback::stopRewinds()
{
    PlayerRig rig({ { QStringLiteral("long.wav"), 8 } });
    Player &player = *rig.player;
    player.play();
    QTRY_VERIFY_WITH_TIMEOUT(rig.positionSlider.value() >= 5, 3000);

    // play() on a playing row announces it again but does not restart the sample.
    const float reached = player.heardPosition();
    player.play();
    QCOMPARE(rig.events.last(), QStringLiteral("Playing(0)"));
    QTest::qWait(100);
    QVERIFY(player.heardPosition() >= reached);

    QSignalSpy moved(&rig.positionSlider, &QAbstractSlider::valueChanged);
    player.stop();
    QCOMPARE(rig.positionSlider.value(), 0);
    QVERIFY(moved.isEmpty()); // set quietly: no seek back into libvlc
    QCOMPARE(rig.events.last(), QStringLiteral("Stopped(0)"));
    QVERIFY(!player.isPlaying());

    player.play();
    QTRY_COMPARE_WITH_TIMEOUT(player.playback().state(), VlcPlayback::Playing, 15000);
    QVERIFY(player.heardPosition() < 0.1f);
}

void TestPlayerPlayback::volumeReachesLibvlc()
{
    PlayerRig rig({ { QStringLiteral("long.wav"), 8 } });
    Player &player = *rig.player;
    // Set before anything plays, as the deck does at start.
    player.changeVolume(70);
    player.play();
    QTRY_COMPARE_WITH_TIMEOUT(player.playbackVolume(), 70, 2000);
    // The audio output takes a new volume asynchronously.
    player.changeVolume(0);
    QTRY_COMPARE_WITH_TIMEOUT(player.playbackVolume(), 0, 2000);
    player.changeVolume(99);
    QTRY_COMPARE_WITH_TIMEOUT(player.playbackVolume(), 99, 2000);
}

QTEST_MAIN(TestPlayerPlayback)
#include "tst_player_playback.moc"
