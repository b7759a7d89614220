#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QProcess>

#include "library/paths.h"

TempProgramDir::TempProgramDir()
    : m_cacheHome(qgetenv("XDG_CACHE_HOME"))
    , m_hadCacheHome(qEnvironmentVariableIsSet("XDG_CACHE_HOME"))
{
    Paths::setProgramDir(path());
    // A test never writes into the real user's cache.
    qputenv("XDG_CACHE_HOME", QFile::encodeName(path() + QStringLiteral("/cache")));
}

TempProgramDir::~TempProgramDir()
{
    Paths::setProgramDir(QString());
    if (m_hadCacheHome)
        qputenv("XDG_CACHE_HOME", m_cacheHome);
    else
        qunsetenv("XDG_CACHE_HOME");
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

} // namespace TestSupport
