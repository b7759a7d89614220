// Speed of the mix render: seconds of audio per second of wall time for three rows, each
// stretched to the grid (the dearest case: a row at rate 1 is only copied). Prints
// "key: value" lines.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <vector>

#include <QElapsedTimer>
#include <QTemporaryDir>

#include "render/mixrenderer.h"
#include "tools/audiogen.h"

namespace {
constexpr int kRuns = 3;
constexpr int kBars = 32;
constexpr double kGridBpm = 100.0;

// A 4-bar loop with a tone under its beat, so that the stretcher has more than clicks to do.
QString writeLoop(const QTemporaryDir &dir, int bpm, double frequency)
{
    const double seconds = 16 * 60.0 / bpm;
    AudioGen::Pcm loop = AudioGen::clickLoop(seconds, 16, frequency);
    const AudioGen::Pcm bed = AudioGen::tone(seconds, frequency / 4, 0.2);
    for (qsizetype i = 0; i < std::min(loop.samples.size(), bed.samples.size()); ++i)
        loop.samples[i] = qint16(loop.samples[i] + bed.samples[i]);
    const QString path = dir.filePath(QStringLiteral("loop %1.wav").arg(bpm));
    AudioGen::writeWav(path, loop);
    return path;
}
} // namespace

int main()
{
    QTemporaryDir dir;
    RenderJob job;
    job.rows = {{writeLoop(dir, 95, 500), kGridBpm / 95},
                {writeLoop(dir, 90, 1500), kGridBpm / 90},
                {writeLoop(dir, 110, 4000), kGridBpm / 110}};
    job.bars = kBars;
    job.gridBpm = kGridBpm;
    job.target = dir.filePath(QStringLiteral("mix.wav"));

    std::vector<double> speeds;
    for (int run = 0; run < kRuns; ++run) {
        const std::atomic_bool cancel {false};
        QElapsedTimer timer;
        timer.start();
        const RenderResult result = MixRenderer::render(job, cancel);
        const double wall = timer.nsecsElapsed() / 1e9;
        if (result.status != RenderResult::Written) {
            std::fprintf(stderr, "bench_render: %s\n", qPrintable(result.message));
            return 1;
        }
        speeds.push_back(job.seconds() / wall);
    }
    std::sort(speeds.begin(), speeds.end());
    std::printf("render_speed_x: %.1f\n", speeds[speeds.size() / 2]);
    return 0;
}
