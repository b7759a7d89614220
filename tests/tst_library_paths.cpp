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
        QTest::addColumn<QString>("readOnly"); // "", "folder" (the program's) or "config.xml" (in it)
        QTest::addColumn<bool>("dataHasConfig");
        QTest::addColumn<QString>("expected"); // "beside", or "user" + the seed's folder
        QTest::newRow("portable library") << QStringList{"config.xml"} << "" << true << "beside";
        QTest::newRow("run folder before the first import") << QStringList{"help.html"} << "" << false << "beside";
        QTest::newRow("writable bin folder, no library") << QStringList{} << "" << true << "user:data";
        QTest::newRow("nothing to seed from") << QStringList{} << "" << false << "user:";
        QTest::newRow("read-only program folder with a library") << QStringList{"config.xml", "help.html"} << "folder" << true << "user:program";
        QTest::newRow("read-only program folder, library in data") << QStringList{} << "folder" << true << "user:data";
        QTest::newRow("writable program folder, read-only library") << QStringList{"config.xml", "help.html"} << "config.xml" << true << "user:program";
    }

    void choice()
    {
        QFETCH(QStringList, programFiles);
        QFETCH(QString, readOnly);
        QFETCH(bool, dataHasConfig);
        QFETCH(QString, expected);
        if (!readOnly.isEmpty() && TestSupport::runningAsRoot()) {
            QString output;
            QVERIFY2(TestSupport::passesAsNobody(&output), qPrintable(output));
            return;
        }

        QTemporaryDir root;
        const QString program = root.filePath(QStringLiteral("bin"));
        const QString data = root.filePath(QStringLiteral("share"));
        const QString user = root.filePath(QStringLiteral("home/.config/sampora"));
        QVERIFY(QDir().mkpath(program) && QDir().mkpath(data));
        for (const QString &name : programFiles)
            QVERIFY(QFile(program + QLatin1Char('/') + name).open(QIODevice::WriteOnly));
        if (dataHasConfig)
            QVERIFY(QFile(data + QStringLiteral("/config.xml")).open(QIODevice::WriteOnly));
        const QString locked = readOnly == QLatin1String("folder") ? program : program + QLatin1Char('/') + readOnly;
        if (!readOnly.isEmpty())
            QVERIFY(QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner));

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

    // Whether changes can be kept is known at start, for the status line and the About box.
    void writeProblem_data()
    {
        QTest::addColumn<QString>("library"); // below the test's folder
        QTest::addColumn<QString>("readOnly"); // made read-only, below the test's folder
        QTest::addColumn<QString>("problem"); // the start of the text; none when it can be written
        QTest::newRow("writable file") << "lib/config.xml" << "" << "";
        QTest::newRow("no file yet") << "lib/new.xml" << "" << "";
        QTest::newRow("folder still to make") << "fresh/deeper/config.xml" << "" << "";
        QTest::newRow("below a file") << "lib/config.xml/inner/config.xml" << "" << "the folder";
        QTest::newRow("read-only file") << "lib/config.xml" << "lib/config.xml" << "you may not write";
        QTest::newRow("read-only folder") << "lib/config.xml" << "lib" << "you may not write";
        QTest::newRow("folder in a read-only parent") << "lib/sub/config.xml" << "lib" << "the folder";
    }

    void writeProblem()
    {
        QFETCH(QString, library);
        QFETCH(QString, readOnly);
        QFETCH(QString, problem);
        if (!readOnly.isEmpty() && TestSupport::runningAsRoot()) {
            QString output;
            QVERIFY2(TestSupport::passesAsNobody(&output), qPrintable(output));
            return;
        }
        QTemporaryDir root;
        QVERIFY(QDir().mkpath(root.filePath(QStringLiteral("lib"))));
        QFile existing(root.filePath(QStringLiteral("lib/config.xml")));
        QVERIFY(existing.open(QIODevice::WriteOnly));
        existing.close();
        if (!readOnly.isEmpty())
            QVERIFY(QFile::setPermissions(root.filePath(readOnly), QFileDevice::ReadOwner | QFileDevice::ExeOwner));

        const LibraryLocation location = LibraryLocation::commandLine(root.filePath(library));
        const QString found = location.writeProblem();
        QFile::setPermissions(root.filePath(QStringLiteral("lib")), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        if (problem.isEmpty()) {
            QVERIFY2(found.isEmpty(), qPrintable(found));
            // The folder named by --config is made at start, as the user's own folder is.
            QString error;
            QVERIFY2(location.seed(&error), qPrintable(error));
            QVERIFY(QFileInfo(QFileInfo(location.configPath).absolutePath()).isDir());
        } else {
            QVERIFY2(found.startsWith(QStringLiteral("Changes to the library cannot be saved: ") + problem), qPrintable(found));
            QVERIFY2(found.contains(root.path()), qPrintable(found));
        }
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
