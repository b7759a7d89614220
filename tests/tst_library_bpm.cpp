#include <QtTest>

#include "library/sampora.h"

// The BPM a file name carries: the last run of digits whose value lies in 51..219.
class TestLibraryBpm : public QObject {
    Q_OBJECT
private slots:
    void fromFileName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("bpm");

        QTest::newRow("later run wins") << "Loop 90 140.wav" << 140;
        QTest::newRow("run before a version") << "Beat_120_v2.mp3" << 120;
        QTest::newRow("only an out-of-range run") << "Kick 808.wav" << -1;
        QTest::newRow("just below range") << "50.mp3" << -1;
        QTest::newRow("lower bound") << "51.mp3" << 51;
        QTest::newRow("upper bound") << "219.mid" << 219;
        QTest::newRow("just above range") << "220.mid" << -1;
        QTest::newRow("leading zero") << "0120 loop.mp3" << 120;
        QTest::newRow("many leading zeros") << "00000000000000000000000090.wav" << 90;
        QTest::newRow("no digits") << "pad.wav" << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("digits glued to letters") << "drums128bpm.wav" << 128;
        QTest::newRow("bpm suffix") << "bass_95bpm.aif" << 95;
        QTest::newRow("minus sign is not part of it") << "loop -120.wav" << 120;
        QTest::newRow("qualifying run before a later big one") << "loop 128 1000.wav" << 128;
        QTest::newRow("qualifying run before a later small one") << "loop 128 take 2.wav" << 128;
        QTest::newRow("run too long for an int") << "99999999999999999999.wav" << -1;
        QTest::newRow("too long then a tempo") << "99999999999999999999 100.wav" << 100;
        QTest::newRow("tempo then too long") << "100 99999999999999999999.wav" << 100;
        QTest::newRow("mp3 digit is not a tempo") << "loop.mp3" << -1;
        QTest::newRow("digits split by a dot") << "loop 1.20.wav" << -1;
        QTest::newRow("digits split by a dot, second in range") << "v2.140.wav" << 140;
        QTest::newRow("three tempos, last wins") << "70_80_90.wav" << 90;
        QTest::newRow("zero") << "0.wav" << -1;
        QTest::newRow("extension digits count") << "loop.m100" << 100;
        QTest::newRow("non-ASCII digits are not digits") << QString::fromUtf8("loop \u0661\u0662\u0660.wav") << -1;
        QTest::newRow("fullwidth digits are not digits") << QString::fromUtf8("loop \uFF11\uFF12\uFF10.wav") << -1;
        QTest::newRow("non-ASCII around a tempo") << QString::fromUtf8("Bäss größer 112 é.wav") << 112;
        QTest::newRow("folder digits do not count") << "120 bpm/loop.wav" << -1;
        QTest::newRow("folder digits, file tempo") << "/samples/140/loop 96.wav" << 96;
    }
    void fromFileName()
    {
        QFETCH(QString, name);
        QFETCH(int, bpm);
        QCOMPARE(Sampora::bpmFromFileName(name), bpm);
    }
};

QTEST_GUILESS_MAIN(TestLibraryBpm)
#include "tst_library_bpm.moc"
