#pragma once

#include <functional>

#include <QString>
#include <QStringList>

// Starts a downloaded installer as a separate process with root rights through pkexec and
// does not wait for it. Tests replace the starter to see what would run.
namespace InstallerLauncher {

// Starts the program detached; returns whether it could be started.
using Starter = std::function<bool(const QString &program, const QStringList &arguments)>;

// Runs "/usr/bin/pkexec <installerPath>"; false when it could not be started.
bool start(const QString &installerPath);

// An empty starter restores the real one.
void setStarter(Starter starter);

} // namespace InstallerLauncher
