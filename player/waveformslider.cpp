#include "player/waveformslider.h"

#include <algorithm>
#include <cmath>

#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>

namespace {

// Colours chosen to sit on the deck's dark blue: the played part in the blue of the other
// sliders' filled part, the rest a muted grey-blue.
const QColor kBackground(0x0b, 0x17, 0x2e);
const QColor kBorder(0x26, 0x36, 0x55);
const QColor kPlayed(0x4c, 0xa8, 0xf5);
const QColor kAhead(0x5a, 0x68, 0x84);
const QColor kBarLine(255, 255, 255, 70);

} // namespace

WaveformSlider::WaveformSlider(QWidget *parent)
    : QSlider(parent)
{
}

void WaveformSlider::setWaveform(std::shared_ptr<const WavePeaks> peaks, double barLength)
{
    if (peaks && peaks->columns() == 0)
        peaks.reset();
    if (peaks == m_peaks && barLength == m_barLength)
        return;
    m_peaks = std::move(peaks);
    m_barLength = barLength;
    m_played = QPixmap();
    m_ahead = QPixmap();
    update();
}

void WaveformSlider::paintEvent(QPaintEvent *event)
{
    if (!m_peaks || orientation() != Qt::Horizontal) {
        QSlider::paintEvent(event);
        return;
    }
    const qreal ratio = devicePixelRatioF();
    if (m_played.isNull() || m_played.deviceIndependentSize().toSize() != size()
        || m_played.devicePixelRatio() != ratio)
        renderOutline(size(), ratio);

    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect handle = style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const int split = std::clamp(handle.center().x(), 0, width());

    QPainter painter(this);
    const qreal splitPixels = split * ratio;
    painter.drawPixmap(QRectF(0, 0, split, height()), m_played, QRectF(0, 0, splitPixels, m_played.height()));
    painter.drawPixmap(QRectF(split, 0, width() - split, height()), m_ahead,
        QRectF(splitPixels, 0, m_ahead.width() - splitPixels, m_ahead.height()));

    option.subControls = QStyle::SC_SliderHandle;
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
}

void WaveformSlider::renderOutline(const QSize &size, qreal pixelRatio)
{
    m_played = QPixmap(size * pixelRatio);
    m_played.setDevicePixelRatio(pixelRatio);
    m_ahead = m_played;
    drawOutline(m_played, kPlayed);
    drawOutline(m_ahead, kAhead);
}

void WaveformSlider::drawOutline(QPixmap &target, const QColor &wave) const
{
    // Painted in device pixels, one column of the outline per pixel.
    const int width = target.width();
    const int height = target.height();
    target.fill(Qt::transparent);
    QPainter painter(&target);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal radius = 3.0 * target.devicePixelRatio();
    painter.setPen(QPen(kBorder, 1.0));
    painter.setBrush(kBackground);
    painter.setTransform(QTransform::fromScale(1.0 / target.devicePixelRatio(), 1.0 / target.devicePixelRatio()));
    painter.drawRoundedRect(QRectF(0.5, 0.5, width - 1.0, height - 1.0), radius, radius);
    painter.setRenderHint(QPainter::Antialiasing, false);

    // The loudest moment fills the band, so that quiet samples show their shape too.
    const WavePeaks &peaks = *m_peaks;
    int loudest = 1;
    for (int c = 0; c < peaks.columns(); ++c)
        loudest = std::max({ loudest, std::abs(int(peaks.low[size_t(c)])), std::abs(int(peaks.high[size_t(c)])) });
    const double middle = (height - 1) / 2.0;
    const double reach = std::max(1.0, middle - 2.0 * target.devicePixelRatio());
    const int inner = std::max(1, width - 2);

    painter.setPen(wave);
    for (int x = 0; x < inner; ++x) {
        const int first = int(qint64(x) * peaks.columns() / inner);
        const int last = std::max(first + 1, int(qint64(x + 1) * peaks.columns() / inner));
        int low = 0;
        int high = 0;
        for (int c = first; c < last && c < peaks.columns(); ++c) {
            low = std::min(low, int(peaks.low[size_t(c)]));
            high = std::max(high, int(peaks.high[size_t(c)]));
        }
        const int top = int(std::lround(middle - reach * high / loudest));
        const int bottom = int(std::lround(middle - reach * low / loudest));
        painter.drawLine(x + 1, top, x + 1, bottom);
    }

    // Bars closer than a few pixels would only grey the outline.
    if (m_barLength * inner >= 3.0) {
        painter.setPen(kBarLine);
        for (double at = m_barLength; at < 1.0 - 1e-9; at += m_barLength) {
            const int x = 1 + int(std::lround(at * inner));
            painter.drawLine(x, 1, x, height - 2);
        }
    }
}
