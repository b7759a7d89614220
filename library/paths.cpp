#include "library/paths.h"

#include <QCoreApplication>

namespace {
QString &programDirOverride()
{
    static QString dir;
    return dir;
}
} // namespace

namespace Paths {

QString programDir()
{
    const QString &dir = programDirOverride();
    return dir.isEmpty() ? QCoreApplication::applicationDirPath() : dir;
}

QString configPath()
{
    return programDir() + QStringLiteral("/config.xml");
}

void setProgramDir(const QString &dir)
{
    programDirOverride() = dir;
}

} // namespace Paths
