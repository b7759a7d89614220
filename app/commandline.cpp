#include "app/commandline.h"

#include <cstring>

#include "app/programinfo.h"
#include "library/paths.h"

CommandLine::CommandLine()
    : m_config(QStringLiteral("config"), tr("Use FILE as the sample library instead of the automatic choice."), tr("FILE"))
    , m_noUpdateCheck(QStringLiteral("no-update-check"), tr("Do not ask the update server for a newer version at start."))
{
    m_parser.addHelpOption();
    m_parser.addVersionOption();
    m_parser.addOption(m_config);
    m_parser.addOption(m_noUpdateCheck);
}

bool CommandLine::asksForTextOnly(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        for (const char *option : {"-h", "--help", "-?", "--help-all", "-v", "--version"}) {
            if (std::strcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

void CommandLine::process(const QCoreApplication &app)
{
    // The help text names the library the run would use, so --config is read first.
    m_parser.parse(app.arguments());
    Paths::setConfigFile(m_parser.value(m_config));
    m_parser.setApplicationDescription(tr("Sampora mixes loops from your sample library, tempo-matched.") + QLatin1Char('\n')
                                       + ProgramInfo::libraryText());
    m_parser.process(app);
}

QString CommandLine::configFile() const
{
    return m_parser.value(m_config);
}

bool CommandLine::updateCheckAtStart() const
{
    return !m_parser.isSet(m_noUpdateCheck);
}
