#pragma once

#include <QCoreApplication>
#include <QString>

// What the About box and --help tell about this run.
class ProgramInfo {
    Q_DECLARE_TR_FUNCTIONS(ProgramInfo)

public:
    // Which library file is in use and why, e.g. "Library: /home/me/.config/sampora/config.xml
    // (your configuration folder: the program's folder is not writable)".
    static QString libraryText();

    // The libvlc version actually loaded, as libvlc reports it.
    static QString vlcVersion();
};
