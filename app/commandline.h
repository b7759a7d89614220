#pragma once

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QString>

// The program's options. --help and --version answer on the terminal and end the process;
// they need no display, so the caller runs them before it creates the window system.
class CommandLine {
    Q_DECLARE_TR_FUNCTIONS(CommandLine)

public:
    CommandLine();

    // True when argv asks only for text (help or version), which needs no display.
    static bool asksForTextOnly(int argc, char *argv[]);

    // Reads the application's arguments. Prints help, version or a mistake and ends the
    // process as QCommandLineParser does; --help names the library in use.
    void process(const QCoreApplication &app);

    // The library file named by --config, empty without the option.
    QString configFile() const;
    bool updateCheckAtStart() const;

private:
    QCommandLineParser m_parser;
    QCommandLineOption m_config;
    QCommandLineOption m_noUpdateCheck;
};
