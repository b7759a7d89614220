#pragma once

#include <memory>

#include <QPixmap>
#include <QSlider>

#include "player/wavepeaks.h"

// A row's position slider that shows the outline of the sample in its groove: the part played
// so far highlighted up to the handle, and a line at every bar when the sample has a tempo.
// It behaves and sizes as a plain QSlider; without an outline it also looks like one.
class WaveformSlider : public QSlider {
    Q_OBJECT

public:
    explicit WaveformSlider(QWidget *parent = nullptr);

    // The outline to draw, null for none. barLength: one bar as a share of the sample's length
    // (bars are counted from its first frame), 0 for no bar lines.
    void setWaveform(std::shared_ptr<const WavePeaks> peaks, double barLength);
    const std::shared_ptr<const WavePeaks> &waveform() const { return m_peaks; }
    double barLength() const { return m_barLength; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // Draws the outline once per size in both colours; painting then only copies pixels.
    void renderOutline(const QSize &size, qreal pixelRatio);
    void drawOutline(QPixmap &target, const QColor &wave) const;

    std::shared_ptr<const WavePeaks> m_peaks;
    double m_barLength = 0.0;
    QPixmap m_played;
    QPixmap m_ahead;
};
