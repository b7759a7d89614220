#include "library/paths.h"

#include <optional>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "library/librarylocation.h"

namespace {

QString &programDirOverride()
{
    static QString dir;
    return dir;
}

std::optional<LibraryLocation> &chosenLocation()
{
    static std::optional<LibraryLocation> location;
    return location;
}

} // namespace

namespace Paths {

QString programDir()
{
    const QString &dir = programDirOverride();
    return dir.isEmpty() ? QCoreApplication::applicationDirPath() : dir;
}

QString dataDir()
{
    const QString program = programDir();
    if (!programDirOverride().isEmpty() || QFileInfo::exists(program + QStringLiteral("/help.html")))
        return program;
    // The build passes the installed data folder relative to the installed bin folder, so an
    // installed tree can be moved as a whole.
    const QString installed = QDir::cleanPath(program + QLatin1Char('/') + QStringLiteral(SAMPORA_DATA_DIR_FROM_BIN));
    return QFileInfo::exists(installed) ? installed : program;
}

const LibraryLocation &libraryLocation()
{
    std::optional<LibraryLocation> &location = chosenLocation();
    if (!location) {
        if (!programDirOverride().isEmpty())
            location = LibraryLocation{LibraryLocation::Kind::BesideProgram, programDirOverride() + QStringLiteral("/config.xml"), QString()};
        else
            location = LibraryLocation::choose(programDir(), dataDir(),
                                               QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation));
    }
    return *location;
}

QString configPath()
{
    return libraryLocation().configPath;
}

void setConfigFile(const QString &file)
{
    chosenLocation().reset();
    if (!file.isEmpty())
        chosenLocation() = LibraryLocation::commandLine(file);
}

void setProgramDir(const QString &dir)
{
    programDirOverride() = dir;
    chosenLocation().reset();
}

void registerImageSearchPath()
{
    QDir::setSearchPaths(QStringLiteral("pixmaps"), {dataDir() + QStringLiteral("/pixmaps")});
}

} // namespace Paths
