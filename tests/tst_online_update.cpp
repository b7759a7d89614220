#include <QtTest>

#include <QAbstractButton>
#include <QCryptographicHash>
#include <QLabel>
#include <QNetworkReply>
#include <QRandomGenerator>

#include "online/filedownloader.h"
#include "online/installerlauncher.h"
#include "online/onlineservices.h"
#include "online/updatecheck.h"
#include "online/userprompt.h"
#include "tst_online_server.h"

using namespace std::chrono_literals;

namespace {

const QString kPromptText = QStringLiteral("An update to version %1 is available. \n Would you like to download and install?");
const QString kPkexec = QStringLiteral("/usr/bin/pkexec");
const QString kRefused = QStringLiteral("Update|The update was refused:\n");

QByteArray manifestFor(const QByteArray &version)
{
    return "<?xml version=\"1.0\"?><update><version>" + version
        + "</version><download_location>$BASE/spupdate.exe</download_location><update_args/></update>";
}

// Every request the checker made has finished and its outcome has been handled (a reply is
// released once its downloader is done with it).
bool settled(const UpdateCheck &check)
{
    return QTest::qWaitFor([&] { return check.findChildren<QNetworkReply *>().isEmpty(); }, 15000);
}

} // namespace

class TestOnlineUpdate : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void checkOutcome_data();
    void checkOutcome();
    void runningVersionIsTheProgramsOwn();
    void declineOrCancel_data();
    void declineOrCancel();
    void manualLatchCoversEarlierRequest();
    void notConfiguredRequestsNothing();
    void installerSavedPrivatelyAndStarted();
    void installerSource_data();
    void installerSource();
    void installerFailures_data();
    void installerFailures();
    void overlappingCheckDoesNotSwapInstaller();
    void pkexecFromPathIsNotUsed();
    void realMessageBox();

private:
    // Message boxes and the installer start are answered and recorded by the test.
    void useTestSeams();
    QStringList texts() const;

    QList<UserPrompt::Box> boxes;
    QList<QMessageBox::StandardButton> answers; // for question boxes, in order; then Cancel
    std::function<void()> onQuestion;
    QList<QStringList> starts; // program followed by its arguments
    bool startSucceeds = true;
    QByteArray savedTmpDir;
};

void TestOnlineUpdate::initTestCase()
{
    OnlineServices::setTransferTimeout(1000ms);
    QCoreApplication::setApplicationVersion(QStringLiteral("0.2"));
    useTestSeams();
    savedTmpDir = qgetenv("TMPDIR");
}

void TestOnlineUpdate::useTestSeams()
{
    UserPrompt::setResponder([this](const UserPrompt::Box &box) {
        boxes.append(box);
        if (!(box.buttons & QMessageBox::Yes))
            return QMessageBox::Ok;
        if (onQuestion)
            onQuestion();
        return answers.isEmpty() ? QMessageBox::Cancel : answers.takeFirst();
    });
    InstallerLauncher::setStarter([this](const QString &program, const QStringList &arguments) {
        starts.append(QStringList { program } + arguments);
        return startSucceeds;
    });
}

void TestOnlineUpdate::init()
{
    boxes.clear();
    answers.clear();
    onQuestion = nullptr;
    starts.clear();
    startSucceeds = true;
}

void TestOnlineUpdate::cleanup()
{
    OnlineServices::setBaseUrl(QUrl());
    if (savedTmpDir.isEmpty())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", savedTmpDir);
}

QStringList TestOnlineUpdate::texts() const
{
    QStringList result;
    for (const UserPrompt::Box &box : boxes)
        result.append(box.title + QLatin1Char('|') + box.text);
    return result;
}

void TestOnlineUpdate::checkOutcome_data()
{
    QTest::addColumn<QString>("server"); // "http" or a misbehaviour
    QTest::addColumn<QByteArray>("manifest");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("automatic"); // title|text of the box after the start-up check, if any
    QTest::addColumn<QString>("manual"); // title|text after a manual check

    const QString upToDate = QStringLiteral("Update|Current version is installed.");
    const QString offline = QStringLiteral("Update|No internet connection.");
    const QString prompt03 = QStringLiteral("Update Available|") + kPromptText.arg(QStringLiteral("0.3"));
    QTest::newRow("same version") << "http" << manifestFor("0.2") << 200 << QString() << upToDate;
    QTest::newRow("newer version") << "http" << manifestFor("0.3") << 200 << prompt03 << prompt03;
    QTest::newRow("older version")
        << "http" << manifestFor("0.1") << 200 << QStringLiteral("Update Available|") + kPromptText.arg("0.1")
        << QStringLiteral("Update Available|") + kPromptText.arg("0.1");
    QTest::newRow("two versions, later one named")
        << "http" << QByteArray("<a><b><version>0.2</version></b><version>0.3</version></a>") << 200 << prompt03
        << prompt03;
    QTest::newRow("empty body") << "http" << QByteArray() << 200 << QString() << upToDate;
    QTest::newRow("not XML") << "http" << QByteArray("<html>oops") << 200 << QString() << upToDate;
    QTest::newRow("HTTP 404") << "http" << manifestFor("0.3") << 404 << QString() << offline;
    QTest::newRow("HTTP 300, no redirect") << "http" << manifestFor("0.3") << 300 << QString() << offline;
    QTest::newRow("HTTP 500") << "http" << manifestFor("0.3") << 500 << QString() << offline;
    QTest::newRow("refused") << "refused" << QByteArray() << 0 << QString() << offline;
    QTest::newRow("no answer until timeout") << "hang" << QByteArray() << 0 << QString() << offline;
    QTest::newRow("endless body") << "endless" << QByteArray() << 0 << QString() << offline;
    QTest::newRow("body cut off") << "cutoff" << QByteArray() << 0 << QString() << offline;
}

void TestOnlineUpdate::checkOutcome()
{
    QFETCH(QString, server);
    QFETCH(QByteArray, manifest);
    QFETCH(int, status);
    QFETCH(QString, automatic);
    QFETCH(QString, manual);

    TestHttpServer http;
    http.manifest = manifest;
    http.manifestStatus = Status(status);
    std::unique_ptr<RawTcpServer> raw;
    if (server == QLatin1String("http")) {
        OnlineServices::setBaseUrl(http.baseUrl());
    } else if (server == QLatin1String("refused")) {
        OnlineServices::setBaseUrl(refusingUrl());
    } else {
        const auto mode = server == QLatin1String("hang") ? RawTcpServer::Hang
            : server == QLatin1String("endless")          ? RawTcpServer::Endless
                                                          : RawTcpServer::CutOff;
        raw = std::make_unique<RawTcpServer>(mode);
        OnlineServices::setBaseUrl(raw->url(QString()));
    }

    UpdateCheck check;
    QVERIFY(settled(check));
    QCOMPARE(texts(), automatic.isEmpty() ? QStringList() : QStringList { automatic });

    boxes.clear();
    check.manualCheck();
    QVERIFY(settled(check));
    QCOMPARE(texts(), QStringList { manual });
    if (manual.startsWith(QLatin1String("Update Available"))) {
        QCOMPARE(boxes.first().icon, QMessageBox::Question);
        QCOMPARE(boxes.first().buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    } else {
        QCOMPARE(boxes.first().icon, QMessageBox::Information);
        QCOMPARE(boxes.first().buttons, QMessageBox::Ok);
    }
    // Cancel was the answer to every prompt: nothing is fetched.
    QCOMPARE(http.installerRequests, 0);
    QVERIFY(starts.isEmpty());
}

// The version the updater compares is the one the program states (About, --version), so a new
// release does not offer itself as its own update.
void TestOnlineUpdate::runningVersionIsTheProgramsOwn()
{
    QCoreApplication::setApplicationVersion(QStringLiteral("0.7"));
    TestHttpServer http;
    OnlineServices::setBaseUrl(http.baseUrl());
    for (const QByteArray &offered : { QByteArray("0.7"), QByteArray("0.2") }) {
        http.manifest = manifestFor(offered);
        boxes.clear();
        UpdateCheck check;
        check.manualCheck();
        QVERIFY(settled(check));
        const QString expected = offered == "0.7" ? QStringLiteral("Update|Current version is installed.")
                                                  : QStringLiteral("Update Available|") + kPromptText.arg("0.2");
        QCOMPARE(texts().last(), expected);
    }
    QCoreApplication::setApplicationVersion(QStringLiteral("0.2"));
}

void TestOnlineUpdate::declineOrCancel_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<QStringList>("after");

    QTest::newRow("No") << int(QMessageBox::No) << QStringList { QStringLiteral("Declined|The update will NOT download") };
    QTest::newRow("Cancel") << int(QMessageBox::Cancel) << QStringList();
    QTest::newRow("closed") << int(QMessageBox::Escape) << QStringList();
}

void TestOnlineUpdate::declineOrCancel()
{
    QFETCH(int, answer);
    QFETCH(QStringList, after);

    TestHttpServer http;
    http.manifest = manifestFor("0.3");
    http.installer = "#!/bin/sh\n";
    OnlineServices::setBaseUrl(http.baseUrl());
    answers = { QMessageBox::StandardButton(answer) };

    UpdateCheck check;
    QSignalSpy updateStarted(&check, &UpdateCheck::updateStarted);
    QVERIFY(settled(check));
    QCOMPARE(texts(), QStringList { QStringLiteral("Update Available|") + kPromptText.arg("0.3") } + after);
    // The manifest's downloader is freed once it has been read.
    QTRY_COMPARE(check.findChildren<FileDownloader *>().size(), 0);
    QCOMPARE(http.installerRequests, 0);
    QCOMPARE(updateStarted.count(), 0);
}

void TestOnlineUpdate::manualLatchCoversEarlierRequest()
{
    TestHttpServer http;
    http.manifest = manifestFor("0.2");
    OnlineServices::setBaseUrl(http.baseUrl());

    // The start-up check's answer arrives after the user asked: it speaks too.
    UpdateCheck check;
    check.manualCheck();
    QVERIFY(settled(check));
    QCOMPARE(http.manifestRequests, 2);
    QCOMPARE(texts(), QStringList(2, QStringLiteral("Update|Current version is installed.")));

    // And the latch stays: a later failure is reported as well.
    boxes.clear();
    OnlineServices::setBaseUrl(refusingUrl());
    check.manualCheck();
    QVERIFY(settled(check));
    QCOMPARE(texts(), QStringList { QStringLiteral("Update|No internet connection.") });
}

void TestOnlineUpdate::notConfiguredRequestsNothing()
{
    OnlineServices::setBaseUrl(QUrl());
    if (OnlineServices::isConfigured())
        QSKIP("this build names a service address");

    UpdateCheck check;
    QVERIFY(check.findChildren<FileDownloader *>().isEmpty());
    check.manualCheck();
    QVERIFY(check.findChildren<FileDownloader *>().isEmpty());
    QCOMPARE(texts(), QStringList { QStringLiteral("Update|This build of Sampora has no update service configured.") });
}

void TestOnlineUpdate::installerSavedPrivatelyAndStarted()
{
    TestHttpServer http(Transport::Https);
    http.manifest = manifestFor("0.3");
    http.installer.resize(300 * 1024);
    QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(http.installer.data()), http.installer.size() / 4);
    OnlineServices::setBaseUrl(http.baseUrl());
    answers = { QMessageBox::Yes };

    UpdateCheck check;
    QSignalSpy updateStarted(&check, &UpdateCheck::updateStarted);
    int updateStartedAtLaunch = -1;
    InstallerLauncher::setStarter([&](const QString &program, const QStringList &arguments) {
        starts.append(QStringList { program } + arguments);
        updateStartedAtLaunch = updateStarted.count();
        return true;
    });
    const bool done = settled(check);
    useTestSeams();
    QVERIFY(done);

    QCOMPARE(http.installerRequests, 1);
    QCOMPARE(starts.size(), 1);
    QCOMPARE(starts.first().size(), 2);
    QCOMPARE(starts.first().first(), kPkexec);
    const QString path = starts.first().at(1);
    QCOMPARE(updateStartedAtLaunch, 0);
    QCOMPARE(updateStarted.count(), 1);
    QCOMPARE(texts().size(), 1); // the prompt only

    const QFileInfo installer(path);
    QCOMPARE(installer.fileName(), QStringLiteral("spupdate.exe"));
    QVERIFY(installer.isAbsolute());
    QVERIFY(installer.isExecutable());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll() == http.installer);

    // A folder of its own inside the temporary directory, closed to everyone else.
    const QFileInfo folder(installer.absolutePath());
    QCOMPARE(folder.absoluteFilePath(), check.installerDir());
    QCOMPARE(QFileInfo(folder.absolutePath()).canonicalFilePath(), QFileInfo(QDir::tempPath()).canonicalFilePath());
    QVERIFY(folder.fileName() != QLatin1String("spupdate.exe"));
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther
        | QFile::WriteOther | QFile::ExeOther;
    const QFile::Permissions owner = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    QCOMPARE(folder.permissions() & (owner | others), owner);
    QCOMPARE(installer.permissions() & others, QFile::Permissions());
    QVERIFY(QDir(folder.absoluteFilePath()).removeRecursively());
    // Each downloader, with the installer's bytes, is freed once handled.
    QTRY_COMPARE(check.findChildren<FileDownloader *>().size(), 0);
}

void TestOnlineUpdate::installerSource_data()
{
    QTest::addColumn<QByteArray>("location"); // "$BASE" is the https server the manifest came from
    QTest::addColumn<QByteArray>("sha256"); // the manifest's sha256 element; none when empty
    QTest::addColumn<QString>("refusal"); // the reason shown after the prompt; none when it runs
    QTest::addColumn<bool>("fetched"); // the installer was requested from the server

    const QByteArray installer = "#!/bin/sh\necho installer\n";
    const QByteArray right = QCryptographicHash::hash(installer, QCryptographicHash::Sha256).toHex();
    const QString notHttps = QStringLiteral("The installer is offered from an address that is not a secure web address (https):\n");
    const QString mismatch
        = QStringLiteral("The downloaded installer does not match the checksum the update server published.");

    QTest::newRow("file:") << QByteArray("file:///bin/sh") << QByteArray() << notHttps + "file:///bin/sh" << false;
    QTest::newRow("data:") << QByteArray("data:application/octet-stream;base64,IyEvYmluL3NoCg==") << QByteArray()
                           << notHttps + "data:application/octet-stream;base64,IyEvYmluL3NoCg==" << false;
    QTest::newRow("http after https") << QByteArray("$HTTP/spupdate.exe") << QByteArray() << notHttps + "$HTTP/spupdate.exe"
                                      << false;
    QTest::newRow("relative") << QByteArray("spupdate.exe") << QByteArray() << notHttps + "spupdate.exe" << false;
    QTest::newRow("another host") << QByteArray("https://localhost:$PORT/spupdate.exe") << QByteArray()
                                  << QStringLiteral("The installer is offered from localhost:$PORT, not from the update server 127.0.0.1:$PORT.")
                                  << false;
    // Another service on the update server's machine.
    QTest::newRow("another port") << QByteArray("https://127.0.0.1:$HTTPPORT/spupdate.exe") << QByteArray()
                                  << QStringLiteral("The installer is offered from 127.0.0.1:$HTTPPORT, not from the update server 127.0.0.1:$PORT.")
                                  << false;
    QTest::newRow("indented") << QByteArray("\n   $BASE/spupdate.exe  \n") << QByteArray() << QString() << true;
    QTest::newRow("indented, not https") << QByteArray("  $HTTP/spupdate.exe ") << QByteArray() << notHttps + "$HTTP/spupdate.exe"
                                         << false;
    QTest::newRow("no download_location") << QByteArray() << QByteArray()
                                          << QStringLiteral("The update information names no installer to download.") << false;
    QTest::newRow("wrong sha256") << QByteArray("$BASE/spupdate.exe") << QByteArray(64, '0') << mismatch << true;
    QTest::newRow("malformed sha256") << QByteArray("$BASE/spupdate.exe") << QByteArray("sha256:") + right << mismatch << true;
    QTest::newRow("right sha256") << QByteArray("$BASE/spupdate.exe") << right << QString() << true;
    QTest::newRow("right sha256, upper case, blanks")
        << QByteArray("$BASE/spupdate.exe") << "\n  " + right.toUpper() + " " << QString() << true;
    QTest::newRow("no sha256") << QByteArray("$BASE/spupdate.exe") << QByteArray() << QString() << true;
}

void TestOnlineUpdate::installerSource()
{
    QFETCH(QByteArray, location);
    QFETCH(QByteArray, sha256);
    QFETCH(QString, refusal);
    QFETCH(bool, fetched);

    TestHttpServer https(Transport::Https);
    TestHttpServer http;
    https.installer = "#!/bin/sh\necho installer\n";
    http.installer = https.installer;
    const QByteArray httpBase = http.baseUrl().toString().toUtf8();
    location.replace("$HTTPPORT", QByteArray::number(http.port)).replace("$HTTP", httpBase).replace("$PORT", QByteArray::number(https.port));
    refusal.replace(QStringLiteral("$HTTPPORT"), QString::number(http.port))
        .replace(QStringLiteral("$HTTP"), QString::fromUtf8(httpBase))
        .replace(QStringLiteral("$PORT"), QString::number(https.port));
    https.manifest = "<update><version>0.3</version>"
        + (location.isEmpty() ? QByteArray() : "<download_location>" + QString::fromUtf8(location).toHtmlEscaped().toUtf8() + "</download_location>")
        + (sha256.isEmpty() ? QByteArray() : "<sha256>" + sha256 + "</sha256>") + "</update>";
    OnlineServices::setBaseUrl(https.baseUrl());
    answers = { QMessageBox::Yes };

    UpdateCheck check;
    QSignalSpy updateStarted(&check, &UpdateCheck::updateStarted);
    QVERIFY(settled(check));

    QCOMPARE(https.installerRequests + http.installerRequests, fetched ? 1 : 0);
    QCOMPARE(http.installerRequests, 0);
    if (refusal.isEmpty()) {
        QCOMPARE(texts().size(), 1); // the prompt only
        QCOMPARE(starts.size(), 1);
        QCOMPARE(updateStarted.count(), 1);
        QVERIFY(QDir(check.installerDir()).removeRecursively());
    } else {
        QCOMPARE(texts().size(), 2);
        QCOMPARE(texts().last(), kRefused + refusal);
        QCOMPARE(boxes.last().icon, QMessageBox::Warning);
        QVERIFY(starts.isEmpty());
        QCOMPARE(updateStarted.count(), 0);
        QVERIFY(check.installerDir().isEmpty());
    }
}

void TestOnlineUpdate::installerFailures_data()
{
    QTest::addColumn<QString>("failure");
    QTest::addColumn<QString>("shown"); // beginning of the text shown after the prompt, if any
    QTest::addColumn<bool>("launched");

    // Once the user has agreed, every failure is told and nothing is started.
    const QString notDownloaded = QStringLiteral("Update|The update could not be downloaded");
    QTest::newRow("installer 404") << "404" << notDownloaded << false;
    QTest::newRow("installer cut off") << "cutoff" << notDownloaded << false;
    QTest::newRow("redirected to another server") << "redirect" << notDownloaded << false;
    QTest::newRow("cannot save") << "nosave" << QStringLiteral("Update|The update could not be saved") << false;
    QTest::newRow("cannot start") << "nostart" << QStringLiteral("Update|The update installer could not be started")
                                  << true;
}

void TestOnlineUpdate::installerFailures()
{
    QFETCH(QString, failure);
    QFETCH(QString, shown);
    QFETCH(bool, launched);

    TestHttpServer http(Transport::Https);
    TestHttpServer elsewhere(Transport::Https);
    http.manifest = manifestFor("0.3");
    http.installer = "#!/bin/sh\n";
    elsewhere.installer = http.installer;
    if (failure == QLatin1String("404"))
        http.installerStatus = Status::NotFound;
    if (failure == QLatin1String("cutoff"))
        http.manifest.replace("$BASE/spupdate.exe", "$BASE/cut/spupdate.exe");
    if (failure == QLatin1String("redirect"))
        http.redirectInstallerTo = elsewhere.baseUrl().toString() + QStringLiteral("/spupdate.exe");
    // A temporary "directory" that is a file: no folder can be made in it, not even by root.
    QTemporaryFile notAFolder;
    QVERIFY(notAFolder.open());
    if (failure == QLatin1String("nosave"))
        qputenv("TMPDIR", notAFolder.fileName().toLocal8Bit());
    startSucceeds = failure != QLatin1String("nostart");
    OnlineServices::setBaseUrl(http.baseUrl());
    answers = { QMessageBox::Yes };

    UpdateCheck check;
    QSignalSpy updateStarted(&check, &UpdateCheck::updateStarted);
    QVERIFY(settled(check));

    const QStringList seen = texts();
    QCOMPARE(seen.size(), shown.isEmpty() ? 1 : 2);
    if (!shown.isEmpty()) {
        QVERIFY2(seen.last().startsWith(shown), qPrintable(seen.last()));
        QCOMPARE(boxes.last().icon, QMessageBox::Warning);
    }
    QCOMPARE(starts.size(), launched ? 1 : 0);
    QCOMPARE(updateStarted.count(), 0);
    QCOMPARE(elsewhere.installerRequests, 0);
    // An installer that was saved but could not be started leaves nothing behind.
    QVERIFY(check.installerDir().isEmpty());
    if (launched)
        QVERIFY(!QFileInfo::exists(QFileInfo(starts.first().at(1)).absolutePath()));
}

void TestOnlineUpdate::overlappingCheckDoesNotSwapInstaller()
{
    TestHttpServer http(Transport::Https);
    http.manifest = manifestFor("0.3");
    http.installer = QByteArray("#!/bin/sh\necho installer\n").repeated(1000);
    OnlineServices::setBaseUrl(http.baseUrl());

    UpdateCheck check;
    // The user takes the update and asks for another check while the installer downloads;
    // the second prompt is cancelled.
    answers = { QMessageBox::Yes, QMessageBox::Cancel };
    onQuestion = [&] {
        onQuestion = nullptr;
        QTimer::singleShot(0, &check, &UpdateCheck::manualCheck);
    };
    QVERIFY(settled(check));
    QTRY_COMPARE(http.manifestRequests, 2);
    QVERIFY(settled(check));

    QCOMPARE(starts.size(), 1);
    QFile file(starts.first().at(1));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll() == http.installer);
    QVERIFY(QDir(check.installerDir()).removeRecursively());
}

void TestOnlineUpdate::pkexecFromPathIsNotUsed()
{
    if (QFileInfo::exists(kPkexec))
        QSKIP("a real pkexec is installed; the test would run the installer through it");

    // A stand-in pkexec first on PATH would run anything as "root": it must not be asked.
    QTemporaryDir bin;
    QFile pkexec(bin.filePath(QStringLiteral("pkexec")));
    QVERIFY(pkexec.open(QIODevice::WriteOnly));
    pkexec.write("#!/bin/sh\necho \"$@\" > \"$0-args\"\nexec \"$@\"\n");
    pkexec.close();
    QVERIFY(pkexec.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    const QByteArray savedPath = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit() + ':' + savedPath);
    InstallerLauncher::setStarter({});

    TestHttpServer http(Transport::Https);
    http.manifest = manifestFor("0.3");
    http.installer = "#!/bin/sh\n";
    OnlineServices::setBaseUrl(http.baseUrl());
    answers = { QMessageBox::Yes };
    UpdateCheck check;
    QSignalSpy updateStarted(&check, &UpdateCheck::updateStarted);
    const bool done = settled(check);

    qputenv("PATH", savedPath);
    useTestSeams();
    QVERIFY(done);

    QCOMPARE(http.installerRequests, 1);
    QVERIFY(!QFile::exists(bin.filePath(QStringLiteral("pkexec-args"))));
    QCOMPARE(updateStarted.count(), 0);
    QCOMPARE(texts().size(), 2);
    QVERIFY(texts().last().startsWith(QLatin1String("Update|The update installer could not be started")));
    QVERIFY(check.installerDir().isEmpty());
}

void TestOnlineUpdate::realMessageBox()
{
    // Without a responder the user sees a real, parentless box and its answer counts. What a
    // server wrote into the text shows as written, never as markup.
    UserPrompt::setResponder({});
    const QString served = QStringLiteral("An update to version <b>1.0</b><img src=\"https://x/y.png\"> is available.");
    QString title;
    QString text;
    QString shown;
    bool parentless = false;
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        title = box->windowTitle();
        text = box->text();
        for (const QLabel *label : box->findChildren<QLabel *>()) {
            if (label->text() == served && label->textFormat() == Qt::PlainText)
                shown = label->text();
        }
        parentless = box->parentWidget() == nullptr;
        box->button(QMessageBox::No)->click();
    });
    const QMessageBox::StandardButton answer = UserPrompt::show({ QMessageBox::Question, QStringLiteral("Update Available"),
        served, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel });
    useTestSeams();
    QCOMPARE(answer, QMessageBox::No);
    QCOMPARE(title, QStringLiteral("Update Available"));
    QCOMPARE(text, served);
    QCOMPARE(shown, served);
    QVERIFY(parentless);
}

QTEST_MAIN(TestOnlineUpdate)
#include "tst_online_update.moc"
