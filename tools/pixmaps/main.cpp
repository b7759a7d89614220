#include <cstdio>

#include <QGuiApplication>

#include "pixmappainter.h"

// Usage: sampora_pixmaps OUTPUT_DIR
int main(int argc, char *argv[])
{
    // Text is drawn, so a GUI application is needed; it never opens a window.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    const QStringList failed = PixmapPainter().writeAll(QString::fromLocal8Bit(argv[1]));
    for (const QString &file : failed)
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    return failed.isEmpty() ? 0 : 1;
}
