#include <thread>
#include <vector>

#include <QtTest>

#include "demolibrary.h"
#include "tempo/looptempo.h"
#include "tempo/miditempo.h"
#include "tempo/tempocache.h"
#include "tempo/tempodetector.h"
#include "tools/audiogen.h"

// Tempo from the sound of samples whose names carry none: the loop arithmetic, MIDI tempo
// events, real demo loops heard by aubio, and the per-file cache.
class TestTempoDetect : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    const DemoLibrary m_demo { !QStandardPaths::findExecutable(QStringLiteral("sox")).isEmpty() };
    // Demo loops copied under names without a BPM, with their real tempo.
    QList<QPair<QString, int>> m_loops;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    QString writeDemoLoop(int index, const QString &name) const
    {
        const DemoLibrary::Loop &loop = m_demo.loops().at(index);
        const QString target = path(name);
        QFile::remove(target);
        QFile::copy(m_dir.filePath(loop.folder + QLatin1Char('/') + loop.file), target);
        return target;
    }

    static QByteArray cacheEntry(const QFileInfo &info, int bpm)
    {
        return QStringLiteral("{\"path\":\"%1\",\"size\":%2,\"modified\":%3,\"bpm\":%4}")
            .arg(info.absoluteFilePath())
            .arg(info.size())
            .arg(info.lastModified().toMSecsSinceEpoch())
            .arg(bpm)
            .toUtf8();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QVERIFY(m_demo.writeMissing(m_dir.path()) > 0);
        for (int i = 0; i < m_demo.loops().size(); ++i) {
            const DemoLibrary::Loop &loop = m_demo.loops().at(i);
            const QString unnamed = path(QStringLiteral("loop-%1.%2").arg(i).arg(QFileInfo(loop.file).suffix()));
            QVERIFY(QFile::copy(m_dir.filePath(loop.folder + QLatin1Char('/') + loop.file), unnamed));
            m_loops.append({ unnamed, loop.bpm });
        }
    }

    void loopArithmetic_data()
    {
        QTest::addColumn<double>("tracker");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<int>("expected");

        // clang-format off
        // Two bars at 90 BPM last 5.333 s; the tracker reads a little fast.
        QTest::newRow("tracker agrees") << 91.2 << 5.3333 << 90;
        // An octave of the grid is taken as is while it lies in range (181 BPM could be four
        // bars at 180), and brought into range toward the usual tempos otherwise.
        QTest::newRow("tracker an octave up, in range") << 181.0 << 5.3333 << 180;
        QTest::newRow("tracker an octave down, out of range") << 45.5 << 5.3333 << 90;
        QTest::newRow("tracker an octave up, out of range") << 241.0 << 4.0 << 120;
        QTest::newRow("dotted eighths: 4/3") << 112.7 << 5.7143 << 84;
        QTest::newRow("dotted quarters: 2/3") << 94.1 << 6.8571 << 140;
        QTest::newRow("fast loop kept fast") << 172.0 << 2.8235 << 170;
        // Not whole bars: the tracker's reading, folded into range.
        QTest::newRow("not a loop") << 100.4 << 5.0 << 100;
        QTest::newRow("not a loop, slow pulse") << 41.0 << 5.0 << 82;
        QTest::newRow("a song, too long to be a loop") << 101.0 << 240.0 * 64 / 101.0 << 101;
        // No tempo.
        QTest::newRow("one-shot") << 120.0 << 0.8 << -1;
        QTest::newRow("no pulse found") << 0.0 << 5.0 << -1;
        QTest::newRow("tracker gave nonsense") << qQNaN() << 5.0 << -1;
        // clang-format on
    }
    void loopArithmetic()
    {
        QFETCH(double, tracker);
        QFETCH(double, seconds);
        QFETCH(int, expected);
        QCOMPARE(LoopTempo::refine(tracker, seconds), expected);
    }

    void midiTempo_data()
    {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<int>("expected");

        const QByteArray header = QByteArray::fromHex("4d546864000000060000000101e0");
        const auto track = [](const QByteArray &events) {
            QByteArray chunk("MTrk");
            const quint32 size = quint32(events.size());
            chunk += char(size >> 24) + QByteArray() + char(size >> 16) + char(size >> 8) + char(size);
            return chunk + events;
        };
        // Note on with running status, a text event and a sysex before the tempo (100 BPM).
        const QByteArray busy = QByteArray::fromHex("00903c40" "003e40" "00ff0103616263" "00f0037e7f7f"
                                                    "00ff510309273c" "00ff2f00");
        QTest::newRow("tempo after other events") << header + track(busy) << 100;
        QTest::newRow("no tempo event: the default") << header + track(QByteArray::fromHex("00903c4000ff2f00")) << 120;
        QTest::newRow("other chunk before the track")
            << header + QByteArray("XFIH\0\0\0\2ab", 10) + track(busy) << 100;
        QTest::newRow("not MIDI") << QByteArray("RIFF....WAVE") << -1;
        QTest::newRow("track cut short") << header + track(busy).left(20) << -1;
        QTest::newRow("event runs past the track") << header + track(QByteArray::fromHex("00ff0110ab")) << -1;
        QTest::newRow("tempo of zero") << header + track(QByteArray::fromHex("00ff5103000000")) << -1;
    }
    void midiTempo()
    {
        QFETCH(QByteArray, data);
        QFETCH(int, expected);
        QCOMPARE(MidiTempo::fromData(data), expected);
    }

    void midiFileWrittenForThePlayer()
    {
        const QString file = path(QStringLiteral("riff.mid"));
        QVERIFY(AudioGen::writeMidi(file, 97, 8.0, { { 0, 60, 100, 0.0, 1.0 }, { 0, 64, 100, 2.0, 1.0 } }));
        QCOMPARE(TempoDetector::analyse(file), 97);
    }

    void demoLoopsHeard_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("bpm");
        for (const auto &[file, bpm] : std::as_const(m_loops))
            QTest::newRow(qPrintable(QFileInfo(file).fileName())) << file << bpm;
    }
    void demoLoopsHeard()
    {
        QFETCH(QString, file);
        QFETCH(int, bpm);
        QVERIFY2(qAbs(TempoDetector::analyse(file) - bpm) <= 1, qPrintable(QString::number(TempoDetector::analyse(file))));
    }

    // What makes a beat: enough onsets, on one grid of sixteenths at the tempo (swing allowed).
    void beatEvidence_data()
    {
        QTest::addColumn<QVector<double>>("onsets");
        QTest::addColumn<double>("bpm");
        QTest::addColumn<bool>("beat");
        const auto grid = [](int count, double step, double late, double swing) {
            QVector<double> times;
            for (int i = 0; i < count; ++i)
                times << late + i * step + (i % 2 ? swing * step : 0.0);
            return times;
        };
        QTest::newRow("kick on every beat, two bars") << grid(8, 0.5, 0.012, 0.0) << 120.0 << true;
        QTest::newRow("swung sixteenths") << grid(16, 60.0 / 90 / 4, 0.02, 0.25) << 90.0 << true;
        QTest::newRow("six notes of a bass line") << QVector<double> { 0.0, 0.75, 1.5, 2.0, 2.75, 3.5 } << 120.0 << true;
        QTest::newRow("five onsets of a swell") << grid(5, 0.5, 0.0, 0.0) << 120.0 << false;
        QTest::newRow("one hit") << QVector<double> { 0.01 } << 120.0 << false;
        QTest::newRow("onsets off any grid") << QVector<double> { 0.0, 0.161, 0.43, 0.58, 0.99, 1.07, 1.52, 1.69 } << 120.0 << false;
        QTest::newRow("on the grid of another tempo") << grid(12, 60.0 / 97 / 4 * 3, 0.0, 0.0) << 120.0 << false;
    }

    void beatEvidence()
    {
        QFETCH(QVector<double>, onsets);
        QFETCH(double, bpm);
        QFETCH(bool, beat);
        BeatEvidence heard;
        heard.onsets = onsets;
        QVERIFY2(heard.isBeat(bpm) == beat, qPrintable(QString::number(heard.onGrid(bpm))));
    }

    // A drone, a pad or a single hit has no beat to match, however long it lasts; the tracker
    // names a tempo for each (a 440 Hz sine of a few seconds came out at 96 or 114 BPM).
    void beatlessSounds_data()
    {
        using AudioGen::Beatless;
        QTest::addColumn<int>("kind");
        QTest::addColumn<double>("seconds");
        QTest::newRow("sine 1 s") << int(Beatless::Sine) << 1.0;
        QTest::newRow("sine 4 s") << int(Beatless::Sine) << 4.0;
        QTest::newRow("sine 8 s") << int(Beatless::Sine) << 8.0;
        QTest::newRow("noise 6 s") << int(Beatless::Noise) << 6.0;
        QTest::newRow("pad 5 s") << int(Beatless::Pad) << 5.0;
        QTest::newRow("single hit 2 s") << int(Beatless::Hit) << 2.0;
        QTest::newRow("reversed swell 3 s") << int(Beatless::Swell) << 3.0;
    }

    void beatlessSounds()
    {
        QFETCH(int, kind);
        QFETCH(double, seconds);
        const QString file = path(QStringLiteral("beatless.wav"));
        QVERIFY(AudioGen::writeWav(file, AudioGen::beatless(AudioGen::Beatless(kind), seconds)));
        QCOMPARE(TempoDetector::analyse(file), -1);
        TempoDetector detector(path(QStringLiteral("beatless-cache.json")));
        QCOMPARE(detector.tempoFor(file).origin, BpmOrigin::None);
    }

    void soundsWithoutTempo()
    {
        const QString oneShot = path(QStringLiteral("kick.wav"));
        QVERIFY(AudioGen::writeWav(oneShot, AudioGen::toneWithEndClick(0.4, 60.0)));
        QCOMPARE(TempoDetector::analyse(oneShot), -1);

        const QString garbage = path(QStringLiteral("garbage.wav"));
        QFile file(garbage);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(5000, '\x5a'));
        file.close();
        QCOMPARE(TempoDetector::analyse(garbage), -1);

        TempoDetector detector(path(QStringLiteral("silence-cache.json")));
        const SampleTempo missing = detector.tempoFor(path(QStringLiteral("gone.wav")));
        QCOMPARE(missing.bpm, -1);
        QCOMPARE(missing.origin, BpmOrigin::None);
    }

    void nameWinsOverTheSound()
    {
        // A 120 BPM loop whose name says 100: the name is what the user decided.
        const int techno120 = 12;
        QCOMPARE(m_demo.loops().at(techno120).bpm, 120);
        const QString named = writeDemoLoop(techno120, QStringLiteral("renamed_100bpm.wav"));
        const QString unnamed = writeDemoLoop(techno120, QStringLiteral("renamed.wav"));
        TempoDetector detector(path(QStringLiteral("name-cache.json")));

        const SampleTempo fromName = detector.tempoFor(named);
        QCOMPARE(fromName.bpm, 100);
        QCOMPARE(fromName.origin, BpmOrigin::FileName);
        const SampleTempo fromAudio = detector.tempoFor(unnamed);
        QCOMPARE(fromAudio.bpm, 120);
        QCOMPARE(fromAudio.origin, BpmOrigin::Audio);
        QVERIFY(TempoDetector::describe(fromAudio).contains(QLatin1String("audio")));
        QVERIFY(TempoDetector::describe(fromName).contains(QLatin1String("name")));
    }

    // The cache answers for a file that keeps its size and time; any change is heard again.
    void cacheRemembersUntilTheFileChanges()
    {
        const QString cacheFile = path(QStringLiteral("cache/deeper/tempo-cache.json"));
        const QString file = writeDemoLoop(12, QStringLiteral("cached.wav"));
        {
            TempoDetector detector(cacheFile);
            QCOMPARE(detector.bpmFor(file), 120);
        }
        QVERIFY(QFileInfo::exists(cacheFile));

        // Same size and time, other sound (a 140 BPM loop of the same length would do; a
        // different loop cut to this size is enough, as only the cache may answer 120).
        const QDateTime modified = QFileInfo(file).lastModified();
        const qint64 size = QFileInfo(file).size();
        const QString other = writeDemoLoop(0, QStringLiteral("other.wav"));
        QFile replacement(file);
        QFile source(other);
        QVERIFY(source.open(QIODevice::ReadOnly) && replacement.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QByteArray bytes = source.readAll();
        bytes.resize(size);
        replacement.write(bytes);
        replacement.close();
        QVERIFY(replacement.open(QIODevice::ReadWrite));
        QVERIFY(replacement.setFileTime(modified, QFileDevice::FileModificationTime));
        replacement.close();
        {
            TempoDetector detector(cacheFile);
            QCOMPARE(detector.bpmFor(file), 120);
        }

        QVERIFY(replacement.open(QIODevice::ReadWrite));
        QVERIFY(replacement.setFileTime(modified.addSecs(60), QFileDevice::FileModificationTime));
        replacement.close();
        TempoDetector detector(cacheFile);
        QCOMPARE(detector.bpmFor(file), TempoDetector::analyse(file));
        QVERIFY(detector.bpmFor(file) != 120);
    }

    void damagedCacheIsDiscarded_data()
    {
        // ENTRY stands for an intact, correctly keyed entry claiming 77 BPM for the real file:
        // a damaged cache must not be trusted even for its intact entries.
        QTest::addColumn<QByteArray>("content");
        const QByteArray head = "{\"format\":\"sampora-tempo-cache\",\"version\":2,\"files\":[ENTRY,";
        QTest::newRow("garbage") << QByteArray::fromRawData("\x00\xff garbage ENTRY", sizeof("\x00\xff garbage ENTRY") - 1);
        QTest::newRow("cut short") << head + "{\"pa";
        QTest::newRow("other version") << QByteArray("{\"format\":\"sampora-tempo-cache\",\"version\":9,\"files\":[ENTRY]}");
        // Tempos of the rule that gave every sound one, a sine included.
        QTest::newRow("older analysis") << QByteArray("{\"format\":\"sampora-tempo-cache\",\"version\":1,\"files\":[ENTRY]}");
        QTest::newRow("other format") << QByteArray("{\"format\":\"other\",\"version\":2,\"files\":[ENTRY]}");
        QTest::newRow("bpm not a number") << head + "{\"path\":\"/x.wav\",\"size\":1,\"modified\":1,\"bpm\":\"fast\"}]}";
        QTest::newRow("negative size") << head + "{\"path\":\"/x.wav\",\"size\":-4,\"modified\":1,\"bpm\":90}]}";
        QTest::newRow("fractional bpm") << head + "{\"path\":\"/x.wav\",\"size\":1,\"modified\":1,\"bpm\":90.5}]}";
        QTest::newRow("entry not an object") << head + "17]}";
        QTest::newRow("same file twice") << head + "ENTRY]}";
    }
    void damagedCacheIsDiscarded()
    {
        QFETCH(QByteArray, content);
        const QString file = writeDemoLoop(12, QStringLiteral("trusted.wav"));
        const QFileInfo info(file);
        content.replace("ENTRY", cacheEntry(info, 77));
        const QString cacheFile = path(QStringLiteral("damaged/%1.json").arg(QTest::currentDataTag()));
        QDir().mkpath(QFileInfo(cacheFile).absolutePath());
        QFile cache(cacheFile);
        QVERIFY(cache.open(QIODevice::WriteOnly));
        cache.write(content);
        cache.close();

        {
            TempoDetector detector(cacheFile);
            QCOMPARE(detector.bpmFor(file), 120);
        }
        // Rewritten whole and readable: the next run is served from it.
        TempoCache reread(cacheFile);
        QCOMPARE(reread.lookup(info), std::optional<int>(120));
    }

    void intactCacheIsTrusted()
    {
        // The control for the test above: the same entry in an intact cache is believed.
        const QString file = writeDemoLoop(12, QStringLiteral("trusted.wav"));
        const QFileInfo info(file);
        const QString cacheFile = path(QStringLiteral("intact.json"));
        QFile cache(cacheFile);
        QVERIFY(cache.open(QIODevice::WriteOnly));
        cache.write("{\"format\":\"sampora-tempo-cache\",\"version\":2,\"files\":[" + cacheEntry(info, 77) + "]}");
        cache.close();
        TempoDetector detector(cacheFile);
        QCOMPARE(detector.tempoFor(file).bpm, 77);
        QCOMPARE(detector.tempoFor(file).origin, BpmOrigin::Audio);
    }

    void workerThreadsShareOneDetector()
    {
        TempoDetector detector(path(QStringLiteral("threads.json")));
        std::vector<std::vector<int>> results(4);
        std::vector<std::thread> workers;
        for (size_t t = 0; t < results.size(); ++t) {
            workers.emplace_back([&, t] {
                for (const auto &loop : std::as_const(m_loops))
                    results[t].push_back(detector.bpmFor(loop.first));
            });
        }
        for (std::thread &worker : workers)
            worker.join();
        for (int i = 0; i < m_loops.size(); ++i) {
            const int expected = TempoDetector::analyse(m_loops.at(i).first);
            for (const std::vector<int> &result : results)
                QCOMPARE(result.at(size_t(i)), expected);
        }
        QVERIFY(detector.flush());
        TempoCache reread(path(QStringLiteral("threads.json")));
        for (const auto &loop : std::as_const(m_loops))
            QVERIFY(reread.lookup(QFileInfo(loop.first)).has_value());
    }
};

QTEST_GUILESS_MAIN(TestTempoDetect)
#include "tst_tempo_detect.moc"
