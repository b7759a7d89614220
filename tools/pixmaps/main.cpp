#include <cstdio>

#include <QGuiApplication>

#include "pixmappainter.h"

// Usage: sampora_pixmaps OUTPUT_DIR
//        sampora_pixmaps --icons ICON_THEME_DIR SIZE...
int main(int argc, char *argv[])
{
    // Text is drawn, so a GUI application is needed; it never opens a window.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const bool icons = argc >= 3 && qstrcmp(argv[1], "--icons") == 0;
    if (argc != 2 && !icons) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n       %s --icons ICON_THEME_DIR SIZE...\n", argv[0], argv[0]);
        return 2;
    }
    QStringList failed;
    if (icons) {
        QList<int> sizes;
        for (int i = 3; i < argc; ++i)
            sizes << QByteArray(argv[i]).toInt();
        failed = PixmapPainter().writeIcons(QString::fromLocal8Bit(argv[2]), sizes);
    } else {
        failed = PixmapPainter().writeAll(QString::fromLocal8Bit(argv[1]));
    }
    for (const QString &file : failed)
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
    return failed.isEmpty() ? 0 : 1;
}
