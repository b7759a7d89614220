#include "support/testsupport.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "library/paths.h"

TempProgramDir::TempProgramDir()
    : m_cacheHome(qgetenv("XDG_CACHE_HOME"))
    , m_hadCacheHome(qEnvironmentVariableIsSet("XDG_CACHE_HOME"))
    , m_configHome(qgetenv("XDG_CONFIG_HOME"))
    , m_hadConfigHome(qEnvironmentVariableIsSet("XDG_CONFIG_HOME"))
{
    Paths::setProgramDir(path());
    // A test never writes into the real user's cache or settings.
    qputenv("XDG_CACHE_HOME", QFile::encodeName(path() + QStringLiteral("/cache")));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(path() + QStringLiteral("/settings")));
}

TempProgramDir::~TempProgramDir()
{
    Paths::setProgramDir(QString());
    const auto restore = [](const char *name, const QByteArray &value, bool had) {
        if (had)
            qputenv(name, value);
        else
            qunsetenv(name);
    };
    restore("XDG_CACHE_HOME", m_cacheHome, m_hadCacheHome);
    restore("XDG_CONFIG_HOME", m_configHome, m_hadConfigHome);
}

QString TempProgramDir::writeFile(const QString &name, const QByteArray &content) const
{
    const QString full = path() + QLatin1Char('/') + name;
    QDir().mkpath(QFileInfo(full).absolutePath());
    QFile file(full);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(content);
    return full;
}

namespace TestSupport {

bool audioServerAnswers()
{
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
        return false;
    // The headless session's server listens on a local socket: a connection tells, without a
    // child process (ThreadSanitizer's runtime cannot follow Qt's fork).
    const QString server = qEnvironmentVariable("PULSE_SERVER");
    if (server.startsWith(QLatin1String("unix:"))) {
        QLocalSocket socket;
        socket.connectToServer(server.mid(5));
        return socket.waitForConnected(3000);
    }
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), {QStringLiteral("info")});
    return pactl.waitForFinished(3000) && pactl.exitStatus() == QProcess::NormalExit && pactl.exitCode() == 0;
}

QString sourceDir()
{
    return qEnvironmentVariable("SAMPORA_SOURCE_DIR");
}

bool runningAsRoot()
{
    return ::geteuid() == 0;
}

bool passesAsNobody(QString *output)
{
    // The build folder may lie where nobody cannot read (below /root): run a copy.
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("test"));
    const QFile::Permissions readAndRun = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
        | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
    if (!QFile::copy(QCoreApplication::applicationFilePath(), copy) || !QFile::setPermissions(dir.path(), readAndRun)
        || !QFile::setPermissions(copy, readAndRun)) {
        *output = QStringLiteral("cannot copy the test to %1").arg(copy);
        return false;
    }
    QString testCase = QString::fromLatin1(QTest::currentTestFunction());
    if (const char *tag = QTest::currentDataTag())
        testCase += QLatin1Char(':') + QString::fromUtf8(tag);

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TMPDIR"), QStringLiteral("/tmp"));
    environment.insert(QStringLiteral("HOME"), QStringLiteral("/tmp"));
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    environment.remove(QStringLiteral("XDG_CONFIG_HOME"));
    environment.remove(QStringLiteral("XDG_CACHE_HOME"));
    QProcess child;
    child.setProcessEnvironment(environment);
    child.setWorkingDirectory(QStringLiteral("/tmp"));
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QStringLiteral("setpriv"),
                { QStringLiteral("--reuid=nobody"), QStringLiteral("--regid=nogroup"), QStringLiteral("--clear-groups"),
                  copy, testCase });
    const bool finished = child.waitForFinished(60000);
    *output = QString::fromLocal8Bit(child.readAll());
    return finished && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
}

} // namespace TestSupport
