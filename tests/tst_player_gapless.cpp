// What a listener hears from a row on real libvlc, recorded from the audio server: samples that
// follow each other and loops that repeat leave no missing and no extra time at the seam, and the
// order heard is the order the row files in its history.
#include <algorithm>
#include <cmath>
#include <vector>

#include <QTest>

#include "player/sampledecoder.h"
#include "support/sinkrecording.h"
#include "tst_player_fixture.h"

namespace {

constexpr int kRate = 44100;

// A quiet tone of the given length.
AudioGen::Pcm quietTone(qint64 frames)
{
    return AudioGen::tone(double(frames) / kRate, 220.0, 0.05);
}

// A loud 3 kHz burst over `frames` frames from `start` on.
void addBurst(AudioGen::Pcm &pcm, qint64 start, qint64 frames)
{
    for (qint64 i = 0; i < frames; ++i) {
        const auto v = qint16(0.9 * 32767 * std::sin(2 * M_PI * 3000.0 * double(i) / kRate));
        pcm.samples[2 * (start + i)] = pcm.samples[2 * (start + i) + 1] = v;
    }
}

// A quiet tone with a loud burst at its first frame: each burst heard marks a sample's start.
QByteArray clickSample(double seconds)
{
    AudioGen::Pcm pcm = quietTone(qint64(seconds * kRate));
    addBurst(pcm, 0, 200);
    return TestSupport::wavBytes(pcm);
}

// A song long enough to stream from disk: quiet, with a loud burst every half second, 0.49 s
// after each half second so that one straddles the end of the head. Burst k lasts 300 + 40 k
// frames: its length tells which one it is, and so where in the song the listener is.
constexpr qint64 kBurstSpacing = kRate / 2;
constexpr qint64 kBurstOffset = kRate * 49 / 100;

qint64 burstFrames(int k)
{
    return 300 + 40 * k;
}

QByteArray numberedBurstSong(qint64 frames)
{
    AudioGen::Pcm pcm = quietTone(frames);
    for (int k = 0; kBurstOffset + k * kBurstSpacing + burstFrames(k) < frames; ++k)
        addBurst(pcm, kBurstOffset + k * kBurstSpacing, burstFrames(k));
    return TestSupport::wavBytes(pcm);
}

struct Burst {
    qint64 start = 0;  // frame of the recording
    qint64 frames = 0; // from its first loud frame to its last
};

// What the null sink played, and the loud bursts in it.
class Recording {
public:
    bool start() { return m_sink.start(); }

    // Frames at which a burst starts; bursts less than `quietFrames` apart are one.
    std::vector<qint64> bursts(qint64 quietFrames = kRate / 10)
    {
        std::vector<qint64> starts;
        for (const Burst &burst : loudBursts(quietFrames))
            starts.push_back(burst.start);
        return starts;
    }

    std::vector<Burst> loudBursts(qint64 quietFrames = kRate / 10)
    {
        const std::vector<qint16> s = m_sink.stop();
        std::vector<Burst> found;
        qint64 last = -kRate;
        for (qint64 i = 0; i < qint64(s.size()) / 2; ++i) {
            if (std::abs(int(s[2 * i])) < 16000)
                continue;
            if (i - last > quietFrames)
                found.push_back({ i, 0 });
            found.back().frames = i - found.back().start + 1;
            last = i;
        }
        return found;
    }

private:
    SinkRecording m_sink;
};


} // namespace

class TestPlayerGapless : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        if (!TestSupport::audioServerAnswers())
            QSKIP("no audio server to record from");
    }

    void repeatIsSeamless()
    {
        PlayerRig rig({ { QStringLiteral("loop.wav"), clickSample(0.6) } });
        rig.player->toggleRepeat();
        Recording recording;
        QVERIFY(recording.start());
        rig.player->play();
        QTest::qWait(4000);
        rig.player->stop();
        const std::vector<qint64> starts = recording.bursts();
        QVERIFY2(starts.size() >= 5, qPrintable(QString::number(starts.size())));
        // Every pass is the file's length to the frame (a burst may be caught a frame late).
        for (size_t i = 1; i < starts.size(); ++i)
            QVERIFY2(std::abs(starts[i] - starts[i - 1] - qint64(0.6 * kRate)) <= 2,
                qPrintable(QStringLiteral("pass %1: %2 frames").arg(i).arg(starts[i] - starts[i - 1])));
    }

    void oneShotsShorterThanTheReadAheadFollowWithoutSilence_data()
    {
        QTest::addColumn<double>("seconds");
        QTest::newRow("50 ms") << 0.05;
        QTest::newRow("150 ms") << 0.15;
    }

    // The output reads about 200 ms ahead of what is heard: several one-shots are in the
    // stream before the first of them is heard, and each follows the last to the frame.
    void oneShotsShorterThanTheReadAheadFollowWithoutSilence()
    {
        QFETCH(double, seconds);
        PlayerRig rig({ { QStringLiteral("a.wav"), clickSample(seconds) }, { QStringLiteral("b.wav"), clickSample(seconds) },
            { QStringLiteral("c.wav"), clickSample(seconds) } });
        Recording recording;
        QVERIFY(recording.start());
        rig.player->play();
        QTest::qWait(2500);
        rig.player->pause();
        const std::vector<qint64> starts = recording.bursts(kRate / 100);
        const qint64 length = qint64(seconds * kRate);
        QVERIFY2(starts.size() >= size_t(2.0 / seconds), qPrintable(QString::number(starts.size())));
        for (size_t i = 1; i < starts.size(); ++i)
            QVERIFY2(std::abs(starts[i] - starts[i - 1] - length) <= 2,
                qPrintable(QStringLiteral("seam %1: %2 frames").arg(i).arg(starts[i] - starts[i - 1])));
        // Each one heard is one the row shows, in turn.
        QVERIFY2(rig.player->pastTracks().size() >= qsizetype(starts.size()) - 3,
            qPrintable(QStringLiteral("%1 heard, %2 shown").arg(starts.size()).arg(rig.player->pastTracks().size())));
    }

    void nextSamplesFollowSeamlesslyInHistoryOrder()
    {
        // Longer than libvlc reads ahead (about half a second): the sample after the next one is
        // drawn when the next one is heard, and a shorter sample would leave it no time to decode.
        PlayerRig rig({ { QStringLiteral("a.wav"), clickSample(0.8) }, { QStringLiteral("b.wav"), clickSample(1.1) } });
        Recording recording;
        QVERIFY(recording.start());
        rig.player->play();
        QTest::qWait(7500);
        rig.player->pause();
        const std::vector<qint64> starts = recording.bursts();
        QVERIFY2(starts.size() >= 6, qPrintable(QString::number(starts.size())));

        // The samples heard, in order, from the distance between their bursts.
        QStringList heard;
        for (size_t i = 1; i < starts.size(); ++i) {
            const qint64 length = starts[i] - starts[i - 1];
            if (std::abs(length - qint64(0.8 * kRate)) <= 2)
                heard << QStringLiteral("a.wav");
            else if (std::abs(length - qint64(1.1 * kRate)) <= 2)
                heard << QStringLiteral("b.wav");
            else
                QFAIL(qPrintable(QStringLiteral("seam %1: %2 frames, neither sample's length").arg(i).arg(length)));
        }
        QStringList filed;
        for (const TrackInfo &entry : rig.player->pastTracks())
            filed << QFileInfo(entry.file).fileName();
        QVERIFY2(filed.size() >= heard.size() - 1, qPrintable(filed.join(u' ') + QStringLiteral(" / ") + heard.join(u' ')));
        QCOMPARE(filed.mid(0, heard.size() - 1), heard.mid(0, heard.size() - 1));
    }

    // A song streams from disk past its first seconds without a gap or a repeat, and a seek in
    // the streamed part is heard from the frame asked for.
    void longTrackPlaysOnAndSeeks()
    {
        const qint64 length = SampleDecoder::streamAboveFrames() + 2 * kRate;
        PlayerRig rig({ { QStringLiteral("song.wav"), numberedBurstSong(length) } });
        Player &player = *rig.player;
        Recording recording;
        QVERIFY(recording.start());
        player.play();
        const double headSeconds = double(SampleDecoder::headFrames()) / kRate;
        // Seek just after a burst has been heard, well past the end of the head: a seek heard in
        // the middle of a burst would cut it short, and its length would no longer say which it is.
        const qint64 seekAfter = kBurstOffset + qint64(headSeconds * 2 + 4) * kBurstSpacing + burstFrames(40) + kRate / 50;
        QTRY_VERIFY_WITH_TIMEOUT(player.heardPosition() * double(length) >= double(seekAfter), 20000);
        player.changePosition(52);
        QTest::qWait(2500);
        QVERIFY(player.heardPosition() > 0.52f);
        player.pause();
        QCOMPARE(player.starvations(), 0);

        // Which burst each one is, from its length; a new run starts where the spacing breaks.
        QList<QList<int>> runs;
        qint64 previous = -kRate;
        for (const Burst &burst : recording.loudBursts()) {
            const int k = int(std::lround(double(burst.frames - burstFrames(0)) / 40.0));
            if (runs.isEmpty() || std::abs(burst.start - previous - kBurstSpacing) > 2)
                runs.append(QList<int>());
            runs.last().append(k);
            previous = burst.start;
        }
        QCOMPARE(runs.size(), 2);
        // Straight through the end of the head, every burst in turn...
        const int pastHead = int(headSeconds * 2) + 2;
        QVERIFY2(runs[0].size() > pastHead, qPrintable(QString::number(runs[0].size())));
        for (int i = 0; i < runs[0].size(); ++i)
            QCOMPARE(runs[0][i], i);
        // ...then from 52 % of the song on: the first burst after that point, and on in turn.
        const qint64 seekFrame = length * 52 / 100;
        const int firstAfter = int((seekFrame - kBurstOffset + kBurstSpacing - 1) / kBurstSpacing);
        QVERIFY(runs[1].size() >= 3);
        for (int i = 0; i < runs[1].size(); ++i)
            QCOMPARE(runs[1][i], firstAfter + i);
    }
};

QTEST_MAIN(TestPlayerGapless)
#include "tst_player_gapless.moc"
