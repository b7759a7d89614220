#include <csignal>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QtTest>
#include <QDomDocument>
#include <QProcess>
#include <QRandomGenerator>

#include "library/configfile.h"
#include "library/configwriter.h"
#include "library/paths.h"
#include "support/testsupport.h"

namespace {

const QString kNotParsed = QStringLiteral("There was an error detected in config.xml: can not set doc type.");
const QString kWrongRoot = QStringLiteral("There is an error in config.xml:no Root Tag \"sampora\".");

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The root's children as short strings ("imported_folder /a", "#comment x", "other"),
// so a comparison also proves that comments and foreign elements were kept in place.
QStringList rootChildren(const QString &path)
{
    QDomDocument doc;
    if (!doc.setContent(readAll(path)) || doc.documentElement().tagName() != QLatin1String("sampora"))
        return {QStringLiteral("<unreadable>")};
    QStringList out;
    for (QDomNode n = doc.documentElement().firstChild(); !n.isNull(); n = n.nextSibling()) {
        if (n.isComment())
            out << QStringLiteral("#comment ") + n.nodeValue().trimmed();
        else if (n.isElement() && n.nodeName() == QLatin1String("imported_folder"))
            out << QStringLiteral("imported_folder ") + n.toElement().attribute(QStringLiteral("path"));
        else if (n.isElement())
            out << n.nodeName();
    }
    return out;
}

ConfigWriter::Attributes entry(const QString &path, const QString &melody = QStringLiteral("1"))
{
    return {{QStringLiteral("path"), path},
            {QStringLiteral("melody"), melody},
            {QStringLiteral("beat"), QStringLiteral("0")},
            {QStringLiteral("bass"), QStringLiteral("0")},
            {QStringLiteral("hipHop"), QStringLiteral("0")},
            {QStringLiteral("techno"), QStringLiteral("1")},
            {QStringLiteral("custom"), QStringLiteral("0")}};
}

QByteArray deepDocument(int depth)
{
    return "<sampora>" + QByteArray("<a>").repeated(depth) + QByteArray("</a>").repeated(depth)
        + "</sampora>";
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

// The process's address space now, from /proc/self/statm (first field, in pages).
rlim_t addressSpaceBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    return rlim_t(statm.readLine().split(' ').value(0).toULongLong()) * rlim_t(sysconf(_SC_PAGESIZE));
}

bool runAsRoot()
{
    return geteuid() == 0;
}

bool run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// A small tmpfs mounted for one test; only possible as root.
class TinyMount {
public:
    explicit TinyMount(const QString &dir, const QString &size)
        : m_dir(dir)
    {
        QDir().mkpath(dir);
        m_mounted = runAsRoot()
            && run(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                             QStringLiteral("size=") + size, QStringLiteral("tmpfs"), dir});
    }
    ~TinyMount()
    {
        if (m_mounted)
            run(QStringLiteral("umount"), {m_dir});
    }
    bool mounted() const { return m_mounted; }
    bool makeReadOnly() const
    {
        return run(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,ro"), m_dir});
    }

private:
    QString m_dir;
    bool m_mounted = false;
};

} // namespace

class TestConfigWrite : public QObject {
    Q_OBJECT
private slots:
    void firstImportCreatesTheFile()
    {
        TempProgramDir dir;
        const ConfigWriter writer(Paths::configPath());
        const ConfigWriteResult result = writer.addOrReplace(entry(QStringLiteral("/samples/ünïcødé 音")));
        QVERIFY2(result.ok, qPrintable(result.message));
        QVERIFY(result.message.isEmpty());

        const QByteArray bytes = readAll(Paths::configPath());
        QVERIFY(bytes.contains(QStringLiteral("/samples/ünïcødé 音").toUtf8()));
        QVERIFY(!bytes.contains("DOCTYPE"));
        QVERIFY(bytes.endsWith(QByteArray(290000, ' ')));
        QVERIFY(!bytes.chopped(290000).endsWith(' '));
        QVERIFY(bytes.contains("\n <imported_folder "));
        QCOMPARE(rootChildren(Paths::configPath()),
                 QStringList{QStringLiteral("imported_folder /samples/ünïcødé 音")});
        QVERIFY2(!QFile::exists(writer.backupPath()), "nothing to back up on the first write");
    }

    void replacingMovesTheEntryToTheEndAndKeepsTheRest()
    {
        TempProgramDir dir;
        dir.writeFile(QStringLiteral("config.xml"),
                      "<?xml version=\"1.0\"?>\n<!DOCTYPE samporaXML>\n<sampora>"
                      "<imported_folder path=\"/a\" melody=\"1\"/><!-- mine -->"
                      "<playlist name=\"x\"><imported_folder path=\"/nested\"/></playlist>"
                      "<imported_folder path=\"/b\" beat=\"1\" extra=\"keep\"/></sampora>");
        const QFileDevice::Permissions permissions = QFileDevice::ReadOwner | QFileDevice::WriteOwner
            | QFileDevice::ReadGroup;
        QFile::setPermissions(Paths::configPath(), permissions);
        const QByteArray before = readAll(Paths::configPath());
        const ConfigWriter writer(Paths::configPath());

        QVERIFY(writer.addOrReplace(entry(QStringLiteral("/a"), QStringLiteral("0"))).ok);
        // The replacement keeps the old file's permissions (the "user" bits mirror the owner's here).
        QCOMPARE(QFile::permissions(Paths::configPath()) & ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser),
                 permissions);
        QCOMPARE(rootChildren(Paths::configPath()),
                 (QStringList{QStringLiteral("#comment mine"), QStringLiteral("playlist"),
                              QStringLiteral("imported_folder /b"), QStringLiteral("imported_folder /a")}));
        QCOMPARE(readAll(writer.backupPath()), before);

        const QByteArray after = readAll(Paths::configPath());
        QVERIFY(after.startsWith("<?xml version='1.0'?>\n<!DOCTYPE samporaXML>"));
        QVERIFY(after.contains("extra=\"keep\""));
        QVERIFY(after.contains("/nested"));
        QDomDocument doc;
        QVERIFY(doc.setContent(after));
        const QDomElement moved = doc.documentElement().lastChildElement();
        QCOMPARE(moved.attribute(QStringLiteral("melody")), QStringLiteral("0"));
        QCOMPARE(moved.attribute(QStringLiteral("techno")), QStringLiteral("1"));
        QCOMPARE(moved.attributes().count(), 7);

        QVERIFY(writer.remove(QStringLiteral("/b")).ok);
        QCOMPARE(rootChildren(Paths::configPath()),
                 (QStringList{QStringLiteral("#comment mine"), QStringLiteral("playlist"),
                              QStringLiteral("imported_folder /a")}));
        QCOMPARE(readAll(writer.backupPath()), after);
    }

    void onlyTheFirstEntryWithThePathIsTouched()
    {
        TempProgramDir dir;
        dir.writeFile(QStringLiteral("config.xml"),
                      "<sampora><imported_folder path=\"/d\" melody=\"1\"/><imported_folder path=\"/e\"/>"
                      "<imported_folder path=\"/d\" bass=\"1\"/><imported_folder melody=\"1\"/>"
                      "<imported_folder path=\"/D\"/></sampora>");
        const ConfigWriter writer(Paths::configPath());

        QVERIFY(writer.remove(QStringLiteral("/d")).ok);
        QCOMPARE(rootChildren(Paths::configPath()),
                 (QStringList{QStringLiteral("imported_folder /e"), QStringLiteral("imported_folder /d"),
                              QStringLiteral("imported_folder "), QStringLiteral("imported_folder /D")}));
        QVERIFY(readAll(Paths::configPath()).contains("bass=\"1\""));

        // An entry without a path is the one an empty path finds.
        QVERIFY(writer.addOrReplace(entry(QString())).ok);
        QCOMPARE(rootChildren(Paths::configPath()),
                 (QStringList{QStringLiteral("imported_folder /e"), QStringLiteral("imported_folder /d"),
                              QStringLiteral("imported_folder /D"), QStringLiteral("imported_folder ")}));

        // A path that is no longer there: the library is written back as it was.
        QVERIFY(writer.remove(QStringLiteral("/gone")).ok);
        QCOMPARE(rootChildren(Paths::configPath()).size(), 4);
    }

    void removeFromAMissingFileCreatesNothing()
    {
        TempProgramDir dir;
        const ConfigWriteResult result = ConfigWriter(Paths::configPath()).remove(QStringLiteral("/a"));
        QVERIFY(result.ok);
        QCOMPARE(filesIn(dir.path()), QStringList());
    }

    void aLinkedConfigIsWrittenThroughTheLink()
    {
        TempProgramDir dir;
        const QString target = dir.writeFile(QStringLiteral("synced/library.xml"), "<sampora/>");
        QVERIFY(QFile::link(target, Paths::configPath()));
        QVERIFY(ConfigWriter(Paths::configPath()).addOrReplace(entry(QStringLiteral("/a"))).ok);
        QVERIFY(QFileInfo(Paths::configPath()).isSymLink());
        QCOMPARE(rootChildren(target), QStringList{QStringLiteral("imported_folder /a")});
    }

    void aNameXmlCannotHoldIsRefused()
    {
        TempProgramDir dir;
        const QByteArray old = "<sampora><imported_folder path=\"/keep\"/></sampora>";
        dir.writeFile(QStringLiteral("config.xml"), old);
        const ConfigWriteResult result
            = ConfigWriter(Paths::configPath()).addOrReplace(entry(QStringLiteral("/loops\x01\x1b[0m")));
        QVERIFY(!result.ok);
        QVERIFY(!result.message.isEmpty());
        QVERIFY(readAll(Paths::configPath()) == old);
    }

    void anUnreadableConfigIsReported()
    {
        TempProgramDir dir;
        dir.writeFile(QStringLiteral("config.xml/inside"), "x");
        const ConfigWriteResult result = ConfigWriter(Paths::configPath()).addOrReplace(entry(QStringLiteral("/a")));
        QVERIFY(!result.ok);
        QVERIFY2(result.message.startsWith(QStringLiteral("config.xml could not be read")), qPrintable(result.message));
        QVERIFY(QFileInfo(Paths::configPath()).isDir());
    }

    void declaredEncodingIsRewrittenAsUtf8()
    {
        TempProgramDir dir;
        dir.writeFile(QStringLiteral("config.xml"),
                      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><sampora>"
                      "<imported_folder path=\"/caf\xe9\"/></sampora>");
        QVERIFY(ConfigWriter(Paths::configPath()).addOrReplace(entry(QStringLiteral("/日本"))).ok);
        const QByteArray bytes = readAll(Paths::configPath());
        QVERIFY(bytes.startsWith("<?xml version='1.0' encoding='UTF-8'?>"));
        QCOMPARE(rootChildren(Paths::configPath()),
                 (QStringList{QStringLiteral("imported_folder /café"), QStringLiteral("imported_folder /日本")}));
    }

    void badFilesAreNeverTouched_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");

        QByteArray binary(4096, '\0');
        QRandomGenerator gen(7);
        for (char &c : binary)
            c = char(gen.bounded(256));
        // What an interrupted in-place rewrite of the old program can leave behind.
        const QByteArray staleTail = "<sampora><imported_folder path=\"/a\"/></sampora>"
            + QByteArray(290000, ' ') + "der path=\"/old\"/></sampora>";

        QTest::newRow("empty") << QByteArray() << kNotParsed;
        QTest::newRow("only spaces") << QByteArray(290000, ' ') << kNotParsed;
        QTest::newRow("truncated") << QByteArray("<sampora><imported_folder path=\"/a\" mel") << kNotParsed;
        QTest::newRow("not xml") << QByteArray("path=/a melody=1\n") << kNotParsed;
        QTest::newRow("declaration only") << QByteArray("<?xml version=\"1.0\"?>\n") << kNotParsed;
        QTest::newRow("binary") << binary << kNotParsed;
        QTest::newRow("bom then garbage") << QByteArray("\xEF\xBB\xBFnot xml") << kNotParsed;
        QTest::newRow("stale tail after spaces") << staleTail << kNotParsed;
        QTest::newRow("huge truncated")
            << ("<sampora>" + QByteArray("<imported_folder path=\"/x\" melody=\"1\"/>\n").repeated(400000))
            << kNotParsed;
        QTest::newRow("deep nesting") << deepDocument(300000) << kNotParsed;
        QTest::newRow("deep and unclosed") << QByteArray("<sampora>" + QByteArray("<a>").repeated(300000))
                                           << kNotParsed;
        QTest::newRow("wrong root") << QByteArray("<library><imported_folder path=\"/a\"/></library>") << kWrongRoot;
        QTest::newRow("root differs in case") << QByteArray("<Sampora/>") << kWrongRoot;
        QTest::newRow("namespaced root") << QByteArray("<x:sampora xmlns:x=\"urn:x\"/>") << kWrongRoot;
    }

    void badFilesAreNeverTouched()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        TempProgramDir dir;
        dir.writeFile(QStringLiteral("config.xml"), content);
        const ConfigWriter writer(Paths::configPath());

        const ConfigWriteResult added = writer.addOrReplace(entry(QStringLiteral("/a")));
        QVERIFY(!added.ok);
        QCOMPARE(added.message, message);
        const ConfigWriteResult removed = writer.remove(QStringLiteral("/a"));
        QVERIFY(!removed.ok);
        QCOMPARE(removed.message, message);

        QVERIFY(readAll(Paths::configPath()) == content);
        QCOMPARE(filesIn(dir.path()), QStringList{QStringLiteral("config.xml")});
    }

    void unusualButValidFilesAreWritten_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("children");

        const QString a = QStringLiteral("imported_folder /a");
        const QString added = QStringLiteral("imported_folder /new");
        QByteArray utf16("\xFF\xFE", 2);
        const QString utf16Text = QStringLiteral("<sampora><imported_folder path=\"/a\"/></sampora>");
        utf16.append(reinterpret_cast<const char *>(utf16Text.utf16()), utf16Text.size() * 2);

        QTest::newRow("utf-8 bom") << QByteArray("\xEF\xBB\xBF<sampora><imported_folder path=\"/a\"/></sampora>")
                                   << QStringList{a, added};
        QTest::newRow("utf-16 bom") << utf16 << QStringList{a, added};
        QTest::newRow("root only") << QByteArray("<sampora/>") << QStringList{added};
        QTest::newRow("missing attributes")
            << QByteArray("<sampora><imported_folder/><imported_folder path=\"/a\"/></sampora>")
            << QStringList{QStringLiteral("imported_folder "), a, added};
        QTest::newRow("huge")
            << ("<sampora>" + QByteArray("<imported_folder path=\"/x\" melody=\"1\"/>\n").repeated(100000)
                + "</sampora>")
            << (QStringList(100000, QStringLiteral("imported_folder /x")) << added);
    }

    void unusualButValidFilesAreWritten()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, children);
        TempProgramDir dir;
        dir.writeFile(QStringLiteral("config.xml"), content);
        const ConfigWriter writer(Paths::configPath());

        const ConfigWriteResult result = writer.addOrReplace(entry(QStringLiteral("/new")));
        QVERIFY2(result.ok, qPrintable(result.message));
        QCOMPARE(rootChildren(Paths::configPath()), children);
        QVERIFY(readAll(writer.backupPath()) == content);
    }

    void fullDiskKeepsTheOldFile_data()
    {
        QTest::addColumn<bool>("tmpfs");
        QTest::newRow("tiny tmpfs") << true;
        QTest::newRow("file size limit") << false;
    }

    void fullDiskKeepsTheOldFile()
    {
        QFETCH(bool, tmpfs);
        TempProgramDir outer;
        const QString dirPath = outer.path() + QStringLiteral("/disk");
        TinyMount mount(dirPath, QStringLiteral("64k"));
        if (tmpfs && !mount.mounted())
            QSKIP("mounting a tmpfs needs root");
        Paths::setProgramDir(dirPath);
        QDir().mkpath(dirPath);
        const QByteArray old = "<sampora><imported_folder path=\"/keep\" melody=\"1\"/></sampora>";
        outer.writeFile(QStringLiteral("disk/config.xml"), old);

        // The new file (document plus its trailing spaces) is far larger than 64 KiB.
        rlimit saved {};
        getrlimit(RLIMIT_FSIZE, &saved);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        if (!tmpfs) {
            rlimit small = saved;
            small.rlim_cur = 64 * 1024;
            setrlimit(RLIMIT_FSIZE, &small);
        }
        const ConfigWriteResult result = ConfigWriter(Paths::configPath()).addOrReplace(entry(QStringLiteral("/new")));
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
        Paths::setProgramDir(outer.path());

        QVERIFY(!result.ok);
        QVERIFY2(result.message.startsWith(QStringLiteral("config.xml could not be saved")),
                 qPrintable(result.message));
        QVERIFY(readAll(dirPath + QStringLiteral("/config.xml")) == old);
        const QStringList left = filesIn(dirPath);
        QVERIFY2(left == (QStringList{QStringLiteral("config.xml"), QStringLiteral("config.xml.bak")}),
                 qPrintable(left.join(QLatin1Char(' '))));
    }

    void readOnlyDirectoryKeepsTheOldFile()
    {
        TempProgramDir outer;
        const QString dirPath = outer.path() + QStringLiteral("/ro");
        TinyMount mount(dirPath, QStringLiteral("1m"));
        const QByteArray old = "<sampora><imported_folder path=\"/keep\"/></sampora>";
        outer.writeFile(QStringLiteral("ro/config.xml"), old);
        if (mount.mounted()) {
            QVERIFY(mount.makeReadOnly());
        } else {
            if (runAsRoot())
                QSKIP("root ignores directory permissions and cannot mount here");
            QFile::setPermissions(dirPath, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        }

        const ConfigWriter writer(dirPath + QStringLiteral("/config.xml"));
        const ConfigWriteResult result = writer.addOrReplace(entry(QStringLiteral("/new")));
        QVERIFY(!result.ok);
        QVERIFY2(!result.message.isEmpty(), "the user must be told");
        QVERIFY(readAll(dirPath + QStringLiteral("/config.xml")) == old);
        QVERIFY(!writer.remove(QStringLiteral("/keep")).ok);
        QVERIFY(readAll(dirPath + QStringLiteral("/config.xml")) == old);
        QFile::setPermissions(dirPath, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    // Reading and rewriting a small config.xml must take memory in proportion to the file, not
    // to the size cap: a child process with little address space left does both.
    void smallFileNeedsLittleMemory()
    {
        if (TestSupport::kAddressSanitized)
            QSKIP("AddressSanitizer reserves terabytes of address space; no limit can be set");
        TempProgramDir dir;
        dir.writeFile(QStringLiteral("config.xml"), "<sampora><imported_folder path=\"/a\" beat=\"1\"/></sampora>");
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            const rlim_t headroom = 32 * 1024 * 1024;
            const rlimit limit { addressSpaceBytes() + headroom, RLIM_INFINITY };
            setrlimit(RLIMIT_AS, &limit);
            bool ok = false;
            try {
                ok = ConfigFile::load(Paths::configPath()).status == ConfigFile::Status::Ok
                    && ConfigWriter(Paths::configPath()).addOrReplace(entry(QStringLiteral("/b"))).ok;
            } catch (const std::bad_alloc &) {
            }
            _exit(ok ? 0 : 1);
        }
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        QVERIFY2(WIFEXITED(status) && WEXITSTATUS(status) == 0, "the child ran out of address space");
        QCOMPARE(rootChildren(Paths::configPath()),
                 (QStringList{QStringLiteral("imported_folder /a"), QStringLiteral("imported_folder /b")}));
    }

    // Kills a writing child at random moments: the file must always be whole.
    void killedWriterLeavesOldOrNew()
    {
        TempProgramDir dir;
        QByteArray content = "<sampora>";
        for (int i = 0; i < 3000; ++i)
            content += "<imported_folder path=\"/lib/" + QByteArray::number(i) + "\" melody=\"1\"/>";
        dir.writeFile(QStringLiteral("config.xml"), content + "</sampora>");
        const ConfigWriter writer(Paths::configPath());

        QRandomGenerator gen(42);
        for (int trial = 0; trial < 30; ++trial) {
            const QStringList before = rootChildren(Paths::configPath());
            const QString moved = QStringLiteral("/lib/%1").arg(trial);
            QStringList after = before;
            after.removeOne(QStringLiteral("imported_folder ") + moved);
            after << QStringLiteral("imported_folder ") + moved;

            const pid_t child = fork();
            QVERIFY(child >= 0);
            if (child == 0) {
                writer.addOrReplace(entry(moved));
                _exit(0);
            }
            usleep(gen.bounded(60000));
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);

            const QStringList now = rootChildren(Paths::configPath());
            QVERIFY2(now == before || now == after, qPrintable(QStringLiteral("trial %1").arg(trial)));
        }
    }
};

QTEST_GUILESS_MAIN(TestConfigWrite)
#include "tst_library_configwrite.moc"
