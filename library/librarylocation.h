#pragma once

#include <QCoreApplication>
#include <QString>

// Where the library file lives. A config.xml beside the executable in a folder the user can
// write is a portable, run-in-place library; a program folder the user cannot write (an
// installed package) keeps the library in the user's configuration folder instead, seeded
// on first start from the read-only config.xml the package ships, if any.
struct LibraryLocation {
    Q_DECLARE_TR_FUNCTIONS(LibraryLocation)

public:
    enum class Kind {
        BesideProgram, // portable: <program folder>/config.xml
        UserConfig,    // ~/.config/sampora/config.xml
        CommandLine,   // --config FILE
    };

    Kind kind = Kind::BesideProgram;
    QString configPath;
    // A read-only library to copy to configPath when configPath does not exist yet.
    QString seedPath;

    // programDir: the executable's folder; dataDir: the folder with the program's images and
    // demo library; userConfigDir: the user's configuration folder for this program.
    static LibraryLocation choose(const QString &programDir, const QString &dataDir, const QString &userConfigDir);
    static LibraryLocation commandLine(const QString &file);

    // Makes a library ready on its first start: creates its folder and copies seedPath to
    // configPath if there is no library there yet. Returns false with a message on failure.
    bool seed(QString *error) const;

    // Why changes to the library cannot be saved, for the user; empty when they can. A change
    // replaces the file through a new one beside it, so the folder must be writable too.
    QString writeProblem() const;
};
