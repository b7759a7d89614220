#include <QtTest>

#include <cmath>
#include <optional>

#include "tempo/temporatio.h"

// The ratio a pair of tempos is bent toward, and how it is split between the two sides.
class TestTempoRatio : public QObject {
    Q_OBJECT
private slots:
    void ratio_data()
    {
        // clang-format off
        QTest::addColumn<int>("bpm1");
        QTest::addColumn<int>("bpm2");
        QTest::addColumn<double>("expected");

        // 2B / A is exactly 1: already in a 1:2 ratio.
        QTest::newRow("120/60 double time") << 120 << 60 << 1.0;
        QTest::newRow("90/140 near 2:3") << 90 << 140 << 280.0 / 270.0;
        QTest::newRow("100/130 2:3 beats 1:1") << 100 << 130 << 260.0 / 300.0;
        QTest::newRow("100/70 3:2 beats 0.7") << 100 << 70 << 1.05;
        QTest::newRow("equal tempos") << 128 << 128 << 1.0;
        QTest::newRow("quarter") << 100 << 401 << 401.0 / 400.0;
        QTest::newRow("third") << 60 << 181 << 181.0 / 180.0;
        QTest::newRow("three times") << 180 << 61 << 183.0 / 180.0;
        QTest::newRow("four times") << 200 << 51 << 204.0 / 200.0;

        // Equally near: the earlier candidate stays. B/A = 0.8 and 3B/(2A) = 1.2 are both
        // 0.2 away from 1; B/(2A) = 6/7 and 2B/(3A) = 8/7 are both 1/7 away.
        QTest::newRow("tie B/A against 3B/2A") << 100 << 80 << 0.8;
        QTest::newRow("tie B/2A against 2B/3A") << 70 << 120 << 6.0 / 7.0;
        QTest::newRow("tie at other tempos") << 105 << 180 << 6.0 / 7.0;

        // The bounds themselves are accepted, anything beyond them leaves the rate alone.
        QTest::newRow("lower bound 4B/A = 0.8") << 100 << 20 << 0.8;
        QTest::newRow("below lower bound") << 100 << 19 << 1.0;
        QTest::newRow("upper bound B/4A = 2.5") << 21 << 210 << 2.5;
        QTest::newRow("above upper bound") << 21 << 211 << 1.0;
        // More than four times apart: parked at 5.0, a candidate exactly as far does not
        // replace it, and 5.0 is out of bounds.
        QTest::newRow("twenty times apart") << 10 << 200 << 1.0;
        QTest::newRow("B/A distance exactly 3") << 100 << 400 << 1.0;

        // Unusable tempos.
        QTest::newRow("B below 1") << 100 << 0 << 1.0;
        QTest::newRow("B negative") << 100 << -1 << 1.0;
        QTest::newRow("A below 1") << 0 << 100 << 1.0;
        QTest::newRow("A negative") << -90 << 100 << 1.0;
        QTest::newRow("both 1") << 1 << 1 << 1.0;
        // clang-format on
    }
    void ratio()
    {
        QFETCH(int, bpm1);
        QFETCH(int, bpm2);
        QFETCH(double, expected);
        QCOMPARE(TempoRatio::tempoRatio(bpm1, bpm2), float(expected));
        // The same rule on real tempos picks the same multiple for whole ones, ties included.
        const std::optional<TempoRatio::Multiple> m = TempoRatio::nearestMultiple(bpm1, bpm2);
        QCOMPARE(m ? float(m->ratio(bpm1, bpm2)) : 1.0f, float(expected));
    }

    void ratioOfRealTempos_data()
    {
        QTest::addColumn<double>("bpm1");
        QTest::addColumn<double>("bpm2");
        QTest::addColumn<double>("expected");
        // clang-format off
        // B/A and 3B/(2A) are equally near at B = 0.8 A; a hair either side decides.
        QTest::newRow("a hair above the B/A - 3B/2A tie") << 100.0 << 80.0001 << 80.0001 / 100.0;
        QTest::newRow("a hair below it") << 100.0 << 79.9999 << 1.5 * 79.9999 / 100.0;
        QTest::newRow("matched tempo against a new one") << 137.4773 << 100.0 << 300.0 / (2 * 137.4773);
        QTest::newRow("a hair past the upper bound") << 20.9999 << 210.0 << 0.0; // B/(4A) > 2.5
        QTest::newRow("not a number") << std::nan("") << 100.0 << 0.0;
        QTest::newRow("infinite") << 100.0 << HUGE_VAL << 0.0;
        QTest::newRow("below 1") << 0.5 << 100.0 << 0.0;
        // clang-format on
    }
    void ratioOfRealTempos()
    {
        QFETCH(double, bpm1);
        QFETCH(double, bpm2);
        QFETCH(double, expected);
        const std::optional<TempoRatio::Multiple> m = TempoRatio::nearestMultiple(bpm1, bpm2);
        if (expected == 0.0) {
            QVERIFY(!m);
            return;
        }
        QVERIFY(m);
        QCOMPARE(m->ratio(bpm1, bpm2), expected);
    }

    void largeTemposDoNotOverflow()
    {
        QCOMPARE(
            TempoRatio::tempoRatio(std::numeric_limits<int>::max(), std::numeric_limits<int>::max()), 1.0f);
        QCOMPARE(TempoRatio::tempoRatio(1, std::numeric_limits<int>::max()), 1.0f);
        QCOMPARE(TempoRatio::tempoRatio(std::numeric_limits<int>::max() / 2, std::numeric_limits<int>::max()),
            1.0f);
    }

    void split_data()
    {
        // clang-format off
        QTest::addColumn<double>("ratio");
        QTest::addColumn<double>("earlier");
        QTest::addColumn<double>("later");
        QTest::newRow("no change") << 1.0 << 1.0 << 1.0;
        QTest::newRow("later four times faster") << 2.25 << 1.5 << 1.0 / 1.5;
        QTest::newRow("later slower") << 0.81 << 0.9 << 1.0 / 0.9;
        QTest::newRow("90/140") << 280.0 / 270.0 << 1.0183501544346312 << 0.9819805060619656;
        // clang-format on
    }
    void split()
    {
        QFETCH(double, ratio);
        QFETCH(double, earlier);
        QFETCH(double, later);
        const TempoRatio::RateSplit s = TempoRatio::splitRatio(ratio);
        QCOMPARE(s.earlier, earlier);
        QCOMPARE(s.later, later);
        // The earlier side ends exactly `ratio` times as fast as the later one, compared with before.
        QCOMPARE(s.earlier / s.later, ratio);
    }
};

QTEST_GUILESS_MAIN(TestTempoRatio)
#include "tst_tempo_ratio.moc"
