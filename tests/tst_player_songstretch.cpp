// A song streamed from disk plays faster or slower through a copy stretched as it streams: its
// beats land where the rate puts them from its start, past the end of the copy's held head, after
// a jump into the middle and after a repeat, and the join where the head ends is not heard.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include <QTemporaryDir>
#include <QTest>

#include "player/sampledecoder.h"
#include "player/timestretch.h"
#include "support/sinkrecording.h"
#include "tools/audiogen.h"

namespace {

constexpr int kRate = 44100;
constexpr double kBeatFrames = kRate / 2.0; // 120 BPM
constexpr int kLevel = int(32767 * 0.5);

using Sample = std::shared_ptr<const DecodedSample>;

// Reads like the stream's read side; where the stream would play silence because the worker
// is behind, this reader waits for it (the recorded tests catch a worker that is too slow).
std::vector<qint16> readFrames(const DecodedSample &sample, qint64 from, qint64 count)
{
    std::vector<qint16> pcm(size_t(count) * 2);
    qint64 done = 0;
    for (int waits = 0; done < count && waits < 5000;) {
        const qint64 got = sample.copy(pcm.data() + done * 2, from + done, std::min<qint64>(1024, count - done));
        if (got == 0) {
            ++waits;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        done += got;
    }
    pcm.resize(size_t(done) * 2);
    return pcm;
}

} // namespace

class TestPlayerSongStretch : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }
    qint64 songFrames() const { return SampleDecoder::streamAboveFrames() + 4 * kRate; }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const double seconds = double(songFrames()) / kRate;
        QVERIFY(AudioGen::writeWav(path("clicks.wav"), AudioGen::clickLoop(seconds, int(seconds * 2), 3000.0, 0.5)));
        QVERIFY(AudioGen::writeWav(path("tone.wav"), AudioGen::tone(seconds, 440.0, 0.5)));
    }

    // Every beat within 1.5 ms of frame k x beat / rate of the copy, and none missing: from the
    // start across the head's end, from the middle (a seek, a change of rate), and again from the
    // start (a repeat), where the worker starts over behind the held head.
    void beatsLandWhereTheRatePutsThem_data()
    {
        QTest::addColumn<double>("rate");
        QTest::newRow("faster") << 1.05;
        QTest::newRow("slower") << 0.93;
    }
    void beatsLandWhereTheRatePutsThem()
    {
        QFETCH(double, rate);
        const Sample song = SampleDecoder::load(path("clicks.wav"), nullptr);
        QVERIFY(song && song->streamed());
        const Sample copy = TimeStretch::stretch(song, rate);
        QVERIFY(copy && copy->streamed() && copy.get() != song.get());
        QCOMPARE(copy->rate, rate);
        QCOMPARE(copy->frames(), TimeStretch::stretchedFrames(song->frames(), rate));
        QCOMPARE(&copy->original(), song.get());
        // Another rate for the copy heard: made again from the file, not from the copy.
        QCOMPARE(TimeStretch::stretch(copy, 1.0).get(), song.get());

        const double beat = kBeatFrames / rate;
        const qint64 middle = copy->frames() / 2 + 1234;
        for (const auto &[from, seconds] : { std::pair { 0LL, 12LL }, { middle, 4LL }, { 0LL, 6LL } }) {
            copy->prepare(from);
            const std::vector<qint16> pcm = readFrames(*copy, from, seconds * kRate);
            QCOMPARE(qint64(pcm.size()), 2 * seconds * kRate);
            const std::vector<qint64> found = TestSupport::onsets(pcm, kLevel / 2, kRate / 20);
            const qint64 first = qint64(std::ceil(double(from) / beat - 0.01));
            const qint64 last = qint64(std::floor(double(from + seconds * kRate - 1) / beat));
            QCOMPARE(qint64(found.size()), last - first + 1);
            for (size_t i = 0; i < found.size(); ++i) {
                const double errorMs = (double(from + found[i]) - double(first + qint64(i)) * beat) * 1000.0 / kRate;
                QVERIFY2(std::abs(errorMs) <= 1.5,
                    qPrintable(QStringLiteral("from %1: beat %2 is %3 ms off").arg(from).arg(first + qint64(i)).arg(errorMs)));
            }
        }
    }

    // A steady tone stays steady where the held head hands over to the stretched stream: no
    // dip, no jump (measured over 2 ms windows around the join, on the first pass and after a
    // repeat, when the worker starts over there).
    void headJoinIsNotHeard()
    {
        const Sample song = SampleDecoder::load(path("tone.wav"), nullptr);
        const Sample copy = TimeStretch::stretch(song, 1.07);
        QVERIFY(copy && copy->streamed());
        const qint64 join = copy->body->firstFrame();
        for (int pass = 0; pass < 2; ++pass) {
            const std::vector<qint16> pcm = readFrames(*copy, 0, join + kRate / 2);
            QCOMPARE(qint64(pcm.size()) / 2, join + kRate / 2);
            constexpr qint64 kWindow = kRate / 500;
            int worstStep = 0;
            for (qint64 f = join - kRate / 4; f < join + kRate / 4; ++f)
                worstStep = std::max(worstStep, std::abs(pcm[size_t(2 * f + 2)] - pcm[size_t(2 * f)]));
            // A 440 Hz sine at half scale moves at most ~1000 per frame.
            QVERIFY2(worstStep < 1400, qPrintable(QString::number(worstStep)));
            for (qint64 w = join - kRate / 4; w < join + kRate / 4; w += kWindow) {
                double sum = 0;
                for (qint64 f = w; f < w + kWindow; ++f)
                    sum += double(pcm[size_t(2 * f)]) * pcm[size_t(2 * f)];
                const double rms = std::sqrt(sum / kWindow) / 32768.0;
                QVERIFY2(std::abs(rms - 0.5 / std::sqrt(2.0)) < 0.06,
                    qPrintable(QStringLiteral("pass %1, %2 frames from the join: rms %3").arg(pass).arg(w - join).arg(rms)));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestPlayerSongStretch)
#include "tst_player_songstretch.moc"
