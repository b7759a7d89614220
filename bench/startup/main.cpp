// Start-up time of Sampora with a 10,000-sample library: from process start to the main
// window's first paint, against an empty QMainWindow program started the same way in the
// same run. The two are started alternately, so load on the machine hits both alike.
// Prints "key: value" lines.
#include <algorithm>
#include <cstdio>
#include <vector>

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include "tools/audiogen.h"

namespace {

constexpr int kSamples = 10000;
constexpr int kRuns = 11;
const char *const kLibraryName = "startup-library-v1";

struct Folder {
    const char *name;
    const char *type;
};
const Folder kFolders[] = {{"melody", "melody"}, {"beats", "beat"}, {"bass", "bass"}};

// 10,000 names spread over three typed folders of 100-file packs; every file is a hard link
// to one short WAV, so the tree costs almost no disk and each sample is really playable.
bool ensureLibrary(const QString &root)
{
    if (QFile::exists(root + QStringLiteral("/.complete")))
        return true;
    QDir(root).removeRecursively();
    if (!QDir().mkpath(root))
        return false;
    const QString master = root + QStringLiteral("/master.wav");
    if (!AudioGen::writeWav(master, AudioGen::tone(0.5, 220.0)))
        return false;
    for (int i = 0; i < kSamples; ++i) {
        const Folder &folder = kFolders[i % 3];
        const QString dir = QStringLiteral("%1/%2/pack %3").arg(root, QLatin1String(folder.name)).arg(i / 300);
        if (!QDir().mkpath(dir))
            return false;
        const QString file = QStringLiteral("%1/loop %2 take %3 %4bpm.wav").arg(dir, QLatin1String(folder.name)).arg(i).arg(70 + i % 100);
        if (!QFile::exists(file) && ::link(QFile::encodeName(master).constData(), QFile::encodeName(file).constData()) != 0)
            return false;
    }
    QFile done(root + QStringLiteral("/.complete"));
    return done.open(QIODevice::WriteOnly);
}

bool writeRunFolder(const QString &run, const QString &library, const QString &buildDir)
{
    QDir().mkpath(run);
    QFile::remove(run + QStringLiteral("/pixmaps"));
    QFile::link(buildDir + QStringLiteral("/bin/pixmaps"), run + QStringLiteral("/pixmaps"));
    QFile config(run + QStringLiteral("/config.xml"));
    if (!config.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QByteArray xml("<sampora>\n");
    for (const Folder &folder : kFolders) {
        xml += QStringLiteral(" <imported_folder path=\"%1/%2\" melody=\"%3\" beat=\"%4\" bass=\"%5\" hipHop=\"1\" techno=\"1\" custom=\"1\"/>\n")
                   .arg(library, QLatin1String(folder.name))
                   .arg(qstrcmp(folder.type, "melody") == 0)
                   .arg(qstrcmp(folder.type, "beat") == 0)
                   .arg(qstrcmp(folder.type, "bass") == 0)
                   .toUtf8();
    }
    xml += "</sampora>\n";
    return config.write(xml) == xml.size();
}

// Milliseconds from start to the probe's "shown", or -1.
double timeStart(const QString &probe, const QStringList &args)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer timer;
    timer.start();
    process.start(probe, args);
    while (process.waitForReadyRead(30000)) {
        if (process.readAll().contains("shown")) {
            const double ms = timer.nsecsElapsed() / 1e6;
            process.waitForFinished(10000);
            return ms;
        }
    }
    process.kill();
    process.waitForFinished();
    return -1;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QString buildDir = QDir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("..")).absolutePath();
    const QString scratch = qEnvironmentVariableIsEmpty("SAMPORA_BENCH_DIR") ? QDir::tempPath() : qEnvironmentVariable("SAMPORA_BENCH_DIR");
    const QString library = scratch + QLatin1Char('/') + QLatin1String(kLibraryName);
    const QString run = scratch + QStringLiteral("/startup-run");
    const QString probe = QCoreApplication::applicationDirPath() + QStringLiteral("/startup_probe");
    if (!ensureLibrary(library) || !writeRunFolder(run, library, buildDir)) {
        std::fprintf(stderr, "bench_startup: cannot prepare %s\n", qPrintable(scratch));
        return 1;
    }

    // One unmeasured start of each warms the file cache and the libvlc plugin cache.
    timeStart(probe, {QStringLiteral("empty")});
    timeStart(probe, {QStringLiteral("sampora"), run});
    std::vector<double> empty, libvlc, sampora;
    for (int i = 0; i < kRuns; ++i) {
        const double e = timeStart(probe, {QStringLiteral("empty")});
        const double v = timeStart(probe, {QStringLiteral("libvlc")});
        const double s = timeStart(probe, {QStringLiteral("sampora"), run});
        if (e < 0 || v < 0 || s < 0) {
            std::fprintf(stderr, "bench_startup: a probe did not show its window\n");
            return 1;
        }
        empty.push_back(e);
        libvlc.push_back(v);
        sampora.push_back(s);
    }
    const double e = median(empty), s = median(sampora);
    std::printf("startup_library_samples: %d\n", kSamples);
    std::printf("startup_empty_ms: %.1f\n", e);
    // The part of the gap that five libvlc instances alone explain.
    std::printf("startup_empty_plus_libvlc5_ms: %.1f\n", median(libvlc));
    std::printf("startup_ms: %.1f\n", s);
    std::printf("startup_vs_empty_ratio: %.2f\n", s / e);
    return 0;
}
