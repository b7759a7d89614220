#include <QtTest>

#include "dialogs/mixexport.h"

// Names of the copies and the text of the info file of a saved mix.
class TestSaveNames : public QObject {
    Q_OBJECT
private slots:
    void copyName_data()
    {
        // clang-format off
        QTest::addColumn<int>("slot");
        QTest::addColumn<int>("bpm");
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("expected");
        QTest::newRow("wav with bpm") << 1 << 90 << "/data/music/loop 90.wav" << "MyBeats_1_90BPM.wav";
        QTest::newRow("bpm 0") << 2 << 0 << "/data/music/pad.wav" << "MyBeats_2.wav";
        QTest::newRow("bpm negative") << 2 << -1 << "/data/music/pad.wav" << "MyBeats_2.wav";
        // A player keeps 1 for a sample drawn without a BPM; 20 and below are no usable BPM.
        QTest::newRow("bpm 1") << 2 << 1 << "/data/music/pad.wav" << "MyBeats_2.wav";
        QTest::newRow("bpm 20") << 2 << 20 << "/data/music/pad 20.wav" << "MyBeats_2.wav";
        QTest::newRow("bpm 21") << 2 << 21 << "/data/music/pad 21.wav" << "MyBeats_2_21BPM.wav";
        QTest::newRow("mp3") << 3 << 120 << "/data/b/beat 120.mp3" << "MyBeats_3_120BPM.mp3";
        QTest::newRow("aif") << 4 << 95 << "/data/b/bass 95.aif" << "MyBeats_4_95BPM.aif";
        QTest::newRow("aiff keeps its dot") << 1 << 95 << "/data/b/bass 95.aiff" << "MyBeats_1_95BPM.aiff";
        QTest::newRow("mid") << 5 << 100 << "/data/m/keys.mid" << "MyBeats_5_100BPM.mid";
        QTest::newRow("suffix case kept") << 1 << 90 << "/data/a/LOOP.WAV" << "MyBeats_1_90BPM.WAV";
        QTest::newRow("no suffix") << 1 << 90 << "/data/v1.2/loop" << "MyBeats_1_90BPM";
        QTest::newRow("dots in the name") << 2 << 128 << "/data/a/take.2.final.wav" << "MyBeats_2_128BPM.wav";
        // clang-format on
    }
    void copyName()
    {
        QFETCH(int, slot);
        QFETCH(int, bpm);
        QFETCH(QString, source);
        QFETCH(QString, expected);
        QCOMPARE(MixExport::copyFileName(QStringLiteral("MyBeats"), slot, bpm, source), expected);
    }

    // Slot numbers follow the player ids, whatever the slots before hold. A name carries the
    // file's own BPM: the rate beside it already holds the tempo slider's share.
    void planKeepsSlotNumbers()
    {
        QVector<TrackInfo> tracks(5);
        tracks[0] = { QStringLiteral("/s/a 90.wav"), 90, 90, 1.0f };
        tracks[2] = { QStringLiteral("/s/a 90.wav"), 94, 90, 1.25f }; // started at slider +5
        tracks[4] = { QStringLiteral("/s/b.mp3"), 1, 1, 1.0f }; // drawn without a BPM
        const QVector<MixExport::MixCopy> copies = MixExport::plan(QStringLiteral("Set"), tracks);
        QCOMPARE(copies.size(), 3);
        QCOMPARE(copies[0].slot, 1);
        QCOMPARE(copies[0].fileName, QStringLiteral("Set_1_90BPM.wav"));
        // The same sample on two players gives two copies.
        QCOMPARE(copies[1].slot, 3);
        QCOMPARE(copies[1].fileName, QStringLiteral("Set_3_90BPM.wav"));
        QCOMPARE(copies[1].source, tracks[2].file);
        QCOMPARE(copies[1].rate, 1.25f);
        QCOMPARE(copies[2].slot, 5);
        QCOMPARE(copies[2].fileName, QStringLiteral("Set_5.mp3"));

        QVERIFY(MixExport::plan(QStringLiteral("Set"), QVector<TrackInfo>(5)).isEmpty());
    }

    void infoLine_data()
    {
        // clang-format off
        QTest::addColumn<float>("rate");
        QTest::addColumn<QString>("expected");
        QTest::newRow("normal") << 1.0f << "MyBeats_1_90BPM.wav Playing at:1.000\n";
        QTest::newRow("1.5") << 1.5f << "MyBeats_1_90BPM.wav Playing at:1.500\n";
        QTest::newRow("0.8571") << 0.8571f << "MyBeats_1_90BPM.wav Playing at:0.857\n";
        QTest::newRow("three quarters") << 0.75f << "MyBeats_1_90BPM.wav Playing at:0.750\n";
        QTest::newRow("rounds up") << 1.0375f << "MyBeats_1_90BPM.wav Playing at:1.038\n";
        // clang-format on
    }
    void infoLine()
    {
        QFETCH(float, rate);
        QFETCH(QString, expected);
        // A comma locale must not leak into the file.
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(MixExport::infoLine(QStringLiteral("MyBeats_1_90BPM.wav"), rate), expected);
        QLocale::setDefault(QLocale::c());
    }

    void infoText()
    {
        const QString banner = MixExport::banner();
        const QStringList lines = banner.split(QLatin1Char('\n'));
        // Six lines of art, three empty lines, and the break after the last empty line.
        QCOMPARE(lines.size(), 10);
        for (int i = 0; i < 6; ++i) {
            QVERIFY2(lines[i].size() >= 60 && lines[i].size() <= 80, qPrintable(lines[i]));
            QVERIFY(lines[i].contains(QLatin1Char('#')));
            for (QChar c : lines[i])
                QVERIFY(c.unicode() >= 0x20 && c.unicode() < 0x7f);
        }
        for (int i = 6; i < 10; ++i)
            QVERIFY(lines[i].isEmpty());

        // Nothing else when no slot held a file.
        QCOMPARE(MixExport::infoText({}), banner);

        const QVector<MixExport::MixCopy> copies {
            { 1, QStringLiteral("/s/a.wav"), QStringLiteral("MyBeats_1_90BPM.wav"), 1.0f },
            { 3, QStringLiteral("/s/c.mp3"), QStringLiteral("MyBeats_3_120BPM.mp3"), 0.75f },
        };
        QCOMPARE(MixExport::infoText(copies),
            banner + "MyBeats_1_90BPM.wav Playing at:1.000\nMyBeats_3_120BPM.mp3 Playing at:0.750\n");
        QCOMPARE(MixExport::infoFileName(QStringLiteral("MyBeats")), QStringLiteral("MyBeats Info.txt"));
    }
};

QTEST_GUILESS_MAIN(TestSaveNames)
#include "tst_dialogs_savenames.moc"
