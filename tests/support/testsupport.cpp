#include "support/testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include "library/paths.h"

TempProgramDir::TempProgramDir()
{
    Paths::setProgramDir(path());
}

TempProgramDir::~TempProgramDir()
{
    Paths::setProgramDir(QString());
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
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), {QStringLiteral("info")});
    return pactl.waitForFinished(3000) && pactl.exitStatus() == QProcess::NormalExit && pactl.exitCode() == 0;
}

QString sourceDir()
{
    return qEnvironmentVariable("SAMPORA_SOURCE_DIR");
}

} // namespace TestSupport
