// Library scan speed against `find DIR -type f`, and the memory the sample lists take
// per path, on a 100,000-file tree in 2,000 folders. The tree is generated once under
// $SAMPORA_BENCH_DIR and reused. Prints "key: value" lines.
#include <algorithm>
#include <cstdio>
#include <vector>

#include <malloc.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "library/paths.h"
#include "library/sampora.h"

namespace {

constexpr int kGenres = 40;
constexpr int kPacksPerGenre = 50;
constexpr int kFilesPerPack = 50;
constexpr int kRuns = 9;
const char *const kTreeName = "scan-tree-v1";

// Names of the lengths real sample packs have; one file in ten is not a sample.
QString fileName(int pack, int file)
{
    static const char *const kinds[] = {"Drum Loop", "Melody Loop", "Bass Loop", "Perc Shot", "FX Riser"};
    static const char *const suffixes[] = {".wav", ".WAV", ".mp3", ".aif", ".mid"};
    if (file % 10 == 9)
        return QStringLiteral("Pack Notes %1.txt").arg(file);
    return QStringLiteral("%1 %2 BPM Cm take %3%4")
        .arg(QLatin1String(kinds[file % 5]))
        .arg(70 + (pack * 7 + file) % 100)
        .arg(file, 3, 10, QLatin1Char('0'))
        .arg(QLatin1String(suffixes[(file / 5) % 5]));
}

bool ensureTree(const QString &root)
{
    const QString done = root + QStringLiteral("/.complete");
    if (QFile::exists(done))
        return true;
    QDir(root).removeRecursively();
    for (int g = 0; g < kGenres; ++g) {
        for (int p = 0; p < kPacksPerGenre; ++p) {
            const QString pack = QStringLiteral("%1/Genre %2/Sample Pack %3 - Loops and One Shots")
                                     .arg(root)
                                     .arg(g, 2, 10, QLatin1Char('0'))
                                     .arg(p, 2, 10, QLatin1Char('0'));
            if (!QDir().mkpath(pack))
                return false;
            for (int f = 0; f < kFilesPerPack; ++f) {
                QFile file(pack + QLatin1Char('/') + fileName(g * kPacksPerGenre + p, f));
                if (!file.open(QIODevice::WriteOnly))
                    return false;
            }
        }
    }
    QFile marker(done);
    return marker.open(QIODevice::WriteOnly);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double findMs(const QString &root)
{
    QProcess find;
    find.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer timer;
    timer.start();
    find.start(QStringLiteral("find"), {root, QStringLiteral("-type"), QStringLiteral("f")});
    find.waitForFinished(-1);
    return timer.nsecsElapsed() / 1e6;
}

double scanMs(const QString &root, qsizetype &count)
{
    QElapsedTimer timer;
    timer.start();
    const QStringList paths = Sampora::scanFolder(root);
    const double ms = timer.nsecsElapsed() / 1e6;
    count = paths.size();
    return ms;
}

size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd; // small chunks plus mmap'ed large blocks
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QString base = qEnvironmentVariable("SAMPORA_BENCH_DIR");
    if (base.isEmpty())
        base = QDir::tempPath() + QStringLiteral("/sampora-bench-data");
    const QString root = base + QLatin1Char('/') + QLatin1String(kTreeName);
    if (!ensureTree(root)) {
        std::fprintf(stderr, "cannot create the tree under %s\n", qPrintable(root));
        return 1;
    }

    // Memory first, on a quiet heap: the retained growth of a model holding the tree.
    QTemporaryDir programDir;
    Paths::setProgramDir(programDir.path());
    {
        QFile config(Paths::configPath());
        if (!config.open(QIODevice::WriteOnly))
            return 1;
        config.write("<sampora>\n<imported_folder path=\"" + QFile::encodeName(root).replace("&", "&amp;")
                     + "\" beat=\"1\" hipHop=\"1\"/>\n</sampora>\n");
    }
    const size_t before = heapInUse();
    auto *library = new Sampora(HipHop);
    const size_t after = heapInUse();
    const qsizetype libraryPaths = library->sampleCount(HipHop, Beat);
    const QStringList plain = library->samples(HipHop, Beat);
    const size_t afterPlain = heapInUse();
    delete library;
    if (libraryPaths == 0)
        return 1;

    // Warm the cache, then alternate the two so both see the same conditions.
    qsizetype count = 0;
    findMs(root);
    scanMs(root, count);
    std::vector<double> finds;
    std::vector<double> scans;
    for (int run = 0; run < kRuns; ++run) {
        finds.push_back(findMs(root));
        scans.push_back(scanMs(root, count));
    }
    const double find = median(finds);
    const double scan = median(scans);

    std::printf("scan_files: %lld\n", static_cast<long long>(count));
    std::printf("find_ms: %.1f\n", find);
    std::printf("scan_ms: %.1f\n", scan);
    std::printf("scan_vs_find_ratio: %.2f\n", scan / find);
    std::printf("bytes_per_path: %.1f\n", double(after - before) / double(libraryPaths));
    std::printf("qstringlist_bytes_per_path: %.1f\n", double(afterPlain - after) / double(plain.size()));
    std::printf("average_path_chars: %.1f\n", [&] {
        double chars = 0;
        for (const QString &p : plain)
            chars += p.size();
        return chars / double(plain.size());
    }());
    return 0;
}
