#include "pixmappainter.h"

#include <cmath>
#include <functional>
#include <utility>

#include <QDir>
#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

const QColor kWindow(0x04, 0x0B, 0x19);
const QColor kWhite(0xFF, 0xFF, 0xFF);
const QColor kRed(224, 0, 0);
const QColor kDeepRed(0x8A, 0x00, 0x00);
const QColor kSlate(0x5E, 0x6A, 0x82);

QImage canvas(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    return img;
}

void antialias(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
}

// A right-pointing triangle whose visual centre sits on the centre of the box.
QPainterPath triangle(const QRectF &box)
{
    QPainterPath path;
    const double shift = box.width() * 0.08;
    path.moveTo(box.left() + shift, box.top());
    path.lineTo(box.right() + shift, box.center().y());
    path.lineTo(box.left() + shift, box.bottom());
    path.closeSubpath();
    return path;
}

// Two arrows chasing each other round a rounded rectangle: the usual "loop" sign.
void drawRepeat(QPainter &p, const QRectF &r, const QColor &c, double width)
{
    QPen pen(c, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    const double rad = r.height() * 0.38;
    QPainterPath top;
    top.moveTo(r.left(), r.bottom() - rad);
    top.lineTo(r.left(), r.top() + rad);
    top.quadTo(r.left(), r.top(), r.left() + rad, r.top());
    top.lineTo(r.right() - width * 1.6, r.top());
    p.drawPath(top);
    QPainterPath bottom;
    bottom.moveTo(r.right(), r.top() + rad);
    bottom.lineTo(r.right(), r.bottom() - rad);
    bottom.quadTo(r.right(), r.bottom(), r.right() - rad, r.bottom());
    bottom.lineTo(r.left() + width * 1.6, r.bottom());
    p.drawPath(bottom);
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    const double a = width * 1.7;
    QPainterPath head1;
    head1.moveTo(r.right() + a * 0.2, r.top());
    head1.lineTo(r.right() - a * 1.1, r.top() - a);
    head1.lineTo(r.right() - a * 1.1, r.top() + a);
    head1.closeSubpath();
    p.drawPath(head1);
    QPainterPath head2;
    head2.moveTo(r.left() - a * 0.2, r.bottom());
    head2.lineTo(r.left() + a * 1.1, r.bottom() - a);
    head2.lineTo(r.left() + a * 1.1, r.bottom() + a);
    head2.closeSubpath();
    p.drawPath(head2);
}

void drawSpeaker(QPainter &p, double s, const QColor &c)
{
    QPainterPath body;
    body.moveTo(s * 0.08, s * 0.36);
    body.lineTo(s * 0.26, s * 0.36);
    body.lineTo(s * 0.50, s * 0.14);
    body.lineTo(s * 0.50, s * 0.86);
    body.lineTo(s * 0.26, s * 0.64);
    body.lineTo(s * 0.08, s * 0.64);
    body.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    p.drawPath(body);
}

} // namespace

QStringList PixmapPainter::writeAll(const QString &dir) const
{
    const std::pair<const char *, std::function<QImage()>> images[] = {
        {"applogo", appLogo},
        {"menubackground", menuBackground},
        {"plus", plus},
        {"minus", minus},
        {"play_16px", smallPlay},
        {"pause_16px", smallPause},
        {"repeat_checked", [] { return repeat(true); }},
        {"repeat_unchecked", [] { return repeat(false); }},
        {"previous", previous},
        {"next", next},
        {"stop", stop},
        {"playbutton", [] { return bigButton(false); }},
        {"pausebutton", [] { return bigButton(true); }},
        {"volume-muted", [] { return volume(true); }},
        {"volume-high", [] { return volume(false); }},
        {"medium_glass_button", glassButton},
        {"check", checkMark},
        {"sampora-icon", [] { return appIcon(); }}, // the window icon
    };
    QDir().mkpath(dir);
    QStringList failed;
    for (const auto &[name, draw] : images) {
        const QString file = dir + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
        if (!draw().save(file, "PNG"))
            failed << file;
    }
    return failed;
}

QImage PixmapPainter::appLogo()
{
    QImage img = canvas(230, 52);
    QPainter p(&img);
    antialias(p);

    drawMark(p, QRectF(4, 6, 40, 40));

    QFont word(QStringLiteral("DejaVu Sans"));
    word.setPixelSize(27);
    word.setBold(true);
    word.setLetterSpacing(QFont::AbsoluteSpacing, 1.0);
    p.setFont(word);
    p.setPen(kWhite);
    p.drawText(QRectF(54, 2, 176, 34), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Sampora"));

    QFont tag(QStringLiteral("DejaVu Sans"));
    tag.setPixelSize(10);
    tag.setLetterSpacing(QFont::AbsoluteSpacing, 1.6);
    p.setFont(tag);
    p.setPen(kSlate.lighter(150));
    p.drawText(QRectF(56, 34, 176, 14), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("SAMPLE MIXER"));
    return img;
}

QImage PixmapPainter::appIcon(int size)
{
    QImage img = canvas(size, size);
    QPainter p(&img);
    antialias(p);
    const double margin = size / 32.0;
    drawMark(p, QRectF(margin, margin, size - 2 * margin, size - 2 * margin));
    return img;
}

QStringList PixmapPainter::writeIcons(const QString &dir, const QList<int> &sizes) const
{
    QStringList failed;
    for (int size : sizes) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(dir).arg(size);
        const QString file = folder + QStringLiteral("/sampora.png");
        if (!QDir().mkpath(folder) || !appIcon(size).save(file, "PNG"))
            failed << file;
    }
    return failed;
}

// The mark: a red disc holding a short white waveform, the program's one colour accent.
void PixmapPainter::drawMark(QPainter &p, const QRectF &disc)
{
    const double unit = disc.width() / 40.0;
    QRadialGradient glow(disc.center() - QPointF(6, 8) * unit, 30 * unit);
    glow.setColorAt(0, kRed.lighter(130));
    glow.setColorAt(1, kDeepRed);
    p.setPen(Qt::NoPen);
    p.setBrush(glow);
    p.drawEllipse(disc);
    p.setPen(QPen(kWhite, 2.2 * unit, Qt::SolidLine, Qt::RoundCap));
    const double bars[] = {0.25, 0.55, 0.9, 0.6, 0.35, 0.7, 0.3};
    const double step = 4.2 * unit;
    double x = disc.center().x() - step * 3;
    for (double h : bars) {
        const double half = h * 12 * unit;
        p.drawLine(QPointF(x, disc.center().y() - half), QPointF(x, disc.center().y() + half));
        x += step;
    }
}

QImage PixmapPainter::menuBackground()
{
    // Light, so that the menu bar's black titles stay readable above the dark window. The
    // menus inherit the image too: below the bar's height it turns flat, so a long menu
    // shows no band where a short image would end.
    const int bar = 24;
    QImage img = canvas(8, 240);
    QPainter p(&img);
    QLinearGradient g(0, 0, 0, bar);
    g.setColorAt(0.0, QColor(0xF6, 0xF8, 0xFB));
    g.setColorAt(1.0, QColor(0xE1, 0xE5, 0xEC));
    p.fillRect(QRect(0, 0, 8, bar), g);
    p.fillRect(QRect(0, bar, 8, img.height() - bar), QColor(0xE1, 0xE5, 0xEC));
    return img;
}

QImage PixmapPainter::plus()
{
    return roundSign(true);
}

QImage PixmapPainter::minus()
{
    return roundSign(false);
}

QImage PixmapPainter::roundSign(bool plus)
{
    QImage img = canvas(22, 22);
    QPainter p(&img);
    antialias(p);
    p.setPen(QPen(kWhite, 1.6));
    p.setBrush(QColor(255, 255, 255, 28));
    p.drawEllipse(QRectF(1.8, 1.8, 18.4, 18.4));
    p.setPen(QPen(kWhite, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(6.5, 11), QPointF(15.5, 11));
    if (plus)
        p.drawLine(QPointF(11, 6.5), QPointF(11, 15.5));
    return img;
}

QImage PixmapPainter::smallPlay()
{
    // Shown while the row is held: a press lets the row play again.
    QImage img = canvas(16, 16);
    QPainter p(&img);
    antialias(p);
    p.setPen(Qt::NoPen);
    p.setBrush(kWhite);
    p.drawPath(triangle(QRectF(4, 3, 9, 10)));
    return img;
}

// The tick of a checked box in the import dialog, whose dark sheet hides the platform's.
QImage PixmapPainter::checkMark()
{
    QImage img = canvas(12, 12);
    QPainter p(&img);
    antialias(p);
    p.setPen(QPen(kWhite, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(2.5, 6.5), QPointF(5, 9), QPointF(9.5, 3)}));
    return img;
}

QImage PixmapPainter::smallPause()
{
    QImage img = canvas(16, 16);
    QPainter p(&img);
    antialias(p);
    p.setPen(Qt::NoPen);
    p.setBrush(kWhite);
    p.drawRoundedRect(QRectF(4, 3, 3, 10), 0.8, 0.8);
    p.drawRoundedRect(QRectF(9, 3, 3, 10), 0.8, 0.8);
    return img;
}

QImage PixmapPainter::repeat(bool on)
{
    QImage img = canvas(16, 16);
    QPainter p(&img);
    antialias(p);
    drawRepeat(p, QRectF(2.5, 4, 11, 8), on ? kWhite : kSlate, 1.5);
    return img;
}

QImage PixmapPainter::previous()
{
    QImage img = canvas(16, 16);
    QPainter p(&img);
    antialias(p);
    p.setPen(Qt::NoPen);
    p.setBrush(kWhite);
    p.drawRect(QRectF(3, 3.5, 2, 9));
    QPainterPath path;
    path.moveTo(13, 3.5);
    path.lineTo(5.5, 8);
    path.lineTo(13, 12.5);
    path.closeSubpath();
    p.drawPath(path);
    return img;
}

QImage PixmapPainter::next()
{
    return previous().mirrored(true, false);
}

QImage PixmapPainter::stop()
{
    QImage img = canvas(16, 16);
    QPainter p(&img);
    antialias(p);
    p.setPen(Qt::NoPen);
    p.setBrush(kWhite);
    p.drawRoundedRect(QRectF(3.5, 3.5, 9, 9), 1.2, 1.2);
    return img;
}

QImage PixmapPainter::bigButton(bool pause)
{
    // Red like the mode buttons, lit from the top-left so it reads as the deck's main control.
    QImage img = canvas(40, 45);
    QPainter p(&img);
    antialias(p);
    const QRectF disc(1.5, 4, 37, 37);
    QRadialGradient body(disc.center() - QPointF(7, 9), 34);
    body.setColorAt(0, QColor(255, 70, 60));
    body.setColorAt(0.55, kRed);
    body.setColorAt(1, kDeepRed);
    p.setPen(QPen(QColor(255, 255, 255, 150), 1.2));
    p.setBrush(body);
    p.drawEllipse(disc);
    QLinearGradient shine(0, disc.top(), 0, disc.center().y());
    shine.setColorAt(0, QColor(255, 255, 255, 110));
    shine.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawEllipse(QRectF(disc.left() + 6, disc.top() + 2, disc.width() - 12, disc.height() * 0.5));
    p.setBrush(kWhite);
    const QPointF c = disc.center();
    if (pause) {
        p.drawRoundedRect(QRectF(c.x() - 7, c.y() - 8, 5, 16), 1.2, 1.2);
        p.drawRoundedRect(QRectF(c.x() + 2, c.y() - 8, 5, 16), 1.2, 1.2);
    } else {
        p.drawPath(triangle(QRectF(c.x() - 6, c.y() - 9, 15, 18)));
    }
    return img;
}

QImage PixmapPainter::volume(bool muted)
{
    QImage img = canvas(16, 16);
    QPainter p(&img);
    antialias(p);
    drawSpeaker(p, 16, muted ? kSlate.lighter(130) : kWhite);
    if (muted) {
        p.setPen(QPen(kRed, 1.8, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(10, 5.5), QPointF(15, 10.5));
        p.drawLine(QPointF(15, 5.5), QPointF(10, 10.5));
    } else {
        p.setPen(QPen(kWhite, 1.3, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(5.5, 5, 6, 6), -50 * 16, 100 * 16);
        p.drawArc(QRectF(3.5, 2.5, 10, 11), -55 * 16, 110 * 16);
        p.drawArc(QRectF(1.5, 0.5, 14, 15), -58 * 16, 116 * 16);
    }
    return img;
}

QImage PixmapPainter::glassButton()
{
    // Background of the deck's SAVE button; Qt draws the white label on top.
    QImage img = canvas(100, 25);
    QPainter p(&img);
    antialias(p);
    const QRectF r(0.5, 0.5, 99, 24);
    QLinearGradient body(0, 0, 0, 25);
    body.setColorAt(0, QColor(240, 40, 34));
    body.setColorAt(0.5, kRed);
    body.setColorAt(0.51, QColor(190, 0, 0));
    body.setColorAt(1, kDeepRed);
    p.setPen(QPen(QColor(255, 255, 255, 120), 1));
    p.setBrush(body);
    p.drawRoundedRect(r, 11, 11);
    QLinearGradient shine(0, 1, 0, 12);
    shine.setColorAt(0, QColor(255, 255, 255, 120));
    shine.setColorAt(1, QColor(255, 255, 255, 10));
    p.setPen(Qt::NoPen);
    p.setBrush(shine);
    p.drawRoundedRect(QRectF(5, 1.5, 90, 10.5), 5, 5);
    return img;
}
