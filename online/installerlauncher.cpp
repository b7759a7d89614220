#include "online/installerlauncher.h"

#include <QProcess>

namespace {

InstallerLauncher::Starter &starterOverride()
{
    static InstallerLauncher::Starter starter;
    return starter;
}

} // namespace

namespace InstallerLauncher {

bool start(const QString &installerPath)
{
    const QString program = QStringLiteral("pkexec");
    const QStringList arguments { installerPath };
    if (const Starter &starter = starterOverride())
        return starter(program, arguments);
    return QProcess::startDetached(program, arguments);
}

void setStarter(Starter starter)
{
    starterOverride() = std::move(starter);
}

} // namespace InstallerLauncher
