// Cost of painting a row's position slider with its sample's outline, as the deck repaints it
// while the sample plays (the handle moves one step at a time). Prints "key: value" lines.
#include <algorithm>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>

#include "player/waveformslider.h"
#include "player/wavepeaks.h"
#include "tools/audiogen.h"

namespace {

constexpr int kPaints = 3000;
constexpr int kRuns = 5;

// A 10 s loop of clicks over a quiet tone, as busy an outline as a drum loop.
std::shared_ptr<const WavePeaks> loopOutline()
{
    const AudioGen::Pcm clicks = AudioGen::clickLoop(10.0, 20, 3000.0, 0.8);
    const AudioGen::Pcm tone = AudioGen::tone(10.0, 220.0, 0.2);
    std::vector<qint16> pcm(size_t(clicks.samples.size()));
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = qint16(std::clamp(int(clicks.samples[qsizetype(i)]) + tone.samples[qsizetype(i)], -32768, 32767));
    return WavePeaks::of(pcm, 2);
}

// Median over a few runs of the time per paint, in ms.
double paintMs(WaveformSlider &slider, QImage &target)
{
    std::vector<double> runs;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < kPaints; ++i) {
            slider.setValue(i % 100);
            slider.render(&target);
        }
        runs.push_back(double(timer.nsecsElapsed()) / 1e6 / kPaints);
    }
    std::sort(runs.begin(), runs.end());
    return runs[runs.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    // The size of a row's slider in the deck, with the style sheet the deck gives it.
    WaveformSlider slider;
    slider.setOrientation(Qt::Horizontal);
    slider.setStyleSheet(QStringLiteral("QToolTip{color:black;}"));
    slider.resize(250, 16);
    QImage target(slider.size(), QImage::Format_ARGB32_Premultiplied);
    const auto outline = loopOutline();

    slider.setWaveform(outline, 0.25);
    QElapsedTimer first;
    first.start();
    slider.render(&target);
    const double firstMs = double(first.nsecsElapsed()) / 1e6;
    if (qEnvironmentVariableIsSet("SAMPORA_BENCH_SHOT"))
        target.save(qEnvironmentVariable("SAMPORA_BENCH_SHOT"));

    const double waveMs = paintMs(slider, target);
    if (qEnvironmentVariableIsSet("SAMPORA_BENCH_SHOT"))
        target.save(qEnvironmentVariable("SAMPORA_BENCH_SHOT") + QStringLiteral(".last.png"));
    slider.setWaveform(nullptr, 0.0);
    const double plainMs = paintMs(slider, target);

    std::printf("paint_ms_per_row: %.3f\n", waveMs);
    std::printf("paint_ms_per_row_plain_slider: %.3f\n", plainMs);
    std::printf("paint_ms_first_after_new_sample: %.3f\n", firstMs);
    return 0;
}
