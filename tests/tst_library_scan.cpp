#include <QtTest>

#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include "library/sampora.h"
#include "support/testsupport.h"

namespace {

QStringList sorted(QStringList list)
{
    list.sort();
    return list;
}

bool touch(const QString &path)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

} // namespace

// The recursive listing of a sample folder: which entries are samples and how the walk
// copes with links, loops, odd names and folders it cannot read.
class TestLibraryScan : public QObject {
    Q_OBJECT
private slots:
    void whatCountsAsASample()
    {
        QTemporaryDir tmp;
        const QString root = tmp.path() + QStringLiteral("/lib");
        const QStringList samples{
            QStringLiteral("a.wav"),
            QStringLiteral("B.MP3"),
            QStringLiteral("c.Aif"),
            QStringLiteral("d.mid"),
            QStringLiteral("e.MiD"),
            QStringLiteral("sub/deeper/g.WAV"),
            QStringLiteral("x.wav/inside.mp3"), // a folder named like a sample is still walked
            QStringLiteral("with space & amp 90.wav"),
            QString::fromUtf8("Ünïcødé/Brücke 120 ♪.aif"),
            QStringLiteral("loop.wav.wav"),
            QStringLiteral("'quote\" and \\backslash.wav"),
        };
        const QStringList others{
            QStringLiteral("e.aiff"),    QStringLiteral("f.flac"),    QStringLiteral("g.ogg"),
            QStringLiteral("loop_wav"),  QStringLiteral("loopxwav"),  QStringLiteral("wav"),
            QStringLiteral("a.wav.txt"), QStringLiteral("b.mp3 "),    QStringLiteral("c.mp4"),
            QStringLiteral(".hidden.wav"), QStringLiteral(".hidden/inside.wav"),
            QStringLiteral("sub/.deep.mid"),
        };
        for (const QString &name : samples + others)
            QVERIFY2(touch(root + QLatin1Char('/') + name), qPrintable(name));
        QVERIFY(QDir(root).mkpath(QStringLiteral("folder.wav")));
        QVERIFY(QDir(root).mkpath(QStringLiteral("empty/also.mid")));
        QCOMPARE(::mkfifo(QFile::encodeName(root + QStringLiteral("/pipe.wav")).constData(), 0600), 0);

        QStringList expected;
        for (const QString &name : samples)
            expected.append(root + QLatin1Char('/') + name);
        QCOMPARE(sorted(Sampora::scanFolder(root)), sorted(expected));
        // A trailing slash on the folder does not double the separator.
        QCOMPARE(sorted(Sampora::scanFolder(root + QStringLiteral("//"))), sorted(expected));
    }

    // The add-track chooser's patterns take what the library takes, also where a platform
    // chooser compares them case-sensitively.
    void chooserPatternsMatchTheLibrary_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("sample");
        for (const char *name : {"kick.wav", "KICK.WAV", "Kick.Wav", "b.MP3", "c.Aif", "d.mid", "e.MiD", "loop 90.wav.wav"})
            QTest::newRow(name) << QString::fromLatin1(name) << true;
        for (const char *name : {"e.aiff", "f.flac", "a.wav.txt", "loop_wav", "c.mp4", "kick.WAVE"})
            QTest::newRow(name) << QString::fromLatin1(name) << false;
    }
    void chooserPatternsMatchTheLibrary()
    {
        QFETCH(QString, name);
        QFETCH(bool, sample);
        const QStringList patterns = Sampora::sampleNamePatterns();
        QCOMPARE(patterns.size(), 4);
        const bool taken = std::any_of(patterns.cbegin(), patterns.cend(), [&name](const QString &pattern) {
            return QRegularExpression(QRegularExpression::wildcardToRegularExpression(pattern)).match(name).hasMatch();
        });
        QCOMPARE(taken, sample);

        QTemporaryDir tmp;
        QVERIFY(touch(tmp.filePath(name)));
        QCOMPARE(Sampora::scanFolder(tmp.path()).size(), sample ? 1 : 0);
    }

    void symbolicLinks()
    {
        QTemporaryDir tmp;
        const QString root = tmp.path() + QStringLiteral("/lib");
        const QString outside = tmp.path() + QStringLiteral("/outside");
        QVERIFY(touch(root + QStringLiteral("/own.wav")));
        QVERIFY(touch(outside + QStringLiteral("/real.wav")));
        QVERIFY(touch(outside + QStringLiteral("/more/linked.wav")));

        QVERIFY(QFile::link(outside + QStringLiteral("/real.wav"), root + QStringLiteral("/link to file.wav")));
        QVERIFY(QFile::link(outside + QStringLiteral("/missing.wav"), root + QStringLiteral("/dangling.wav")));
        QVERIFY(QFile::link(root + QStringLiteral("/self.wav"), root + QStringLiteral("/self.wav")));
        QVERIFY(QFile::link(outside + QStringLiteral("/more"), root + QStringLiteral("/linked folder.wav")));
        QVERIFY(QFile::link(outside + QStringLiteral("/more"), root + QStringLiteral("/linked folder")));
        // Loops: a link to the folder itself and one to its parent.
        QVERIFY(QFile::link(root, root + QStringLiteral("/loop")));
        QVERIFY(QFile::link(QStringLiteral(".."), root + QStringLiteral("/up")));

        QCOMPARE(sorted(Sampora::scanFolder(root)),
                 sorted({root + QStringLiteral("/own.wav"), root + QStringLiteral("/link to file.wav")}));

        // The configured folder itself may be a link.
        const QString linkedRoot = tmp.path() + QStringLiteral("/via link");
        QVERIFY(QFile::link(outside, linkedRoot));
        QCOMPARE(sorted(Sampora::scanFolder(linkedRoot)),
                 sorted({linkedRoot + QStringLiteral("/real.wav"), linkedRoot + QStringLiteral("/more/linked.wav")}));
    }

    void foldersThatGiveNothing()
    {
        QTemporaryDir tmp;
        QVERIFY(touch(tmp.path() + QStringLiteral("/file.wav")));
        QCOMPARE(Sampora::scanFolder(tmp.path() + QStringLiteral("/missing")), QStringList());
        QCOMPARE(Sampora::scanFolder(tmp.path() + QStringLiteral("/file.wav")), QStringList());
        QCOMPARE(Sampora::scanFolder(QString()), QStringList());
    }

    void unreadableSubfolderIsSkipped()
    {
        if (::geteuid() == 0)
            QSKIP("permissions do not apply to root");
        QTemporaryDir tmp;
        QVERIFY(touch(tmp.path() + QStringLiteral("/open/a.wav")));
        QVERIFY(touch(tmp.path() + QStringLiteral("/closed/b.wav")));
        QVERIFY(QFile::setPermissions(tmp.path() + QStringLiteral("/closed"), QFileDevice::Permissions()));
        QCOMPARE(Sampora::scanFolder(tmp.path()), QStringList{tmp.path() + QStringLiteral("/open/a.wav")});
        QCOMPARE(Sampora::scanFolder(tmp.path() + QStringLiteral("/closed")), QStringList());
        QFile::setPermissions(tmp.path() + QStringLiteral("/closed"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    // The walk keeps its own stack: deep trees neither overflow it nor leak descriptors.
    void deepTree()
    {
        QTemporaryDir tmp;
        QString deep = tmp.path();
        for (int i = 0; i < 400; ++i)
            deep += QStringLiteral("/d");
        QVERIFY(touch(deep + QStringLiteral("/bottom.wav")));
        QVERIFY(touch(tmp.path() + QStringLiteral("/d/top.wav")));
        for (int round = 0; round < 3; ++round)
            QCOMPARE(Sampora::scanFolder(tmp.path()).size(), 2);
        QCOMPARE(Sampora::scanFolder(tmp.path()).contains(deep + QStringLiteral("/bottom.wav")), true);
    }

    // Files come before the subfolders of their folder, subfolders in listing order:
    // every file of a folder is listed together.
    void folderByFolder()
    {
        QTemporaryDir tmp;
        for (const char *name : {"a/1.wav", "a/2.wav", "a/x/3.wav", "b/4.wav", "b/5.wav", "6.wav"})
            QVERIFY(touch(tmp.path() + QLatin1Char('/') + QLatin1String(name)));
        const QStringList paths = Sampora::scanFolder(tmp.path());
        QCOMPARE(paths.size(), 6);
        QCOMPARE(paths.first(), tmp.path() + QStringLiteral("/6.wav"));
        auto folderOf = [&](const QString &p) { return QFileInfo(p).path(); };
        QStringList seen;
        for (const QString &p : paths) {
            if (seen.isEmpty() || seen.last() != folderOf(p)) {
                QVERIFY2(!seen.contains(folderOf(p)), qPrintable(p));
                seen.append(folderOf(p));
            }
        }
    }
};

QTEST_GUILESS_MAIN(TestLibraryScan)
#include "tst_library_scan.moc"
