#include <QtTest>

#include "library/paths.h"
#include "library/sampora.h"
#include "support/testsupport.h"

namespace {

QByteArray folderEntry(const QByteArray &path, const QByteArray &flags)
{
    return "<imported_folder path=\"" + path + "\" " + flags + "/>\n";
}

QByteArray config(const QByteArray &entries)
{
    return "<sampora>\n" + entries + "</sampora>\n" + QByteArray(290000, ' ');
}

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

// Quiet the per-draw debug lines; what a draw returns is what is checked.
void expectDrawLines(int draws)
{
    for (int i = 0; i < draws; ++i) {
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^file name ")));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^BPM: ")));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^sending file: ")));
    }
}

} // namespace

// The library model: playlists and sample types from config.xml, random draws, genre
// switching and reloads that must never lose the library in use.
class TestLibraryModel : public QObject {
    Q_OBJECT

    // A program directory with three sample folders:
    //   beats/ (beat; hip hop and custom), keys/ (melody; custom), bass/ (bass; techno)
    std::unique_ptr<TempProgramDir> m_dir;

    void writeConfig(const QByteArray &xml) { m_dir->writeFile(QStringLiteral("config.xml"), xml); }
    QString at(const QString &rel) const { return m_dir->path() + QLatin1Char('/') + rel; }

private slots:
    void init()
    {
        m_dir = std::make_unique<TempProgramDir>();
        for (const char *name : {"beats/Beat 90.wav", "beats/sub/Kick 808.mp3", "keys/Keys 120.aif",
                                 "keys/Keys 140.mid", "keys/notes.txt", "bass/Sub 128.wav"})
            m_dir->writeFile(QLatin1String(name), QByteArray());
        writeConfig(config(folderEntry("beats", R"(beat="1" hipHop="1" custom="1")")
                           + folderEntry("keys", R"(melody="1" custom="1")")
                           + folderEntry(QFile::encodeName(at(QStringLiteral("bass"))), R"(bass="1" techno="1")")));
    }
    void cleanup() { m_dir.reset(); }

    void listsPerGenreAndType()
    {
        Sampora library(HipHop);
        QCOMPARE(library.genre(), HipHop);
        QCOMPARE(sorted(library.samples(HipHop, Beat)),
                 sorted({at(QStringLiteral("beats/Beat 90.wav")), at(QStringLiteral("beats/sub/Kick 808.mp3"))}));
        QCOMPARE(library.samples(HipHop, Melody), QStringList());
        QCOMPARE(library.samples(Techno, Bass), QStringList{at(QStringLiteral("bass/Sub 128.wav"))});
        QCOMPARE(library.samples(Techno, Beat), QStringList());
        QCOMPARE(sorted(library.samples(Custom, Melody)),
                 sorted({at(QStringLiteral("keys/Keys 120.aif")), at(QStringLiteral("keys/Keys 140.mid"))}));
        QCOMPARE(sorted(library.samples(Custom, Beat)), sorted(library.samples(HipHop, Beat)));

        const QList<LibraryFolder> custom{{at(QStringLiteral("beats")), Beat}, {at(QStringLiteral("keys")), Melody}};
        QCOMPARE(library.folders(Custom), custom);
        QCOMPARE(library.folders(Techno), (QList<LibraryFolder>{{at(QStringLiteral("bass")), Bass}}));
    }

    void drawsFollowTheGenre()
    {
        Sampora library(Techno);
        int bpm = 0;
        expectDrawLines(1);
        QCOMPARE(library.randomSample(Bass, bpm), at(QStringLiteral("bass/Sub 128.wav")));
        QCOMPARE(bpm, 128);

        bpm = 7;
        QTest::ignoreMessage(QtDebugMsg, "No Melody in library");
        QCOMPARE(library.randomSample(Melody, bpm), QString());
        QCOMPARE(bpm, 7);

        library.setGenre(Custom);
        QCOMPARE(library.genre(), Custom);
        QTest::ignoreMessage(QtDebugMsg, "No Base Beats in library");
        QCOMPARE(library.randomSample(Bass, bpm), QString());
        const QStringList melodies = library.samples(Custom, Melody);
        expectDrawLines(20);
        for (int i = 0; i < 20; ++i) {
            const QString path = library.randomSample(Melody, bpm);
            QVERIFY2(melodies.contains(path), qPrintable(path));
            QCOMPARE(bpm, path.contains(QStringLiteral("120")) ? 120 : 140);
        }

        library.setGenre(HipHop);
        QTest::ignoreMessage(QtDebugMsg, "No Melody in library");
        QCOMPARE(library.randomSample(Melody, bpm), QString());

        // Out-of-range values: the genre is stored, the selection stays; no sample.
        library.setGenre(GenrePreset(7));
        QCOMPARE(int(library.genre()), 7);
        expectDrawLines(1);
        QVERIFY(library.randomSample(Beat, bpm).startsWith(at(QStringLiteral("beats/"))));
        bpm = 3;
        QCOMPARE(library.randomSample(3, bpm), QString());
        QCOMPARE(library.randomSample(-1, bpm), QString());
        QCOMPARE(bpm, 3);
    }

    void drawsCoverEveryEntry()
    {
        for (int i = 0; i < 8; ++i)
            m_dir->writeFile(QStringLiteral("many/loop %1.wav").arg(100 + i), QByteArray());
        writeConfig(config(folderEntry("many", R"(beat="1" hipHop="1")")));
        Sampora library(HipHop);
        QHash<QString, int> counts;
        int bpm = 0;
        const int draws = 4000;
        expectDrawLines(draws);
        for (int i = 0; i < draws; ++i)
            ++counts[library.randomSample(Beat, bpm)];
        QCOMPARE(counts.size(), 8);
        for (const int n : std::as_const(counts))
            QVERIFY2(n > 350 && n < 650, qPrintable(QString::number(n))); // 500 expected; 7 sigma margin
    }

    void reloads()
    {
        Sampora library(HipHop);
        const QStringList beats = library.samples(HipHop, Beat);
        QCOMPARE(beats.size(), 2);

        // The library in use survives a missing file and a foreign root.
        QVERIFY(QFile::remove(Paths::configPath()));
        QTest::ignoreMessage(QtDebugMsg, "cannot open config file");
        library.updateMedia();
        QCOMPARE(library.samples(HipHop, Beat), beats);
        QCOMPARE(library.folders(HipHop).size(), 1);

        writeConfig("<library>" + folderEntry("keys", R"(melody="1" hipHop="1")") + "</library>");
        QTest::ignoreMessage(QtDebugMsg, "config file xml has wrong root tag");
        library.updateMedia();
        QCOMPARE(library.samples(HipHop, Beat), beats);
        QCOMPARE(library.samples(HipHop, Melody), QStringList());

        // A broken file is taken up to the error.
        writeConfig("<sampora>\n" + folderEntry("keys", R"(melody="1" hipHop="1")") + "<imported_folder path=\"beats\" <\n");
        QTest::ignoreMessage(QtDebugMsg, "cannot read DOM of config file");
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^\"<imported_folder")));
        library.updateMedia();
        QCOMPARE(library.samples(HipHop, Beat), QStringList());
        QCOMPARE(library.samples(HipHop, Melody).size(), 2);

        // A folder removed from the file is gone from every list; a new file shows at once.
        m_dir->writeFile(QStringLiteral("keys/Keys 100.wav"), QByteArray());
        writeConfig(config(folderEntry("keys", R"(melody="1" techno="1")")));
        library.updateMedia();
        QCOMPARE(library.samples(HipHop, Melody), QStringList());
        QCOMPARE(library.samples(Custom, Beat), QStringList());
        QCOMPARE(library.samples(Techno, Melody).size(), 3);
        QCOMPARE(library.genre(), HipHop);

        // The current selection shows the rebuilt lists without a setGenre.
        library.setGenre(Techno);
        writeConfig(config(folderEntry("bass", R"(melody="1" techno="1")")));
        library.updateMedia();
        int bpm = 0;
        expectDrawLines(1);
        QCOMPARE(library.randomSample(Melody, bpm), at(QStringLiteral("bass/Sub 128.wav")));
    }

    void noConfigAtStart()
    {
        QVERIFY(QFile::remove(Paths::configPath()));
        QTest::ignoreMessage(QtDebugMsg, "cannot open config file");
        Sampora library(HipHop);
        int bpm = 42;
        QTest::ignoreMessage(QtDebugMsg, "No Beats/effects in library");
        QTest::ignoreMessage(QtDebugMsg, "No Melody in library");
        QTest::ignoreMessage(QtDebugMsg, "No Base Beats in library");
        QCOMPARE(library.randomSample(Beat, bpm), QString());
        QCOMPARE(library.randomSample(Melody, bpm), QString());
        QCOMPARE(library.randomSample(Bass, bpm), QString());
        QCOMPARE(bpm, 42);
    }

    void entriesThatAddNothingOrRepeat()
    {
        // Older versions stored a folder again under another spelling ("beats/" after "beats").
        writeConfig(config(folderEntry("beats", R"(beat="1" hipHop="1")") + folderEntry("beats", R"(beat="1" hipHop="1")")
                           + folderEntry("beats/", R"(beat="1" hipHop="1")") + folderEntry("./beats//", R"(beat="1" hipHop="1")")
                           + folderEntry("keys", R"(hipHop="1" custom="1" melody="true")")
                           + folderEntry("bass", R"(bass="1")") + folderEntry("missing", R"(beat="1" hipHop="1")")
                           + folderEntry("beats/Beat 90.wav", R"(melody="1" hipHop="1")")));
        Sampora library(HipHop);
        QCOMPARE(library.sampleCount(HipHop, Beat), 2); // a folder listed again counts once
        QCOMPARE(library.sampleCount(HipHop, Melody), 0); // a file is not a folder
        for (const GenrePreset g : {HipHop, Techno, Custom}) {
            QCOMPARE(library.sampleCount(g, Bass), 0); // no playlist flag
            if (g != HipHop)
                QCOMPARE(library.sampleCount(g, Beat) + library.sampleCount(g, Melody), 0); // untyped skipped
        }
        QCOMPARE(library.folders(HipHop).size(), 3);
        const auto stored = [] {
            QFile file(Paths::configPath());
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        const QByteArray before = stored();
        library.updateMedia();
        QCOMPARE(stored(), before); // reading leaves the file as it is
    }

    // The lists keep paths compactly; what comes back must be exactly what the walk
    // listed, in the same order, odd names and deep folders included.
    void listsHoldTheScannedPaths()
    {
        const QStringList names{
            QStringLiteral("a/1.wav"), QStringLiteral("a/2.mp3"), QStringLiteral("a/b/3.aif"),
            QStringLiteral("a/b/c/d/4.mid"), QStringLiteral("a/bb/5.wav"), QStringLiteral("6 & 7.wav"),
            QString::fromUtf8("Ünï/cødé ♪ 8.wav"), QString::fromUtf8("Ünï/9.wav"), QStringLiteral("z/10.WAV"),
        };
        for (const QString &name : names)
            m_dir->writeFile(QStringLiteral("tree/") + name, QByteArray());
        writeConfig(config(folderEntry("tree/", R"(beat="1" hipHop="1")")
                           + folderEntry("tree/a/b", R"(beat="1" hipHop="1")")));
        Sampora library(HipHop);
        const QStringList expected = Sampora::scanFolder(at(QStringLiteral("tree")))
            + Sampora::scanFolder(at(QStringLiteral("tree/a/b")));
        QCOMPARE(expected.size(), names.size() + 2);
        QCOMPARE(library.samples(HipHop, Beat), expected);
        for (const QString &path : expected)
            QVERIFY2(QFileInfo(path).isFile(), qPrintable(path));
    }

    void oneSampleIsAlwaysTheOne()
    {
        writeConfig(config(folderEntry("bass", R"(bass="1" hipHop="1")")));
        Sampora library(HipHop);
        int bpm = 0;
        expectDrawLines(10);
        for (int i = 0; i < 10; ++i)
            QCOMPARE(library.randomSample(Bass, bpm), at(QStringLiteral("bass/Sub 128.wav")));
    }
};

QTEST_GUILESS_MAIN(TestLibraryModel)
#include "tst_library_model.moc"
