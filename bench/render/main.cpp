// The export of the mix: the peak memory of exporting a ten-minute song (streamed, not decoded
// whole), how far the export is from the same mix played live, and the speed of the render in
// seconds of audio per second of wall time for three rows, each stretched to the grid (by the
// render, and with the copies made beforehand as the deck hands them over). Prints
// "key: value" lines. The live comparison needs the audio server bench/run starts.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <vector>

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "bench/support/benchsupport.h"
#include "player/sampledecoder.h"
#include "player/timestretch.h"
#include "render/mixrenderer.h"
#include "shared/exportcheck.h"
#include "tools/audiogen.h"

namespace {
constexpr int kRuns = 3;
constexpr int kBars = 32;
constexpr double kGridBpm = 100.0;

// Seconds of audio rendered per second of wall time, the median of a few renders.
bool medianSpeed(const RenderJob &job, double *speed)
{
    std::vector<double> speeds;
    for (int run = 0; run < kRuns; ++run) {
        const std::atomic_bool cancel {false};
        QElapsedTimer timer;
        timer.start();
        const RenderResult result = MixRenderer::render(job, cancel);
        const double wall = timer.nsecsElapsed() / 1e9;
        if (result.status != RenderResult::Written) {
            std::fprintf(stderr, "bench_render: %s\n", qPrintable(result.message));
            return false;
        }
        speeds.push_back(job.seconds() / wall);
    }
    std::sort(speeds.begin(), speeds.end());
    *speed = speeds[speeds.size() / 2];
    return true;
}

// Before anything else, so that the peak is the export's.
bool exportLongSong()
{
    QTemporaryDir dir;
    const QString song = dir.filePath(QStringLiteral("song.wav"));
    AudioGen::writeWavRepeated(song, AudioGen::clickLoop(2.0, 4, 800), 300); // ten minutes
    RenderJob job;
    job.rows = {{song, 1.0}};
    job.gridBpm = 120.0;
    job.bars = RenderJob::barsCovering(600.0, job.gridBpm);
    job.target = dir.filePath(QStringLiteral("mix.wav"));
    const std::atomic_bool cancel {false};
    const RenderResult result = MixRenderer::render(job, cancel);
    if (result.status != RenderResult::Written) {
        std::fprintf(stderr, "bench_render: %s\n", qPrintable(result.message));
        return false;
    }
    std::printf("rss_mb_export_10min_song: %.1f\n", BenchSupport::peakRssMb());
    return true;
}

bool exportAgainstLive()
{
    if (!BenchSupport::audioServerAnswers()) {
        std::fprintf(stderr, "bench_render: no audio server, no live mix to compare with\n");
        return false;
    }
    QTemporaryDir dir;
    const ExportCheck::Outcome outcome = ExportCheck::liveAgainstExport(dir.path());
    if (!outcome.failure.isEmpty()) {
        std::fprintf(stderr, "bench_render: %s\n", qPrintable(outcome.failure));
        return false;
    }
    std::printf("export_vs_live_error_db: %.1f\n", outcome.errorDb);
    return true;
}
} // namespace

int main(int argc, char **argv)
{
    if (!exportLongSong())
        return 1;
    std::fflush(stdout);
    QApplication app(argc, argv);
    if (!exportAgainstLive())
        return 1;
    std::fflush(stdout);

    QTemporaryDir dir;
    RenderJob job;
    job.rows = {{ExportCheck::writeLoop(dir.path(), 95, 16, 500), kGridBpm / 95},
                {ExportCheck::writeLoop(dir.path(), 90, 16, 1500), kGridBpm / 90},
                {ExportCheck::writeLoop(dir.path(), 110, 16, 4000), kGridBpm / 110}};
    job.bars = kBars;
    job.gridBpm = kGridBpm;
    job.target = dir.filePath(QStringLiteral("mix.wav"));

    double stretching = 0.0;
    if (!medianSpeed(job, &stretching))
        return 1;
    std::printf("render_speed_x: %.1f\n", stretching);
    // From the deck the rows' copies come made: the render only mixes and writes.
    for (RenderRow &row : job.rows) {
        QString reason;
        row.copy = TimeStretch::stretch(SampleDecoder::decode(row.file, &reason), row.rate);
    }
    double shared = 0.0;
    if (!medianSpeed(job, &shared))
        return 1;
    std::printf("render_speed_x_deck_copies: %.1f\n", shared);
    return 0;
}
