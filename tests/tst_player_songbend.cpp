// A song streamed from disk on a row that bends it, recorded from the audio server: the tempo
// slider changes what is heard, the song keeps the rate the row reports past the end of its head,
// and a seek in the bent song is heard at the place asked for.
#include <algorithm>
#include <cmath>
#include <vector>

#include <QElapsedTimer>
#include <QTest>

#include "player/sampledecoder.h"
#include "support/sinkrecording.h"
#include "tst_player_fixture.h"

namespace {

constexpr int kRate = 44100;
constexpr qint64 kBeat = kRate / 2; // the songs' 120 BPM
constexpr double kBent = 1.06;      // the tempo slider at +6
constexpr qint64 kBurstFrames = 4000;
constexpr qint64 kBurstOffset = kRate / 4;

qint64 songFrames()
{
    return SampleDecoder::streamAboveFrames() + 4 * kRate;
}

// A song long enough to stream from disk: silence with a loud burst on every beat, a quarter of
// a beat after it. Burst k sounds at 1000 + 200 x (k mod 16) Hz: its pitch, which a time-stretch
// keeps, tells where in the song the listener is.
double burstPitch(qint64 k)
{
    return 1000.0 + 200.0 * double(k % 16);
}

QByteArray burstSong()
{
    AudioGen::Pcm pcm = AudioGen::tone(double(songFrames()) / kRate, 440.0, 0.0);
    for (qint64 k = 0; kBurstOffset + k * kBeat + kBurstFrames < songFrames(); ++k) {
        for (qint64 i = 0; i < kBurstFrames; ++i) {
            const auto v = qint16(0.9 * 32767 * std::sin(2 * M_PI * burstPitch(k) * double(i) / kRate));
            const qint64 at = kBurstOffset + k * kBeat + i;
            pcm.samples[size_t(2 * at)] = pcm.samples[size_t(2 * at + 1)] = v;
        }
    }
    return TestSupport::wavBytes(pcm);
}

struct Burst {
    qint64 start = 0; // frame of the recording
    double pitch = 0; // Hz, from its zero crossings
};

// Where each burst in what the sink played starts (after 50 ms of quiet), with its pitch.
std::vector<Burst> burstsIn(const std::vector<qint16> &s)
{
    std::vector<Burst> found;
    const qint64 frames = qint64(s.size()) / 2;
    for (const qint64 start : TestSupport::onsets(s, 12000, kRate / 20)) {
        if (start + kBurstFrames >= frames)
            break;
        // The median period between rising zero crossings, clear of the burst's smeared edges:
        // a moment of silence the sink inserts on an underrun does not move it.
        std::vector<qint64> periods;
        qint64 lastRise = -1;
        for (qint64 f = start + 300; f < start + kBurstFrames - 300; ++f) {
            if (s[size_t(2 * f - 2)] < 0 && s[size_t(2 * f)] >= 0) {
                if (lastRise >= 0)
                    periods.push_back(f - lastRise);
                lastRise = f;
            }
        }
        if (periods.empty())
            continue;
        std::nth_element(periods.begin(), periods.begin() + qsizetype(periods.size() / 2), periods.end());
        found.push_back({ start, double(kRate) / double(periods[periods.size() / 2]) });
    }
    return found;
}

} // namespace

class TestPlayerSongBend : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        if (!TestSupport::audioServerAnswers())
            QSKIP("no audio server to record from");
    }

    // Played at its own speed, then the tempo slider moves: from a moment later every beat
    // lies on one grid at the rate the row reports, on through the end of the copy's held head
    // and of the song's (no gap, no beat lost or heard twice), and the row's position moves at
    // that rate.
    void sliderBendsWhatIsHeard()
    {
        const double seconds = double(songFrames()) / kRate;
        PlayerRig rig({ { QStringLiteral("song_120.wav"),
            TestSupport::wavBytes(AudioGen::clickLoop(seconds, int(seconds * 2), 3000.0, 0.9)) } });
        Player &player = *rig.player;
        SinkRecording recording;
        QVERIFY(recording.start());
        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(player.heardPosition() > 0.03f, 5000);
        rig.tempoSlider.setValue(6);
        QVERIFY(std::abs(player.playbackRate() - float(kBent)) < 1e-4f);
        QTest::qWait(2000);
        QElapsedTimer clock;
        clock.start();
        const float before = player.heardPosition();
        QTest::qWait(9000);
        const double moved = double(player.heardPosition() - before) * double(songFrames()) / kRate;
        const double elapsed = double(clock.elapsed()) / 1000.0;
        player.pause();
        QVERIFY2(std::abs(moved / elapsed - kBent) < 0.01, qPrintable(QStringLiteral("%1 s of song in %2 s").arg(moved).arg(elapsed)));
        QCOMPARE(player.starvations(), 0);

        std::vector<qint64> onsets;
        for (const Burst &burst : burstsIn(recording.stop()))
            onsets.push_back(burst.start);
        // At its own speed to the frame, then (after the two beats over which the rate changes)
        // every beat the bent beat after the one before, within 1.5 ms (the stretch's own
        // precision). The null sink inserts silence when the output underruns on a busy machine:
        // a few late beats are let pass, as the row itself never waited (no starvation above).
        size_t i = 1;
        while (i < onsets.size() && std::abs(onsets[i] - onsets[i - 1] - kBeat) <= 2)
            ++i;
        QVERIFY2(i >= 2, "never heard at its own speed");
        const size_t bent = i + 2;
        QVERIFY2(onsets.size() > bent + 18, qPrintable(QStringLiteral("%1 beats in all").arg(onsets.size())));
        int lateBeats = 0;
        for (size_t k = bent + 1; k < onsets.size(); ++k) {
            const double offMs = (double(onsets[k] - onsets[k - 1]) - kBeat / kBent) * 1000.0 / kRate;
            if (offMs > 1.5 && ++lateBeats <= 2)
                continue;
            QVERIFY2(std::abs(offMs) <= 1.5,
                qPrintable(QStringLiteral("beat %1 of %2: %3 ms off").arg(k - bent).arg(onsets.size() - bent).arg(offMs)));
        }
    }

    // A seek in a bent song: the first burst heard after it is the first one after the place
    // asked for, and the ones after it follow in turn at the bent rate.
    void seekInABentSongIsHeardThere()
    {
        PlayerRig rig({ { QStringLiteral("song_120.wav"), burstSong() } });
        Player &player = *rig.player;
        rig.tempoSlider.setValue(6);
        SinkRecording recording;
        QVERIFY(recording.start());
        player.play();
        QTest::qWait(2500);
        player.changePosition(52);
        QTest::qWait(2500);
        const float heard = player.heardPosition();
        player.pause();
        QVERIFY2(heard > 0.52f && heard < 0.52f + 3.0f * float(kBent * kRate / double(songFrames())),
            qPrintable(QString::number(heard)));
        QCOMPARE(player.starvations(), 0);

        const std::vector<Burst> bursts = burstsIn(recording.stop());
        // The seek is where the bent spacing breaks most: it moves the song by seconds, an underrun
        // of the sink by milliseconds.
        size_t seek = 1;
        const auto breakAt = [&](size_t i) { return std::abs(double(bursts[i].start - bursts[i - 1].start) - kBeat / kBent); };
        for (size_t i = 2; i < bursts.size(); ++i)
            if (breakAt(i) > breakAt(seek))
                seek = i;
        QVERIFY2(bursts.size() - seek >= 3, qPrintable(QStringLiteral("%1 bursts after the seek").arg(bursts.size() - seek)));
        // The place asked for, in the song's own frames, and the first burst at or after it.
        const double seekSourceFrame = double(songFrames()) * 52 / 100;
        const auto first = qint64(std::ceil((seekSourceFrame - double(kBurstOffset)) / double(kBeat)));
        for (size_t i = seek; i < bursts.size(); ++i) {
            const qint64 k = first + qint64(i - seek);
            QVERIFY2(std::abs(bursts[i].pitch - burstPitch(k)) < 60,
                qPrintable(QStringLiteral("burst %1 after the seek: %2 Hz, not %3").arg(i - seek).arg(bursts[i].pitch).arg(burstPitch(k))));
        }
    }
};

QTEST_MAIN(TestPlayerSongBend)
#include "tst_player_songbend.moc"
