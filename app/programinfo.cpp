#include "app/programinfo.h"

#include <QGuiApplication>

#include <vlc/vlc.h>

#include "library/librarylocation.h"
#include "library/paths.h"

void ProgramInfo::identify()
{
    QCoreApplication::setApplicationName(QStringLiteral("sampora"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SAMPORA_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral(SAMPORA_APP_ID));
}

QString ProgramInfo::libraryText()
{
    const LibraryLocation &location = Paths::libraryLocation();
    QString why;
    switch (location.kind) {
    case LibraryLocation::Kind::BesideProgram:
        why = tr("beside the program, which runs from a folder you can write");
        break;
    case LibraryLocation::Kind::UserConfig:
        why = tr("in your configuration folder, as the program's folder is not yours to write");
        break;
    case LibraryLocation::Kind::CommandLine:
        why = tr("named by --config");
        break;
    }
    const QString problem = libraryProblem();
    return tr("Library: %1 (%2)").arg(location.configPath, why) + (problem.isEmpty() ? QString() : QLatin1Char('\n') + problem);
}

QString ProgramInfo::libraryProblem()
{
    return Paths::libraryLocation().writeProblem();
}

QString ProgramInfo::vlcVersion()
{
    // libvlc_get_version() gives e.g. "3.0.21 Vetinari": the number is what the box shows.
    return QString::fromUtf8(libvlc_get_version()).section(QLatin1Char(' '), 0, 0);
}
