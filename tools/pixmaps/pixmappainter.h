#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

class QPainter;
class QRectF;

// Draws every image the program's style sheets and icons name. All of them share one
// look on the dark window: white glyphs, the red of the deck's mode buttons for the
// controls that start things, a muted slate for "off" states.
class PixmapPainter {
public:
    // Writes each image as <dir>/<name>.png; returns the names that could not be written.
    QStringList writeAll(const QString &dir) const;
    // Writes the application icon as <dir>/<N>x<N>/apps/sampora.png for each size, the
    // layout of an icon theme folder; returns the files that could not be written.
    QStringList writeIcons(const QString &dir, const QList<int> &sizes) const;

private:
    static QImage appLogo();
    static QImage appIcon(int size = 128);
    static void drawMark(QPainter &p, const QRectF &disc);
    static QImage menuBackground();
    static QImage plus();
    static QImage minus();
    static QImage roundSign(bool plus);
    static QImage smallPlay();
    static QImage smallPause();
    static QImage repeat(bool on);
    static QImage previous();
    static QImage next();
    static QImage stop();
    static QImage bigButton(bool pause);
    static QImage volume(bool muted);
    static QImage glassButton();
    static QImage checkMark();
};
