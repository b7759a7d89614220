// What a listener hears from a row on real libvlc, recorded from the audio server: samples that
// follow each other and loops that repeat leave no missing and no extra time at the seam, and the
// order heard is the order the row files in its history.
#include <algorithm>
#include <cmath>
#include <vector>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "tst_player_fixture.h"

namespace {

constexpr int kRate = 44100;

// A quiet tone with a loud burst at its first frame: each burst heard marks a sample's start.
QByteArray clickSample(double seconds)
{
    AudioGen::Pcm pcm = AudioGen::tone(seconds, 220.0, 0.05);
    for (int i = 0; i < 200; ++i) {
        const auto v = qint16(0.9 * 32767 * std::sin(2 * M_PI * 3000.0 * i / kRate));
        pcm.samples[2 * i] = pcm.samples[2 * i + 1] = v;
    }
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("x.wav"));
    AudioGen::writeWav(file, pcm);
    QFile in(file);
    in.open(QIODevice::ReadOnly);
    return in.readAll();
}

// Records the null sink's monitor as raw 16-bit stereo.
class Recording {
public:
    bool start()
    {
        parec.start(QStringLiteral("parec"),
            { QStringLiteral("-d"), QStringLiteral("ci_sink.monitor"), QStringLiteral("--raw"),
                QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"), QStringLiteral("--channels=2"),
                QStringLiteral("--latency-msec=5") });
        if (!parec.waitForStarted(3000))
            return false;
        QTest::qWait(300);
        return true;
    }

    // Frames at which a burst starts.
    std::vector<qint64> bursts()
    {
        parec.terminate();
        parec.waitForFinished(3000);
        const QByteArray raw = parec.readAllStandardOutput();
        const auto *s = reinterpret_cast<const qint16 *>(raw.constData());
        std::vector<qint64> starts;
        qint64 last = -kRate;
        for (qint64 i = 0; i < raw.size() / 4; ++i) {
            if (std::abs(int(s[2 * i])) < 16000)
                continue;
            if (i - last > kRate / 10)
                starts.push_back(i);
            last = i;
        }
        return starts;
    }

    QProcess parec;
};

bool audioServerAnswers()
{
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), { QStringLiteral("info") });
    return pactl.waitForFinished(3000) && pactl.exitCode() == 0;
}

} // namespace

class TestPlayerGapless : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        if (!audioServerAnswers())
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

    void nextSamplesFollowSeamlesslyInHistoryOrder()
    {
        PlayerRig rig({ { QStringLiteral("a.wav"), clickSample(0.5) }, { QStringLiteral("b.wav"), clickSample(0.7) } });
        Recording recording;
        QVERIFY(recording.start());
        rig.player->play();
        QTest::qWait(5000);
        rig.player->pause();
        const std::vector<qint64> starts = recording.bursts();
        QVERIFY2(starts.size() >= 6, qPrintable(QString::number(starts.size())));

        // The samples heard, in order, from the distance between their bursts.
        QStringList heard;
        for (size_t i = 1; i < starts.size(); ++i) {
            const qint64 length = starts[i] - starts[i - 1];
            if (std::abs(length - qint64(0.5 * kRate)) <= 2)
                heard << QStringLiteral("a.wav");
            else if (std::abs(length - qint64(0.7 * kRate)) <= 2)
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
};

QTEST_MAIN(TestPlayerGapless)
#include "tst_player_gapless.moc"
