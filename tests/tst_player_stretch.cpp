// A row plays a loop faster or slower through a stretched copy: the beats must land where the
// rate puts them, the copy must last exactly its share of time, and played around and around it
// must run on over its seam like the loop itself.
#include <cmath>
#include <memory>
#include <vector>

#include <QElapsedTimer>
#include <QTest>

#include "player/decodedsample.h"
#include "player/timestretch.h"
#include "support/sinkrecording.h"
#include "tools/audiogen.h"

namespace {

using Sample = std::shared_ptr<const DecodedSample>;

// A click starts after 50 ms of quiet.
constexpr qint64 kQuietFrames = 2206;

Sample fromPcm(const AudioGen::Pcm &pcm)
{
    auto sample = std::make_shared<DecodedSample>();
    sample->file = QStringLiteral("loop.wav");
    sample->samples.assign(pcm.samples.begin(), pcm.samples.end());
    return sample;
}

} // namespace

class TestPlayerStretch : public QObject {
    Q_OBJECT

private slots:
    void beatsLandWhereTheRatePutsThem_data()
    {
        QTest::addColumn<double>("rate");
        QTest::addColumn<double>("pitch");
        QTest::newRow("faster") << 1.0684 << 3000.0;
        QTest::newRow("slower") << 0.9366 << 3000.0;
        QTest::newRow("much slower") << 0.84 << 3000.0;
        QTest::newRow("much faster") << 1.19 << 3000.0;
        QTest::newRow("a little faster, low") << 1.0122 << 1200.0;
        QTest::newRow("a little slower, low") << 0.9861 << 1200.0;
        QTest::newRow("one") << 1.0 << 1200.0;
    }
    void beatsLandWhereTheRatePutsThem()
    {
        QFETCH(double, rate);
        QFETCH(double, pitch);
        // Two bars at 95 BPM, a click on every beat.
        const int clicks = 8;
        const double seconds = clicks * 60.0 / 95;
        const int level = int(32767 * 0.5);
        const Sample source = fromPcm(AudioGen::clickLoop(seconds, clicks, pitch, 0.5));
        const Sample stretched = TimeStretch::stretch(source, rate);
        QVERIFY(stretched);
        QCOMPARE(stretched->frames(), qint64(std::llround(double(source->frames()) / rate)));
        QCOMPARE(stretched->rate, rate);
        QCOMPARE(stretched->original().frames(), source->frames());

        std::vector<qint16> played;
        for (int pass = 0; pass < 3; ++pass)
            played.insert(played.end(), stretched->samples.begin(), stretched->samples.end());
        // Three passes back to back, as a repeating row plays them: every beat within 2 ms of its
        // place, and nothing else (a beat smeared a little ahead of a seam counts as the next one).
        const double beatFrames = double(source->frames()) / clicks / rate;
        const std::vector<qint64> found = TestSupport::onsets(played, level / 2, kQuietFrames);
        std::vector<bool> heard(size_t(3 * clicks + 1), false);
        for (qint64 frame : found) {
            const qint64 beat = qint64(std::llround(double(frame) / beatFrames));
            const double errorMs = std::abs(double(frame) - double(beat) * beatFrames) * 1000.0 / 44100;
            QVERIFY2(errorMs <= 2.0, qPrintable(QStringLiteral("beat %1 heard %2 ms off").arg(beat).arg(errorMs)));
            QVERIFY2(beat <= 3 * clicks && !heard[size_t(beat)], qPrintable(QStringLiteral("beat %1 heard twice").arg(beat)));
            heard[size_t(beat)] = true;
        }
        for (int beat = 0; beat < 3 * clicks; ++beat)
            QVERIFY2(heard[size_t(beat)], qPrintable(QStringLiteral("beat %1 missing").arg(beat)));
    }
};

QTEST_GUILESS_MAIN(TestPlayerStretch)
#include "tst_player_stretch.moc"
