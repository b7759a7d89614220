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
    // By its full path: a "pkexec" found through PATH could be anyone's program.
    const QString program = QStringLiteral("/usr/bin/pkexec");
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
