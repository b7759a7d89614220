#include <QApplication>
#include <QIcon>

#include "app/commandline.h"
#include "app/mainwindow.h"
#include "app/programinfo.h"
#include "app/translations.h"
#include "library/librarylocation.h"
#include "library/logcategories.h"
#include "library/paths.h"

namespace {

// --help and --version are answered without a window system, so they work on any terminal.
int answerOnTerminal(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const Translations translations;
    CommandLine commandLine;
    commandLine.process(app);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    ProgramInfo::identify();
    if (CommandLine::asksForTextOnly(argc, argv))
        return answerOnTerminal(argc, argv);

    QApplication app(argc, argv);
    const Translations translations;
    CommandLine commandLine;
    commandLine.process(app);

    QString error;
    if (!Paths::libraryLocation().seed(&error))
        qCWarning(lcApp).noquote() << "The sample library could not be prepared:" << error;
    else if (const QString problem = ProgramInfo::libraryProblem(); !problem.isEmpty())
        qCWarning(lcApp).noquote() << problem;

    MainWindow window(commandLine.updateCheckAtStart());
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("sampora"), QIcon(QStringLiteral("pixmaps:sampora-icon.png"))));
    window.show();
    return app.exec();
}
