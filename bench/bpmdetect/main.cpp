// Tempo estimated from the audio, on the demo library's loops copied under names without a
// BPM. Prints "key: value" lines:
//   bpm_detect_accuracy  share of loops within 1 BPM of their real tempo (half or double
//                        counts as wrong)
//   bpm_detect_ms        processor time of one analysis per 10 seconds of loop, median over
//                        the audio loops (the machine may be shared, so not wall time)
//   bpm_detect_wall_ms   the same in wall-clock time
//   bpm_detect_false_tempo_rate  share of generated sounds without a beat (sines, noise, pads,
//                        single hits, reversed swells of 0.5 to 10 s) that get a tempo
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QVector>

#include "demolibrary.h"
#include "tempo/looptempo.h"
#include "tempo/tempodetector.h"
#include "tools/audiogen.h"

namespace {

double threadCpuMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

double median(QVector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

void printEvidence(const QString &name, const QString &path)
{
    const std::optional<BeatEvidence> heard = TempoDetector::listen(path);
    if (heard) {
        const int bpm = LoopTempo::refine(heard->trackerBpm, heard->seconds);
        std::fprintf(stderr, "    %-28s tracker %6.1f  confidence %5.3f  onsets %3lld  on the grid %4.2f\n", qPrintable(name),
                     heard->trackerBpm, heard->confidence, qlonglong(heard->onsets.size()), heard->onGrid(bpm));
    }
}

// Sounds with no beat: each should come out without a tempo.
double falseTempoRate(const QString &dir)
{
    using AudioGen::Beatless;
    const struct {
        Beatless kind;
        const char *name;
    } kinds[] = { { Beatless::Sine, "sine" }, { Beatless::Noise, "noise" }, { Beatless::Pad, "pad" },
                  { Beatless::Hit, "hit" }, { Beatless::Swell, "swell" } };
    int sounds = 0;
    int withTempo = 0;
    for (const auto &kind : kinds) {
        for (const double seconds : { 0.5, 1.0, 1.5, 2.0, 3.0, 4.0, 5.0, 6.0, 8.0, 10.0 }) {
            for (unsigned seed = 1; seed <= 3; ++seed) {
                const QString name = QStringLiteral("%1 %2 s #%3").arg(QLatin1String(kind.name)).arg(seconds).arg(seed);
                const QString path = dir + QStringLiteral("/beatless-%1.wav").arg(sounds);
                if (!AudioGen::writeWav(path, AudioGen::beatless(kind.kind, seconds, seed * 7 + unsigned(sounds))))
                    return -1.0;
                const int bpm = TempoDetector::analyse(path);
                ++sounds;
                if (bpm > 0) {
                    ++withTempo;
                    std::fprintf(stderr, "%-40s -> %4d BPM  WRONG\n", qPrintable(name), bpm);
                }
                printEvidence(name, path);
            }
        }
    }
    return double(withTempo) / sounds;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const bool haveSox = !QStandardPaths::findExecutable(QStringLiteral("sox")).isEmpty();
    const DemoLibrary demo(haveSox);
    if (!dir.isValid() || demo.writeMissing(dir.path()) < 0) {
        std::fprintf(stderr, "bench_bpmdetect: cannot write the demo library\n");
        return 1;
    }

    int right = 0;
    QVector<double> cpuPerTenSeconds;
    QVector<double> wallPerTenSeconds;
    for (int i = 0; i < demo.loops().size(); ++i) {
        const DemoLibrary::Loop &loop = demo.loops().at(i);
        const QString written = dir.path() + QLatin1Char('/') + loop.folder + QLatin1Char('/') + loop.file;
        const QString unnamed = dir.path() + QStringLiteral("/loop-%1.%2").arg(i).arg(QFileInfo(loop.file).suffix());
        if (!QFile::copy(written, unnamed)) {
            std::fprintf(stderr, "bench_bpmdetect: cannot copy %s\n", qPrintable(written));
            return 1;
        }
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = threadCpuMs();
        const int bpm = TempoDetector::analyse(unnamed);
        const double cpuMs = threadCpuMs() - cpuStart;
        const double ms = timer.nsecsElapsed() / 1e6;
        const bool ok = std::abs(bpm - loop.bpm) <= 1;
        right += ok ? 1 : 0;
        const double seconds = loop.phrase.beats * 60.0 / loop.bpm;
        if (!unnamed.endsWith(QLatin1String(".mid"))) {
            cpuPerTenSeconds.append(cpuMs * 10.0 / seconds);
            wallPerTenSeconds.append(ms * 10.0 / seconds);
        }
        std::fprintf(stderr, "%-40s %3d BPM -> %4d%s  %.1f ms (processor %.1f ms) for %.1f s\n", qPrintable(loop.file),
                     loop.bpm, bpm, ok ? "" : "  WRONG", ms, cpuMs, seconds);
        if (!unnamed.endsWith(QLatin1String(".mid")))
            printEvidence(loop.file, unnamed);
    }
    const double falseRate = falseTempoRate(dir.path());
    std::printf("bpm_detect_accuracy: %.3f\n", double(right) / demo.loops().size());
    std::printf("bpm_detect_ms: %.1f\n", median(cpuPerTenSeconds));
    std::printf("bpm_detect_wall_ms: %.1f\n", median(wallPerTenSeconds));
    std::printf("bpm_detect_false_tempo_rate: %.3f\n", falseRate);
    return 0;
}
