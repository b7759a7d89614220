#pragma once

#include <QCoreApplication>
#include <QString>

// What the About box and --help tell about this run.
class ProgramInfo {
    Q_DECLARE_TR_FUNCTIONS(ProgramInfo)

public:
    // Names and version of the running program, set before the application object exists: the
    // window system's app id (Wayland) and class (X11) tie the windows to the desktop entry.
    static void identify();

    // Which library file is in use and why, e.g. "Library: /home/me/.config/sampora/config.xml
    // (your configuration folder: the program's folder is not writable)".
    static QString libraryText();

    // Why changes to the library will not be kept (see LibraryLocation::writeProblem), or an
    // empty string: the user learns it at start, not at the first import.
    static QString libraryProblem();

    // The libvlc version actually loaded, as libvlc reports it.
    static QString vlcVersion();
};
