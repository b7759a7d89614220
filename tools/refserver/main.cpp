#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QHostAddress>
#include <QTextStream>

#include "refserver.h"

namespace {

// A harmless stand-in installer: it only says that it ran.
const QByteArray kDemoInstaller = QByteArrayLiteral("#!/bin/sh\necho \"Sampora update installer ran as $(id -un)\"\n");

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Local update and feedback server for Sampora"));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"), QStringLiteral("Port (0 picks a free one)."),
        QStringLiteral("port"), QStringLiteral("8765"));
    const QCommandLineOption versionOption(QStringLiteral("version"),
        QStringLiteral("Version the manifest offers."), QStringLiteral("version"), QStringLiteral("0.3"));
    const QCommandLineOption installerOption(QStringLiteral("installer"),
        QStringLiteral("File served as the installer (default: a small shell script)."), QStringLiteral("file"));
    const QCommandLineOption logOption(QStringLiteral("feedback-log"),
        QStringLiteral("Append received feedback to this file."), QStringLiteral("file"));
    parser.addOptions({ portOption, versionOption, installerOption, logOption });
    parser.process(app);

    QByteArray installer = kDemoInstaller;
    if (parser.isSet(installerOption)) {
        QFile file(parser.value(installerOption));
        if (!file.open(QIODevice::ReadOnly)) {
            QTextStream(stderr) << "cannot read " << file.fileName() << ": " << file.errorString() << '\n';
            return 1;
        }
        installer = file.readAll();
    }

    RefServer server(parser.value(versionOption), installer, parser.value(logOption));
    const quint16 port = server.listen(QHostAddress::LocalHost, parser.value(portOption).toUShort());
    if (port == 0) {
        QTextStream(stderr) << "cannot listen on port " << parser.value(portOption) << '\n';
        return 1;
    }
    // Scripts that start the server with --port 0 read the address from this line.
    QTextStream(stdout) << "listening on http://127.0.0.1:" << port << Qt::endl;
    return app.exec();
}
