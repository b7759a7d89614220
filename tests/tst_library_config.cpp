#include <QtTest>

#include <unistd.h>

#include <QElapsedTimer>

#include "library/configfile.h"
#include "library/paths.h"
#include "support/testsupport.h"

Q_DECLARE_METATYPE(ConfigFile::Status)

namespace {

QByteArray entryXml(const QByteArray &attributes)
{
    return "<imported_folder " + attributes + "/>\n";
}

QByteArray config(const QByteArray &children)
{
    return "<sampora>\n" + children + "</sampora>\n";
}

// "path:type:genres" per entry, e.g. "a:M:h-c"; "-" for no type or genre.
QString summary(const ConfigFile::Entry &e)
{
    QChar type = QLatin1Char('-');
    if (const auto t = e.type())
        type = *t == Beat ? QLatin1Char('B') : *t == Bass ? QLatin1Char('S') : QLatin1Char('M');
    QString genres;
    genres += e.hipHop ? QLatin1Char('h') : QLatin1Char('-');
    genres += e.techno ? QLatin1Char('t') : QLatin1Char('-');
    genres += e.custom ? QLatin1Char('c') : QLatin1Char('-');
    return e.pathAttr + QLatin1Char(':') + type + QLatin1Char(':') + genres;
}

QStringList summaries(const QList<ConfigFile::Entry> &entries)
{
    QStringList result;
    for (const auto &e : entries)
        result.append(summary(e));
    return result;
}

QByteArray nested(int depth)
{
    return "<sampora>" + entryXml(R"(path="before" beat="1" hipHop="1")") + QByteArray("<a>").repeated(depth)
        + QByteArray("</a>").repeated(depth) + "</sampora>";
}

} // namespace

// Reading config.xml: what counts as a folder entry, its type and playlists, and how
// broken, foreign and hostile files are handled.
class TestLibraryConfig : public QObject {
    Q_OBJECT
private slots:
    void read_data()
    {
        QTest::addColumn<QByteArray>("xml");
        QTest::addColumn<ConfigFile::Status>("status");
        QTest::addColumn<QStringList>("entries"); // typed and untyped, see summary()

        using S = ConfigFile::Status;
        QTest::newRow("root only") << config("") << S::Ok << QStringList();
        QTest::newRow("empty root element") << QByteArray("<sampora/>") << S::Ok << QStringList();
        QTest::newRow("one entry")
            << config(entryXml(R"(path="loops" melody="1" beat="0" bass="0" hipHop="1" techno="0" custom="1")"))
            << S::Ok << QStringList{"loops:M:h-c"};
        QTest::newRow("attribute order does not matter")
            << config(entryXml(R"(custom="1" bass="1" path="b")")) << S::Ok << QStringList{"b:S:--c"};
        QTest::newRow("flags are exactly 1")
            << config(entryXml(R"(path="a" beat="1" hipHop="true")") + entryXml(R"(path="b" beat="1" hipHop=" 1")")
                      + entryXml(R"(path="c" beat="1" hipHop="1 ")") + entryXml(R"(path="d" beat="1" hipHop="01")")
                      + entryXml(R"(path="e" beat="TRUE" hipHop="1")") + entryXml(R"(path="f" beat="1" HIPHOP="1")"))
            << S::Ok << QStringList{"a:B:---", "b:B:---", "c:B:---", "d:B:---", "e:-:h--", "f:B:---"};
        QTest::newRow("type precedence")
            << config(entryXml(R"(path="mb" melody="1" beat="1")") + entryXml(R"(path="bs" beat="1" bass="1")")
                      + entryXml(R"(path="all" melody="1" beat="1" bass="1")")
                      + entryXml(R"(path="ms" melody="1" bass="1")") + entryXml(R"(path="none" hipHop="1")"))
            << S::Ok << QStringList{"mb:M:---", "bs:S:---", "all:M:---", "ms:M:---", "none:-:h--"};
        QTest::newRow("techno written as techno or electronic")
            << config(entryXml(R"(path="t" beat="1" techno="1")") + entryXml(R"(path="e" beat="1" electronic="1")")
                      + entryXml(R"(path="x" beat="1" techno="0" electronic="yes")"))
            << S::Ok << QStringList{"t:B:-t-", "e:B:-t-", "x:B:---"};
        QTest::newRow("comments, text and foreign elements skipped")
            << config("<!-- <imported_folder path=\"commented\" beat=\"1\"/> -->\ntext\n<folder path=\"foreign\" beat=\"1\"/>\n"
                      "<other><imported_folder path=\"inside other\" beat=\"1\"/></other>\n"
                      "<imported_folder path=\"outer\" beat=\"1\"><imported_folder path=\"inner\" melody=\"1\"/></imported_folder>\n"
                      "<?pi data?><Imported_Folder path=\"case\" beat=\"1\"/><![CDATA[<imported_folder path=\"cdata\"/>]]>")
            << S::Ok << QStringList{"outer:B:---"};
        QTest::newRow("same path twice")
            << config(entryXml(R"(path="a" beat="1")") + entryXml(R"(path="a" melody="1")")) << S::Ok
            << QStringList{"a:B:---", "a:M:---"};
        QTest::newRow("absent path") << config(entryXml(R"(beat="1")")) << S::Ok << QStringList{":B:---"};
        QTest::newRow("declaration, doctype, BOM and trailing spaces")
            << "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE samporaXML>\n"
                   + config(entryXml("path=\"Br\xC3\xBC" "cke &amp; Tunnel\" bass=\"1\" techno=\"1\""))
                   + QByteArray(290000, ' ')
            << S::Ok << QStringList{QString::fromUtf8("Brücke & Tunnel:S:-t-")};
        QTest::newRow("declared Latin-1")
            << "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" + config(entryXml("path=\"caf\xE9\" beat=\"1\""))
            << S::Ok << QStringList{QString::fromUtf8("café:B:---")};
        QTest::newRow("UTF-16 with BOM")
            << [] {
                   const QString text = QString::fromUtf8(config(entryXml(R"(path="ü" beat="1")")));
                   return QByteArray("\xFF\xFE") + QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2);
               }()
            << S::Ok << QStringList{QString::fromUtf8("ü:B:---")};

        // A broken file is read up to the error.
        QTest::newRow("broken after two entries")
            << "<sampora>\n" + entryXml(R"(path="a" beat="1")") + entryXml(R"(path="b" melody="1")") + "<imported_folder path=\"c\" <<\n"
            << S::Partial << QStringList{"a:B:---", "b:M:---"};
        QTest::newRow("root never closed")
            << "<sampora>\n" + entryXml(R"(path="a" beat="1")") << S::Partial << QStringList{"a:B:---"};
        QTest::newRow("mismatched closing tag")
            << "<sampora>\n" + entryXml(R"(path="a" bass="1")") + "</sampor>\n" << S::Partial << QStringList{"a:S:---"};
        QTest::newRow("undefined entity")
            << "<sampora>\n" + entryXml(R"(path="a" bass="1")") + entryXml(R"(path="&bogus;" bass="1")")
            << S::Partial << QStringList{"a:S:---"};

        QTest::newRow("entity expansion bomb")
            << [] {
                   QByteArray dtd = "<!DOCTYPE sampora [<!ENTITY e0 \"laugh\">";
                   for (int i = 1; i < 10; ++i)
                       dtd += "<!ENTITY e" + QByteArray::number(i) + " \"" + ("&e" + QByteArray::number(i - 1) + ";").repeated(10) + "\">";
                   return dtd + "]>\n<sampora>\n" + entryXml(R"(path="a" beat="1")") + entryXml(R"(path="&e9;" beat="1")") + "</sampora>";
               }()
            << S::Partial << QStringList{"a:B:---"};

        // No usable root.
        QTest::newRow("empty file") << QByteArray() << S::WrongRoot << QStringList();
        QTest::newRow("white space only") << QByteArray("  \n\n ") << S::WrongRoot << QStringList();
        QTest::newRow("not XML") << QByteArray("path=loops beat=1\n") << S::WrongRoot << QStringList();
        QTest::newRow("binary") << QByteArray("\x00\x01\x02\xFF\xFE", 5) << S::WrongRoot << QStringList();
        QTest::newRow("other root") << QByteArray("<library>" + entryXml(R"(path="a" beat="1")") + "</library>")
                                    << S::WrongRoot << QStringList();
        QTest::newRow("root in other case") << QByteArray("<Sampora/>") << S::WrongRoot << QStringList();
        QTest::newRow("root with a prefix") << QByteArray("<x:sampora xmlns:x=\"urn:x\"/>") << S::WrongRoot << QStringList();
        QTest::newRow("broken before the root") << QByteArray("<?xml version=\"1.0\"?>\n<<sampora/>") << S::WrongRoot
                                                << QStringList();
        QTest::newRow("nesting at the limit") << nested(ConfigFile::kMaxDepth - 1) << S::Ok << QStringList{"before:B:h--"};
        QTest::newRow("nesting beyond the limit") << nested(ConfigFile::kMaxDepth) << S::WrongRoot << QStringList();
    }
    void read()
    {
        QFETCH(QByteArray, xml);
        QFETCH(ConfigFile::Status, status);
        QFETCH(QStringList, entries);

        TempProgramDir dir;
        dir.writeFile(QStringLiteral("config.xml"), xml);
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        const ConfigFile::Result result = ConfigFile::load(Paths::configPath());
        QCOMPARE(result.status, status);
        if (status != ConfigFile::Status::WrongRoot)
            QCOMPARE(result.wellFormed, status == ConfigFile::Status::Ok);
        QCOMPARE(summaries(ConfigFile::entries(result.doc, ConfigFile::Untyped::Keep)), entries);

        // Readers leave untyped entries out.
        QStringList typed;
        for (const QString &e : std::as_const(entries)) {
            if (!e.contains(QStringLiteral(":-:")))
                typed.append(e);
        }
        QCOMPARE(summaries(ConfigFile::entries(result.doc)), typed);
    }

    void paths_data()
    {
        QTest::addColumn<QString>("attr");
        QTest::addColumn<QString>("expected"); // "@" stands for the program's directory

        QTest::newRow("relative") << "samples/beats" << "@/samples/beats";
        QTest::newRow("relative with dots") << "../shared/loops" << "@/../shared/loops";
        QTest::newRow("absent or empty") << "" << "@/";
        QTest::newRow("absolute") << "/home/me/loops" << "/home/me/loops";
        QTest::newRow("drive letter") << "C:/Samples" << "C:/Samples";
        QTest::newRow("colon anywhere") << "a:b" << "a:b";
        QTest::newRow("leading space is relative") << " /x" << "@/ /x";
    }
    void paths()
    {
        QFETCH(QString, attr);
        QFETCH(QString, expected);
        TempProgramDir dir;
        expected.replace(QStringLiteral("@"), dir.path());
        QCOMPARE(ConfigFile::resolvePath(attr), expected);

        dir.writeFile(QStringLiteral("config.xml"),
                      config("<imported_folder path=\"" + attr.toUtf8() + "\" beat=\"1\"/>"));
        const auto entries = ConfigFile::entries(ConfigFile::load(Paths::configPath()).doc);
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries.first().path, expected);
    }

    // The load's debug lines are what a user sees when asking why the library is empty.
    void debugMessages()
    {
        TempProgramDir dir;
        QTest::ignoreMessage(QtDebugMsg, "cannot open config file");
        QCOMPARE(ConfigFile::load(Paths::configPath()).status, ConfigFile::Status::CannotOpen);

        dir.writeFile(QStringLiteral("config.xml"), "<sampora>\n<imported_folder path=\"a\" beat=\"1\"/>\n<broken\n</sampora>\n");
        QTest::ignoreMessage(QtDebugMsg, "cannot read DOM of config file");
        QTest::ignoreMessage(QtDebugMsg, "\"</sampora>\"");
        QCOMPARE(ConfigFile::load(Paths::configPath()).status, ConfigFile::Status::Partial);

        dir.writeFile(QStringLiteral("config.xml"), "<library/>");
        QTest::ignoreMessage(QtDebugMsg, "config file xml has wrong root tag");
        QCOMPARE(ConfigFile::load(Paths::configPath()).status, ConfigFile::Status::WrongRoot);

        dir.writeFile(QStringLiteral("config.xml"), "");
        QTest::ignoreMessage(QtDebugMsg, "cannot read DOM of config file");
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^line ")));
        QTest::ignoreMessage(QtDebugMsg, "config file xml has wrong root tag");
        QCOMPARE(ConfigFile::load(Paths::configPath()).status, ConfigFile::Status::WrongRoot);
    }

    void unreadableFiles()
    {
        TempProgramDir dir;
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("config.xml")));
        QTest::ignoreMessage(QtDebugMsg, "cannot open config file");
        QCOMPARE(ConfigFile::load(Paths::configPath()).status, ConfigFile::Status::CannotOpen);
        QVERIFY(QDir(dir.path()).rmdir(QStringLiteral("config.xml")));

        QVERIFY(QFile::link(QStringLiteral("config.xml"), dir.path() + QStringLiteral("/config.xml")));
        QTest::ignoreMessage(QtDebugMsg, "cannot open config file");
        QCOMPARE(ConfigFile::load(Paths::configPath()).status, ConfigFile::Status::CannotOpen);
        QVERIFY(QFile::remove(Paths::configPath()));

        if (::geteuid() != 0) { // permissions do not apply to root
            dir.writeFile(QStringLiteral("config.xml"), "<sampora/>");
            QVERIFY(QFile::setPermissions(Paths::configPath(), QFileDevice::Permissions()));
            QTest::ignoreMessage(QtDebugMsg, "cannot open config file");
            QCOMPARE(ConfigFile::load(Paths::configPath()).status, ConfigFile::Status::CannotOpen);
        }
    }

    // A device that never ends must not be read forever.
    void endlessFile()
    {
        TempProgramDir dir;
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), dir.path() + QStringLiteral("/config.xml")));
        QTest::ignoreMessage(QtDebugMsg, "cannot read DOM of config file");
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("larger than")));
        QTest::ignoreMessage(QtDebugMsg, "config file xml has wrong root tag");
        QCOMPARE(ConfigFile::load(Paths::configPath()).status, ConfigFile::Status::WrongRoot);
    }

    // Hostile nesting is rejected by a linear pre-pass; the DOM parser would take
    // seconds or overflow the stack on it.
    void deepNestingRejectedQuickly()
    {
        TempProgramDir dir;
        dir.writeFile(QStringLiteral("config.xml"), nested(200000));
        QElapsedTimer timer;
        timer.start();
        QTest::ignoreMessage(QtDebugMsg, "cannot read DOM of config file");
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("nested deeper")));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^\"<a><a>")));
        QTest::ignoreMessage(QtDebugMsg, "config file xml has wrong root tag");
        const ConfigFile::Result result = ConfigFile::load(Paths::configPath());
        QCOMPARE(result.status, ConfigFile::Status::WrongRoot);
        QVERIFY(result.doc.documentElement().isNull());
        qInfo("rejected in %lld ms", timer.elapsed());

        // Deep nesting inside an entry is still nesting.
        const QByteArray inEntry = "<sampora><imported_folder path=\"a\" beat=\"1\">" + QByteArray("<x>").repeated(100000) + "</sampora>";
        QCOMPARE(ConfigFile::parse(inEntry).status, ConfigFile::Status::WrongRoot);
    }

    void bigFiles()
    {
        // Thousands of entries load whole, in order.
        QByteArray children;
        for (int i = 0; i < 20000; ++i)
            children += entryXml("path=\"folder " + QByteArray::number(i) + "\" beat=\"1\" custom=\"1\"");
        const ConfigFile::Result many = ConfigFile::parse(config(children) + QByteArray(290000, ' '));
        QCOMPARE(many.status, ConfigFile::Status::Ok);
        const auto entries = ConfigFile::entries(many.doc);
        QCOMPARE(entries.size(), 20000);
        QCOMPARE(entries.last().pathAttr, QStringLiteral("folder 19999"));

        // Beyond the size limit the file is not a configuration.
        const QByteArray huge = config("") + QByteArray(ConfigFile::kMaxBytes, ' ');
        const ConfigFile::Result rejected = ConfigFile::parse(huge);
        QCOMPARE(rejected.status, ConfigFile::Status::WrongRoot);
        QVERIFY(rejected.message.contains(QStringLiteral("larger than")));
    }

    // A broken file of many lines echoes a bounded excerpt, not megabytes.
    void unparsedLinesAreBounded()
    {
        QByteArray text = "<sampora>\n<broken\n";
        for (int i = 0; i < 10000; ++i)
            text += QByteArray(1000, 'x') + '\n';
        const ConfigFile::Result result = ConfigFile::parse(text);
        QCOMPARE(result.status, ConfigFile::Status::Partial);
        QVERIFY(result.unparsedLines.size() <= 50);
        for (const QString &line : result.unparsedLines)
            QVERIFY(line.size() <= 200);
    }
};

QTEST_GUILESS_MAIN(TestLibraryConfig)
#include "tst_library_config.moc"
