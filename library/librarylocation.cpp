#include "library/librarylocation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString kConfigName = QStringLiteral("config.xml");

bool userCanWrite(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && info.isWritable();
}

} // namespace

LibraryLocation LibraryLocation::choose(const QString &programDir, const QString &dataDir, const QString &userConfigDir)
{
    const QString beside = QDir(programDir).filePath(kConfigName);
    // A run folder (one that holds the program's own help.html) keeps its library in place
    // even before the first import has written config.xml.
    const bool runFolder = QFileInfo::exists(QDir(programDir).filePath(QStringLiteral("help.html")));
    if (userCanWrite(programDir) && (QFileInfo::exists(beside) ? userCanWrite(beside) : runFolder))
        return {Kind::BesideProgram, beside, QString()};

    LibraryLocation location{Kind::UserConfig, QDir(userConfigDir).filePath(kConfigName), QString()};
    for (const QString &shipped : {beside, QDir(dataDir).filePath(kConfigName)}) {
        if (QFileInfo(shipped).isFile()) {
            location.seedPath = shipped;
            break;
        }
    }
    return location;
}

LibraryLocation LibraryLocation::commandLine(const QString &file)
{
    return {Kind::CommandLine, QFileInfo(file).absoluteFilePath(), QString()};
}

bool LibraryLocation::seed(QString *error) const
{
    if (QFileInfo::exists(configPath))
        return true;
    // The first import writes the file but does not create its folder.
    const QString folder = QFileInfo(configPath).absolutePath();
    if (kind != Kind::BesideProgram && !QDir().mkpath(folder)) {
        *error = QStringLiteral("cannot create %1").arg(folder);
        return false;
    }
    if (seedPath.isEmpty())
        return true;
    QFile source(seedPath);
    if (!source.copy(configPath)) {
        *error = QStringLiteral("cannot copy %1 to %2: %3").arg(seedPath, configPath, source.errorString());
        return false;
    }
    // The shipped file is read-only; the user's copy must not be.
    QFile::setPermissions(configPath, QFile::permissions(configPath) | QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    return true;
}

QString LibraryLocation::writeProblem() const
{
    const QFileInfo file(configPath);
    const QFileInfo folder(file.absolutePath());
    if (!folder.exists()) {
        // seed() makes the folder: it must be possible below the nearest folder that exists.
        QFileInfo existing = folder;
        while (!existing.exists() && !existing.isRoot())
            existing = QFileInfo(existing.absolutePath());
        if (existing.isDir() && existing.isWritable())
            return QString();
        return tr("Changes to the library cannot be saved: the folder %1 cannot be created.").arg(folder.filePath());
    }
    if (!folder.isDir() || !folder.isWritable() || (file.exists() && !file.isWritable()))
        return tr("Changes to the library cannot be saved: you may not write %1.")
            .arg(folder.isDir() && folder.isWritable() ? file.filePath() : folder.filePath());
    return QString();
}
