#include <cstdio>

#include <QCoreApplication>
#include <QDir>
#include <QStandardPaths>

#include "demolibrary.h"

// Usage: sampora_demo PROGRAM_DIR
// Adds the missing demo samples below PROGRAM_DIR/demo-samples and, when PROGRAM_DIR has no
// config.xml yet, writes one that registers them. An existing config.xml is never touched.
int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s PROGRAM_DIR\n", argv[0]);
        return 2;
    }
    const QString dir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    if (!QDir().mkpath(dir)) {
        std::fprintf(stderr, "cannot create %s\n", qPrintable(dir));
        return 1;
    }
    const bool haveSox = !QStandardPaths::findExecutable(QStringLiteral("sox")).isEmpty();
    const DemoLibrary library(haveSox);
    const int written = library.writeMissing(dir);
    bool configWritten = false;
    const bool configOk = library.writeConfigIfMissing(dir, &configWritten);
    if (written > 0)
        std::printf("demo library: %d samples written to %s/%s\n", written, qPrintable(dir), DemoLibrary::kFolder);
    if (configWritten)
        std::printf("demo library: %s/config.xml written\n", qPrintable(dir));
    if (!haveSox)
        std::printf("demo library: sox not found, MP3 loops written as WAV\n");
    if (written < 0 || !configOk) {
        std::fprintf(stderr, "demo library: could not write everything below %s\n", qPrintable(dir));
        return 1;
    }
    return 0;
}
