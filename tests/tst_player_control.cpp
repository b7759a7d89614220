// What a row does when the deck, the tempo controller and the user drive it: history,
// hold and hidden rows, play rates read back from libvlc, and the order of its signals.
#include <QLoggingCategory>
#include <QTest>

#include "engine/vlcplayback.h"
#include "tst_player_fixture.h"

namespace {

// Long enough that no sample ends by itself while a test runs.
QList<PlayerRig::Sample> longSamples(int count)
{
    QList<PlayerRig::Sample> samples;
    for (int i = 0; i < count; ++i)
        samples.append({ QStringLiteral("loop%1_%2.wav").arg(QChar(u'a' + i)).arg(80 + i), 20.0 });
    return samples;
}

QStringList files(const QList<TrackInfo> &history)
{
    QStringList out;
    for (const TrackInfo &entry : history)
        out << entry.file;
    return out;
}

} // namespace

class TestPlayerControl : public QObject {
    Q_OBJECT

private slots:
    void constructionLoadsWithoutPlaying();
    void previousAndNextWalkTheHistory();
    void historyKeepsTheLatest999();
    void heldRowStaysSilentUntilReleased();
    void disabledRowIgnoresPlayAndThrowsOnTrackInfo();
    void playRates_data();
    void playRates();
    void tempoSliderStepsPauseAndResume();
    void noSamplesForTheGenre_data();
    void noSamplesForTheGenre();
    void restartsKeepTheSamplesOwnTempo();
    void positionSliderIsTheUsersWhileHeld();
    void givenFileStaysAfterStop_data();
    void givenFileStaysAfterStop();
};

void TestPlayerControl::constructionLoadsWithoutPlaying()
{
    PlayerRig rig({ { QStringLiteral("only_95.wav"), 20.0 } });
    Player &player = *rig.player;
    QCOMPARE(player.currentTrack().file, rig.path(QStringLiteral("only_95.wav")));
    QCOMPARE(player.bpm(), 95);
    QCOMPARE(player.currentTrack().bpm, 95);
    QCOMPARE(player.currentTrack().baseBpm, 95);
    QCOMPARE(
        rig.positionSlider.toolTip(), QStringLiteral("Playing: ") + rig.path(QStringLiteral("only_95.wav")));
    QVERIFY(!player.isPlaying());
    QTest::qWait(300);
    QVERIFY(player.playback().state() != VlcPlayback::Playing);
    QVERIFY(rig.events.isEmpty());

    // Drawn at construction, a sample without a BPM counts as 1 everywhere.
    PlayerRig plain({ { QStringLiteral("hit.wav"), 20.0 } });
    QCOMPARE(plain.player->bpm(), 1);
    QCOMPARE(plain.player->currentTrack().bpm, 1);
    QCOMPARE(plain.player->currentTrack().baseBpm, 1);
}

void TestPlayerControl::previousAndNextWalkTheHistory()
{
    PlayerRig rig(longSamples(8));
    Player &player = *rig.player;
    const QString s1 = player.currentTrack().file;
    player.next();
    const QString s2 = player.currentTrack().file;
    player.next();
    const QString s3 = player.currentTrack().file;
    QCOMPARE(files(player.pastTracks()), QStringList({ s1, s2 }));
    QVERIFY(player.isPlaying());

    player.previous();
    QCOMPARE(player.currentTrack().file, s2);
    QCOMPARE(files(player.pastTracks()), QStringList({ s1 }));
    QCOMPARE(files(player.forwardTracks()), QStringList({ s3 }));

    player.previous();
    QCOMPARE(player.currentTrack().file, s1);
    QVERIFY(player.pastTracks().isEmpty());
    QCOMPARE(files(player.forwardTracks()), QStringList({ s3, s2 }));

    // Nothing behind: nothing happens, not even a pause.
    rig.events.clear();
    player.previous();
    QCOMPARE(player.currentTrack().file, s1);
    QVERIFY(rig.events.isEmpty());
    QVERIFY(player.isPlaying());

    player.next();
    QCOMPARE(player.currentTrack().file, s2);
    player.next();
    QCOMPARE(player.currentTrack().file, s3);
    QVERIFY(player.forwardTracks().isEmpty());
    player.next();
    QCOMPARE(files(player.pastTracks()), QStringList({ s1, s2, s3 }));

    // Coming back, a sample brings its recorded BPM along; libvlc plays what the row shows.
    player.previous();
    QCOMPARE(player.currentTrack().file, s3);
    QCOMPARE(player.bpm(), Sampora::bpmFromFileName(s3));
    QTRY_COMPARE_WITH_TIMEOUT(player.playback().state(), VlcPlayback::Playing, 15000);
    QTRY_COMPARE_WITH_TIMEOUT(player.heardFile(), s3, 2000);
}

void TestPlayerControl::historyKeepsTheLatest999()
{
    PlayerRig rig(longSamples(3));
    Player &player = *rig.player;
    // Two thousand samples' worth of debug lines would bury the test's own output.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    QString beforeLast;
    for (int i = 0; i < 1000; ++i) {
        beforeLast = player.currentTrack().file;
        player.next();
    }
    QCOMPARE(player.pastTracks().size(), 999);
    QCOMPARE(player.pastTracks().last().file, beforeLast);
    for (int i = 0; i < 1000; ++i)
        player.previous();
    QLoggingCategory::setFilterRules(QString());
    QCOMPARE(player.forwardTracks().size(), 999);
    QVERIFY(player.pastTracks().isEmpty());
}

void TestPlayerControl::heldRowStaysSilentUntilReleased()
{
    PlayerRig rig(longSamples(3));
    Player &player = *rig.player;
    rig.holdBox.setChecked(true);
    QCOMPARE(rig.events, QStringList({ QStringLiteral("Stopped(0)") }));

    rig.events.clear();
    player.play();
    QVERIFY(rig.events.isEmpty());
    QTest::qWait(300);
    QVERIFY(player.playback().state() != VlcPlayback::Playing);

    // next() on a held row changes its sample and leaves it held: silent, not announced.
    player.next();
    QCOMPARE(player.pastTracks().size(), 1);
    QCOMPARE(rig.events, QStringList({ QStringLiteral("NewBPM") }));
    QTest::qWait(300);
    QVERIFY(player.playback().state() != VlcPlayback::Playing);
    QVERIFY(!player.isPlaying());
    QVERIFY(rig.holdBox.isChecked());

    rig.events.clear();
    rig.holdBox.setChecked(false);
    QCOMPARE(rig.events, QStringList({ QStringLiteral("Playing(0)") }));
    QVERIFY(player.isPlaying());
}

void TestPlayerControl::disabledRowIgnoresPlayAndThrowsOnTrackInfo()
{
    PlayerRig rig({ { QStringLiteral("short_90.wav"), 0.4 }, { QStringLiteral("other_100.wav"), 0.4 } });
    Player &player = *rig.player;
    QCOMPARE(player.trackInfo().file, player.currentTrack().file);

    player.disabled = true;
    player.play();
    rig.holdBox.setChecked(true);
    rig.holdBox.setChecked(false);
    QVERIFY(rig.events.isEmpty());
    QVERIFY(!player.isPlaying());
    QVERIFY_THROWS_EXCEPTION(int, player.trackInfo());
    try {
        player.trackInfo();
    } catch (int code) {
        QCOMPARE(code, 0);
    }

    player.pause();
    QCOMPARE(rig.events, QStringList({ QStringLiteral("Stopped(0)") }));

    // A hidden row that is sent on plays its new sample once and does not move on by itself.
    rig.events.clear();
    player.next();
    QCOMPARE(rig.events, QStringList({ QStringLiteral("NewBPM") }));
    QTest::qWait(1500);
    QCOMPARE(player.pastTracks().size(), 1);
    QVERIFY(player.isPlaying());
}

void TestPlayerControl::playRates_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("slider");
    QTest::addColumn<QList<float>>("changes");
    QTest::addColumn<float>("libvlcRate");
    QTest::addColumn<float>("trackRate");
    QTest::addColumn<int>("currentBpm");
    QTest::addColumn<int>("trackBpm");
    QTest::addColumn<int>("baseBpm");
    QTest::addColumn<bool>("newBpm");

    QTest::newRow("90 BPM") << "beat_90.wav" << 0 << QList<float> {} << 1.0f << 1.0f << 90 << 90 << 90
                            << true;
    QTest::newRow("slider +5") << "beat_90.wav" << 5 << QList<float> {} << 1.05f << 1.0f << 90 << 94 << 90
                               << true;
    QTest::newRow("slider -16") << "beat_90.wav" << -16 << QList<float> {} << 0.84f << 1.0f << 90 << 75 << 90
                                << true;
    QTest::newRow("slider -7, exact integer BPM")
        << "beat_100.wav" << -7 << QList<float> {} << 0.93f << 1.0f << 100 << 93 << 100 << true;
    QTest::newRow("controller +0.1") << "beat_90.wav" << 0 << QList<float> { 0.1f } << 1.1f << 1.1f << 99
                                     << 90 << 90 << true;
    QTest::newRow("controller twice, not compounded")
        << "beat_90.wav" << 0 << QList<float> { 0.1f, 0.1f } << 1.2f << 1.2f << 108 << 90 << 90 << true;
    QTest::newRow("controller down to 0.9")
        << "beat_100.wav" << 0 << QList<float> { -0.1f } << 0.9f << 0.9f << 90 << 100 << 100 << true;
    QTest::newRow("controller and slider")
        << "beat_90.wav" << 5 << QList<float> { 0.1f } << 1.15f << 1.1f << 99 << 94 << 90 << true;
    QTest::newRow("below 0.5 restarts from 1.0")
        << "beat_90.wav" << 0 << QList<float> { -0.7f, 0.1f } << 1.1f << 1.1f << 99 << 90 << 90 << true;
    QTest::newRow("no BPM") << "hit.wav" << 0 << QList<float> {} << 1.0f << 1.0f << 1 << -1 << -1 << false;
    QTest::newRow("no BPM ignores the slider")
        << "hit.wav" << 8 << QList<float> {} << 1.0f << 1.0f << 1 << -1 << -1 << false;
    QTest::newRow("no BPM ignores the controller")
        << "hit.wav" << 8 << QList<float> { 0.2f } << 1.0f << 1.2f << 1 << -1 << -1 << false;
}

void TestPlayerControl::playRates()
{
    QFETCH(QString, name);
    QFETCH(int, slider);
    QFETCH(QList<float>, changes);
    QFETCH(float, libvlcRate);
    QFETCH(float, trackRate);
    QFETCH(int, currentBpm);
    QFETCH(int, trackBpm);
    QFETCH(int, baseBpm);
    QFETCH(bool, newBpm);

    PlayerRig rig({ { name, 20.0 } });
    Player &player = *rig.player;
    rig.tempoSlider.setValue(slider);
    rig.events.clear();
    player.next(); // draws the only sample again, with the BPM the library reads from its name

    QCOMPARE(rig.events.contains(QStringLiteral("NewBPM")), newBpm);
    for (float change : changes)
        player.adjustRate(change);

    QCOMPARE(player.currentTrack().bpm, trackBpm);
    QCOMPARE(player.currentTrack().baseBpm, baseBpm);
    QCOMPARE(player.bpm(), currentBpm);
    QVERIFY2(qAbs(player.currentTrack().rate - trackRate) < 1e-4f,
        qPrintable(QString::number(player.currentTrack().rate)));
    QVERIFY2(
        qAbs(player.playbackRate() - libvlcRate) < 1e-4f, qPrintable(QString::number(player.playbackRate())));
    QTRY_COMPARE_WITH_TIMEOUT(player.playback().state(), VlcPlayback::Playing, 15000);
    QVERIFY(qAbs(player.playbackRate() - libvlcRate) < 1e-4f);
}

void TestPlayerControl::tempoSliderStepsPauseAndResume()
{
    PlayerRig rig({ { QStringLiteral("beat_90.wav"), 20.0 } });
    Player &player = *rig.player;
    player.play();
    player.adjustRate(0.1f);
    rig.events.clear();

    rig.tempoSlider.setValue(3);
    QCOMPARE(rig.events, QStringList({ QStringLiteral("Stopped(0)"), QStringLiteral("Playing(0)") }));
    QVERIFY(qAbs(player.playbackRate() - 1.13f) < 1e-4f);
    rig.tempoSlider.setValue(-2);
    QVERIFY(qAbs(player.playbackRate() - 1.08f) < 1e-4f);
    // The slider never leaks into the controller's factor or the compared BPM.
    QVERIFY(qAbs(player.currentTrack().rate - 1.1f) < 1e-4f);
    QCOMPARE(player.bpm(), 99);

    // A new sample starts at the controller's neutral rate plus the slider.
    player.next();
    QVERIFY(qAbs(player.playbackRate() - 0.98f) < 1e-4f);
    QCOMPARE(player.currentTrack().bpm, 88);

    // Signal order when the row starts a sample with a BPM, and when it comes back to one.
    rig.events.clear();
    player.next();
    QCOMPARE(rig.events, QStringList({ QStringLiteral("NewBPM"), QStringLiteral("Playing(0)") }));
    rig.events.clear();
    player.previous();
    QCOMPARE(rig.events,
        QStringList(
            { QStringLiteral("Stopped(0)"), QStringLiteral("NewBPM"), QStringLiteral("Playing(0)") }));
    rig.events.clear();
    player.play();
    QCOMPARE(rig.events, QStringList({ QStringLiteral("Playing(0)") }));
}

void TestPlayerControl::noSamplesForTheGenre_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("tip");
    QTest::newRow("melody") << int(Melody) << "No samples in the Melody library for this Genre";
    QTest::newRow("beat") << int(Beat) << "No samples in the Beat/Effects library for this Genre";
    QTest::newRow("bass") << int(Bass) << "No samples in the Beat/Bass library for this Genre";
    QTest::newRow("other") << 7 << "No samples in the unknown library for this Genre";
}

void TestPlayerControl::noSamplesForTheGenre()
{
    QFETCH(int, type);
    QFETCH(QString, tip);

    // The folder holds samples of another type only.
    PlayerRig rig({ { QStringLiteral("x_90.wav"), 20.0 } }, type == Bass ? Melody : Bass);
    Player &player = *rig.player;
    player.setSampleType(type);
    player.play();
    const TrackInfo kept = player.currentTrack();
    rig.events.clear();

    player.next();
    QCOMPARE(rig.positionSlider.toolTip(), tip);
    QCOMPARE(rig.events, QStringList({ QStringLiteral("Stopped(0)") }));
    QVERIFY(!player.isPlaying());
    QCOMPARE(player.currentTrack().file, kept.file);
    // The kept sample is filed once more, as the row had moved on.
    QCOMPARE(files(player.pastTracks()), QStringList({ kept.file }));
}

void TestPlayerControl::restartsKeepTheSamplesOwnTempo()
{
    PlayerRig rig(longSamples(3));
    Player &player = *rig.player;
    const int own = player.currentTrack().baseBpm;
    player.play();

    // A matched loop restarted with next() (repeat on) starts again from its file's BPM,
    // however often it is pressed.
    player.toggleRepeat();
    player.adjustRate(0.1f);
    QVERIFY(player.bpm() != own);
    player.next();
    player.next();
    QCOMPARE(player.currentTrack().baseBpm, own);
    QCOMPARE(player.bpm(), own);
    player.toggleRepeat();

    // Walking the history with the tempo slider moved brings each sample back at its own BPM,
    // scaled once by the slider, not again at every step.
    rig.tempoSlider.setValue(5);
    player.next();
    const TrackInfo second = player.currentTrack();
    for (int i = 0; i < 3; ++i) {
        player.previous();
        QCOMPARE(player.currentTrack().baseBpm, own);
        QCOMPARE(player.currentTrack().bpm, own * 105 / 100);
        player.next();
        QCOMPARE(player.currentTrack().file, second.file);
        QCOMPARE(player.currentTrack().baseBpm, second.baseBpm);
    }
}

void TestPlayerControl::positionSliderIsTheUsersWhileHeld()
{
    PlayerRig rig(longSamples(1));
    Player &player = *rig.player;
    player.play();
    QTRY_VERIFY_WITH_TIMEOUT(!player.heardFile().isEmpty(), 3000);

    // Pressed on the groove and dragged: the poll leaves the handle alone and nothing seeks.
    QSlider &slider = rig.positionSlider;
    QTest::mousePress(&slider, Qt::LeftButton, {}, QPoint(slider.width() / 2, slider.height() / 2));
    slider.setValue(80);
    QTest::qWait(300);
    QCOMPARE(slider.value(), 80);
    QVERIFY(player.heardPosition() < 0.2f);

    // Released, it seeks once to where the mouse let go.
    const int x = slider.width() * 6 / 10;
    QTest::mouseRelease(&slider, Qt::LeftButton, {}, QPoint(x, slider.height() / 2));
    QTRY_VERIFY_WITH_TIMEOUT(qAbs(player.heardPosition() - 0.6f) < 0.05f, 2000);
}

void TestPlayerControl::givenFileStaysAfterStop_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("stopAfterLoading");
    QTest::addColumn<bool>("onBarLine");
    // The file takes a while to decode (a MIDI song goes through the synthesizer): the row starts
    // before its first frame is there.
    QTest::newRow("load, stop, play (Open Mix)") << "given_120.mid" << true << false;
    // Another row plays: this one joins on its bar line, silent until then.
    QTest::newRow("stop, load, play on a bar line") << "given_120.wav" << false << true;
}

// A file given to a stopped row is what it plays from then on, however the row was moving on
// before: nothing it had drawn or planned ahead takes over, neither at once nor when what it
// played before would have ended.
void TestPlayerControl::givenFileStaysAfterStop()
{
    QFETCH(QString, name);
    QFETCH(bool, stopAfterLoading);
    QFETCH(bool, onBarLine);
    PlayerRig rig({ { QStringLiteral("a_100.wav"), 0.3 }, { QStringLiteral("b_110.wav"), 0.3 } });
    Player &player = *rig.player;
    // Kept outside the library, so that the row has never decoded it.
    const QString given = rig.dir.filePath(name);
    if (name.endsWith(QStringLiteral(".mid")))
        QVERIFY(AudioGen::writeMidi(given, 120, 8, { { 0, 57, 100, 0.0, 8.0 } }));
    else
        QVERIFY(AudioGen::writeWav(given, AudioGen::tone(4.0, 440.0, 0.3)));
    player.play();
    QTRY_VERIFY_WITH_TIMEOUT(player.pastTracks().size() >= 3, 5000); // both samples decoded, one drawn ahead

    const double barLine = Player::wallClockMs() + 1500;
    if (onBarLine)
        player.setBarLineFinder([barLine](double earliest) { return earliest <= barLine ? barLine : -1.0; });
    player.stop();
    player.setBpm(120);
    player.playFile(given);
    player.adjustRate(0.1f);
    if (stopAfterLoading)
        player.stop();
    player.play();

    QTest::qWait(3000); // past the bar line and past the end of the sample that played before
    QCOMPARE(player.currentTrack().file, given);
    QCOMPARE(player.heardFile(), given);
    QVERIFY2(qAbs(player.playbackRate() - 1.1f) < 1e-4f, qPrintable(QString::number(player.playbackRate())));
}

QTEST_MAIN(TestPlayerControl)
#include "tst_player_control.moc"
