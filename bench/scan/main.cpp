// Library scan speed against `find DIR -type f`, and the memory the sample lists take
// per path, on a 100,000-file tree in 2,000 folders. The tree is generated once under
// $SAMPORA_BENCH_DIR and reused. Prints "key: value" lines, first the conditions the timing
// depends on: the file system, whether the tree was just written, the cache state, the cores
// and how busy the machine was. Both walks run on a warm cache (the tree is read once first).
#include <algorithm>
#include <cstdio>
#include <vector>

#include <cstdlib>
#include <thread>

#include <malloc.h>
#include <sys/vfs.h>

#include <QCoreApplication>
#include <QDir>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "library/folderfiles.h"
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

// The scan the library model runs for each configured folder: paths kept as compact bytes.
double scanMs(const QString &root, qsizetype &count)
{
    QElapsedTimer timer;
    timer.start();
    const std::shared_ptr<const FolderFiles> files = FolderFiles::scan(root);
    const double ms = timer.nsecsElapsed() / 1e6;
    count = files->size();
    return ms;
}

// The same walk into a QStringList, one QString per path (what tests and tools use); the
// conversion costs more than the walk itself.
double listMs(const QString &root)
{
    QElapsedTimer timer;
    timer.start();
    const QStringList paths = Sampora::scanFolder(root);
    return timer.nsecsElapsed() / 1e6;
}

const char *fileSystemName(const QString &path)
{
    struct statfs info {};
    if (::statfs(QFile::encodeName(path).constData(), &info) != 0)
        return "unknown";
    switch (static_cast<unsigned long>(info.f_type)) {
    case 0xEF53:
        return "ext4";
    case 0x01021994:
        return "tmpfs";
    case 0x794C7630:
        return "overlayfs";
    case 0x9123683E:
        return "btrfs";
    case 0x58465342:
        return "xfs";
    default:
        return "other";
    }
}

// A tree written moments ago still has its pages queued for writeback, which slows every walk.
double treeAgeSeconds(const QString &root)
{
    const QFileInfo marker(root + QStringLiteral("/.complete"));
    return marker.lastModified().msecsTo(QDateTime::currentDateTime()) / 1000.0;
}

void printConditions(const QString &root)
{
    double load[1] = { -1 };
    getloadavg(load, 1);
    std::printf("scan_conditions_fs: %s\n", fileSystemName(root));
    std::printf("scan_conditions_tree_age_s: %.0f\n", treeAgeSeconds(root));
    std::printf("scan_conditions_cache: warm\n");
    std::printf("scan_conditions_cores: %u\n", std::thread::hardware_concurrency());
    std::printf("scan_conditions_load_average: %.2f\n", load[0]);
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

    // Warm the cache, then alternate the walks so all see the same conditions.
    qsizetype count = 0;
    findMs(root);
    scanMs(root, count);
    std::vector<double> finds;
    std::vector<double> scans;
    std::vector<double> lists;
    for (int run = 0; run < kRuns; ++run) {
        finds.push_back(findMs(root));
        scans.push_back(scanMs(root, count));
        lists.push_back(listMs(root));
    }
    const double find = median(finds);
    const double scan = median(scans);
    const double list = median(lists);

    printConditions(root);
    std::printf("scan_files: %lld\n", static_cast<long long>(count));
    std::printf("find_ms: %.1f\n", find);
    std::printf("scan_ms: %.1f\n", scan);
    std::printf("scan_vs_find_ratio: %.2f\n", scan / find);
    std::printf("scan_to_qstringlist_vs_find_ratio: %.2f\n", list / find);
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
