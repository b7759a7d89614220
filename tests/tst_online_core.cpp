#include <QtTest>

#include "online/feedbackbody.h"
#include "online/onlineservices.h"
#include "online/updatemanifest.h"
#include "tst_online_server.h"

class TestOnlineCore : public QObject {
    Q_OBJECT

private slots:
    void manifest_data();
    void manifest();
    void deeplyNestedManifest();
    void manifestDigest();
    void formBody_data();
    void formBody();
    void serviceUrls();
};

void TestOnlineCore::manifest_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::addColumn<bool>("update");
    QTest::addColumn<QString>("version"); // "<none>" when no version element counted
    QTest::addColumn<QString>("location");

    const QByteArray loc = "<download_location>http://h/i.exe</download_location>";
    QTest::newRow("same version") << "<u><version>0.2</version>" + loc + "</u>" << false << "0.2" << "http://h/i.exe";
    QTest::newRow("newer") << "<u><version>0.3</version>" + loc + "</u>" << true << "0.3" << "http://h/i.exe";
    QTest::newRow("older counts too") << QByteArray("<u><version>0.1</version></u>") << true << "0.1" << "<none>";
    QTest::newRow("leading space kept") << QByteArray("<u><version> 0.2</version></u>") << true << " 0.2" << "<none>";
    QTest::newRow("0.20 differs") << QByteArray("<u><version>0.20</version></u>") << true << "0.20" << "<none>";
    QTest::newRow("case-sensitive")
        << QByteArray("<u><version>0.2</version><Version>0.9</Version></u>") << false << "0.2" << "<none>";
    QTest::newRow("0.2 then 0.3")
        << QByteArray("<u><version>0.2</version><version>0.3</version></u>") << true << "0.3" << "<none>";
    QTest::newRow("0.3 then 0.2 keeps offer")
        << QByteArray("<u><version>0.3</version><version>0.2</version></u>") << true << "0.2" << "<none>";
    QTest::newRow("nested, reverse order")
        << QByteArray("<?xml version=\"1.0\"?><r><a><b><download_location> http://h/x </download_location></b></a>"
                      "<c><version>0.4</version><update_args>-q</update_args></c></r>")
        << true << "0.4" << " http://h/x ";
    QTest::newRow("root element is version") << QByteArray("<version>0.5</version>") << true << "0.5" << "<none>";
    QTest::newRow("entities resolved") << QByteArray("<u><version>0.3&amp;b</version></u>") << true << "0.3&b"
                                       << "<none>";
    QTest::newRow("empty body") << QByteArray() << false << "<none>" << "<none>";
    QTest::newRow("not XML") << QByteArray("<html><body>Error 0.3</p></html>") << false << "<none>" << "<none>";
    QTest::newRow("plain text") << QByteArray("0.3") << false << "<none>" << "<none>";
    QTest::newRow("no version element") << "<u>" + loc + "</u>" << false << "<none>" << "http://h/i.exe";
    QTest::newRow("read until the fault counts")
        << QByteArray("<u><version>0.3</version></x><version>0.2</version>") << true << "0.3" << "<none>";
    QTest::newRow("version cut off is no value") << QByteArray("<u><version>0.") << false << "<none>" << "<none>";
    QTest::newRow("version with markup inside is no value")
        << QByteArray("<u><version><b>0.3</b></version></u>") << false << "<none>" << "<none>";
}

void TestOnlineCore::manifest()
{
    QFETCH(QByteArray, xml);
    QFETCH(bool, update);
    QFETCH(QString, version);
    QFETCH(QString, location);

    const UpdateManifest::Contents contents = UpdateManifest::parse(xml, QStringLiteral("0.2"));
    QCOMPARE(contents.updateAvailable, update);
    QCOMPARE(contents.latestVersion.value_or(QStringLiteral("<none>")), version);
    QCOMPARE(contents.downloadLocation.value_or(QStringLiteral("<none>")), location);
}

void TestOnlineCore::deeplyNestedManifest()
{
    // A stream reader has no recursion to exhaust.
    const int depth = 200000;
    const QByteArray xml = QByteArray("<a>").repeated(depth) + "<version>0.3</version>" + QByteArray("</a>").repeated(depth);
    const UpdateManifest::Contents contents = UpdateManifest::parse(xml, QStringLiteral("0.2"));
    QVERIFY(contents.updateAvailable);
    QCOMPARE(contents.latestVersion.value_or(QString()), QStringLiteral("0.3"));
}

void TestOnlineCore::manifestDigest()
{
    const auto digest = [](const QByteArray &xml) {
        return UpdateManifest::parse(xml, QStringLiteral("0.2")).sha256.value_or(QStringLiteral("<none>"));
    };
    QCOMPARE(digest("<u><version>0.3</version></u>"), QStringLiteral("<none>"));
    QCOMPARE(digest("<u><a><sha256> AB12 </sha256></a><version>0.3</version></u>"), QStringLiteral(" AB12 "));
    QCOMPARE(digest("<u><sha256>1</sha256><sha256>2</sha256></u>"), QStringLiteral("2"));
}

void TestOnlineCore::formBody_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("message");

    QTest::newRow("empty address") << QString() << QStringLiteral("Hello");
    QTest::newRow("x and Hi") << QStringLiteral("x") << QStringLiteral("Hi");
    QTest::newRow("two lines") << QStringLiteral("a@b.c") << QStringLiteral("first line\nsecond line");
    QTest::newRow("windows line break") << QString() << QStringLiteral("one\r\ntwo");
    QTest::newRow("form delimiters") << QStringLiteral("a&b=c@d.e") << QStringLiteral("x=1&message=2&from=3");
    QTest::newRow("plus and percent") << QStringLiteral("me+tag@x.org") << QStringLiteral("1+1 = 2, 100% %41 sure");
    QTest::newRow("non-Latin-1") << QStringLiteral("ü@例え.jp") << QStringLiteral("Grüße — 日本語 🎵 Ω");
    QTest::newRow("empty message") << QStringLiteral("a@b.c") << QString();
}

void TestOnlineCore::formBody()
{
    QFETCH(QString, from);
    QFETCH(QString, message);

    const QByteArray body = FeedbackBody::encode(from, message);
    QVERIFY(body.startsWith("from="));
    QCOMPARE(body.count('&'), 1);
    QVERIFY(body.indexOf("&message=") > 0);
    QCOMPARE(formValue(body, QStringLiteral("from")), from);
    QCOMPARE(formValue(body, QStringLiteral("message")), message);
}

void TestOnlineCore::serviceUrls()
{
    // The build names no address unless the distributor set one.
    const QUrl built = OnlineServices::baseUrl();
    QCOMPARE(OnlineServices::isConfigured(), !built.isEmpty());

    const struct {
        const char *url;
        bool usable;
    } bases[] = {
        { "https://updates.example.org/sampora", true },
        { "http://127.0.0.1:8765", true },
        { "file:///srv/sampora", false },
        { "ftp://example.org/sampora", false },
        { "https://", false },
        { "updates.example.org", false },
    };
    for (const auto &base : bases) {
        OnlineServices::setBaseUrl(QUrl(QString::fromLatin1(base.url)));
        QVERIFY2(OnlineServices::isConfigured() == base.usable, base.url);
    }

    OnlineServices::setBaseUrl(QUrl(QStringLiteral("http://127.0.0.1:8765/services/")));
    QCOMPARE(OnlineServices::manifestUrl(), QUrl(QStringLiteral("http://127.0.0.1:8765/services/version.xml")));
    QCOMPARE(OnlineServices::feedbackUrl(), QUrl(QStringLiteral("http://127.0.0.1:8765/services/feedback.php")));
    OnlineServices::setBaseUrl(QUrl(QStringLiteral("http://127.0.0.1:8765")));
    QCOMPARE(OnlineServices::manifestUrl(), QUrl(QStringLiteral("http://127.0.0.1:8765/version.xml")));

    OnlineServices::setBaseUrl(QUrl());
    QCOMPARE(OnlineServices::baseUrl(), built);
}

QTEST_GUILESS_MAIN(TestOnlineCore)
#include "tst_online_core.moc"
