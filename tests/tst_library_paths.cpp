#include <QtTest>

#include "library/paths.h"
#include "support/testsupport.h"

// The program-directory seam every config and sample-path test relies on.
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
        }
        QCOMPARE(Paths::configPath(), real);
    }
};

QTEST_GUILESS_MAIN(TestPaths)
#include "tst_library_paths.moc"
