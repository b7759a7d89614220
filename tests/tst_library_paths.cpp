#include <unistd.h>

#include <QtTest>

#include "library/librarylocation.h"
#include "library/paths.h"
#include "support/testsupport.h"

// Where the library file lives and where the program's own files are found.
class TestPaths : public QObject {
    Q_OBJECT
private slots:
    void configLivesInTheProgramDirectory()
    {
        const QString real = Paths::configPath();
        QVERIFY(real.endsWith(QStringLiteral("/config.xml")));
        {
            TempProgramDir dir;
            QCOMPARE(Paths::configPath(), dir.path() + QStringLiteral("/config.xml"));
            QCOMPARE(Paths::dataDir(), dir.path());
        }
        QCOMPARE(Paths::configPath(), real);
    }

    void choice_data()
    {
        QTest::addColumn<QStringList>("programFiles"); // files in the program's folder
        QTest::addColumn<bool>("programWritable");
        QTest::addColumn<bool>("dataHasConfig");
        QTest::addColumn<QString>("expected"); // "beside", or "user" + the seed's folder
        QTest::newRow("portable library") << QStringList{"config.xml"} << true << true << "beside";
        QTest::newRow("run folder before the first import") << QStringList{"help.html"} << true << false << "beside";
        QTest::newRow("writable bin folder, no library") << QStringList{} << true << true << "user:data";
        QTest::newRow("nothing to seed from") << QStringList{} << true << false << "user:";
        QTest::newRow("read-only program folder with a library") << QStringList{"config.xml", "help.html"} << false << true << "user:program";
        QTest::newRow("read-only program folder, library in data") << QStringList{} << false << true << "user:data";
    }

    void choice()
    {
        QFETCH(QStringList, programFiles);
        QFETCH(bool, programWritable);
        QFETCH(bool, dataHasConfig);
        QFETCH(QString, expected);
        if (!programWritable && ::geteuid() == 0)
            QSKIP("root can write every folder; the package test covers a normal user");

        QTemporaryDir root;
        const QString program = root.filePath(QStringLiteral("bin"));
        const QString data = root.filePath(QStringLiteral("share"));
        const QString user = root.filePath(QStringLiteral("home/.config/sampora"));
        QVERIFY(QDir().mkpath(program) && QDir().mkpath(data));
        for (const QString &name : programFiles)
            QVERIFY(QFile(program + QLatin1Char('/') + name).open(QIODevice::WriteOnly));
        if (dataHasConfig)
            QVERIFY(QFile(data + QStringLiteral("/config.xml")).open(QIODevice::WriteOnly));
        if (!programWritable)
            QVERIFY(QFile::setPermissions(program, QFileDevice::ReadOwner | QFileDevice::ExeOwner));

        const LibraryLocation location = LibraryLocation::choose(program, data, user);
        QFile::setPermissions(program, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        if (expected == QLatin1String("beside")) {
            QCOMPARE(location.kind, LibraryLocation::Kind::BesideProgram);
            QCOMPARE(location.configPath, program + QStringLiteral("/config.xml"));
            QVERIFY(location.seedPath.isEmpty());
            return;
        }
        QCOMPARE(location.kind, LibraryLocation::Kind::UserConfig);
        QCOMPARE(location.configPath, user + QStringLiteral("/config.xml"));
        const QString seedFolder = expected.section(QLatin1Char(':'), 1);
        const QString seed = seedFolder.isEmpty() ? QString()
                             : (seedFolder == QLatin1String("data") ? data : program) + QStringLiteral("/config.xml");
        QCOMPARE(location.seedPath, seed);
    }

    // The first start copies the shipped library, writable for the user; later starts keep
    // the user's own.
    void seedingCopiesOnce()
    {
        QTemporaryDir root;
        const QString shipped = root.filePath(QStringLiteral("config.xml"));
        QFile file(shipped);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<sampora><imported_folder path=\"demo-samples/beats\" beat=\"1\"/></sampora>\n");
        file.close();
        QVERIFY(QFile::setPermissions(shipped, QFileDevice::ReadOwner | QFileDevice::ReadOther));

        const LibraryLocation location{LibraryLocation::Kind::UserConfig, root.filePath(QStringLiteral("home/conf/config.xml")), shipped};
        QString error;
        QVERIFY2(location.seed(&error), qPrintable(error));
        QFile copy(location.configPath);
        QVERIFY(copy.open(QIODevice::ReadWrite));
        QVERIFY(copy.readAll().contains("demo-samples/beats"));
        copy.resize(0);
        copy.write("<sampora/>");
        copy.close();

        QVERIFY2(location.seed(&error), qPrintable(error));
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), QByteArray("<sampora/>"));

        // Nothing to seed from: the folder is made, the file is left to the first import.
        const LibraryLocation empty{LibraryLocation::Kind::UserConfig, root.filePath(QStringLiteral("fresh/sampora/config.xml")), QString()};
        QVERIFY2(empty.seed(&error), qPrintable(error));
        QVERIFY(QFileInfo(root.filePath(QStringLiteral("fresh/sampora"))).isDir());
        QVERIFY(!QFileInfo::exists(empty.configPath));

        const LibraryLocation blocked{LibraryLocation::Kind::UserConfig, location.configPath + QStringLiteral("/below-a-file/config.xml"), shipped};
        QVERIFY(!blocked.seed(&error));
        QVERIFY2(error.contains(QLatin1String("below-a-file")), qPrintable(error));
    }

    void commandLineFileIsTheLibrary()
    {
        TempProgramDir dir;
        Paths::setConfigFile(QStringLiteral("relative/lib.xml"));
        QCOMPARE(Paths::libraryLocation().kind, LibraryLocation::Kind::CommandLine);
        QCOMPARE(Paths::configPath(), QDir::current().absoluteFilePath(QStringLiteral("relative/lib.xml")));
        Paths::setConfigFile(QString());
        QCOMPARE(Paths::configPath(), dir.path() + QStringLiteral("/config.xml"));
    }

    // Style sheets name images as "pixmaps:name.png", found in the data folder from anywhere.
    void imagesFromAnyWorkingDirectory()
    {
        TempProgramDir dir;
        dir.writeFile(QStringLiteral("pixmaps/mark.png"), "png");
        Paths::registerImageSearchPath();
        QTemporaryDir elsewhere;
        const QString previous = QDir::currentPath();
        QDir::setCurrent(elsewhere.path());
        const bool found = QFile::exists(QStringLiteral("pixmaps:mark.png"));
        QDir::setCurrent(previous);
        QVERIFY(found);
    }
};

QTEST_GUILESS_MAIN(TestPaths)
#include "tst_library_paths.moc"
