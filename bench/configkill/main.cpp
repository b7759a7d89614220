// Kills a process that is rewriting config.xml at random moments and checks after each
// kill that the file still parses and holds either the old or the new library.

#include <csignal>
#include <cstdio>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include <QCoreApplication>
#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include "library/configfile.h"
#include "library/configwriter.h"

namespace {

constexpr int kTrials = 200;
constexpr int kFolders = 3000;

using Clock = std::chrono::steady_clock;

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The root's children with sorted attributes: attribute order carries no meaning and
// differs between processes.
std::optional<QStringList> library(const QString &path)
{
    const ConfigFile::Result parsed = ConfigFile::parse(readAll(path));
    if (parsed.status != ConfigFile::Status::Ok)
        return std::nullopt;
    QStringList children;
    for (QDomNode n = parsed.doc.documentElement().firstChild(); !n.isNull(); n = n.nextSibling()) {
        QStringList parts{n.nodeName(), n.nodeValue()};
        const QDomNamedNodeMap attributes = n.attributes();
        QStringList attrs;
        for (int i = 0; i < attributes.count(); ++i)
            attrs << attributes.item(i).nodeName() + QLatin1Char('=') + attributes.item(i).nodeValue();
        attrs.sort();
        children << (parts + attrs).join(QLatin1Char(' '));
    }
    return children;
}

QString describe(const QString &path, const QString &melody)
{
    return QStringLiteral("imported_folder  bass=0 beat=0 custom=1 hipHop=0 melody=%1 path=%2 techno=0")
        .arg(melody, path);
}

ConfigWriter::Attributes attributes(const QString &path, const QString &melody)
{
    return {{QStringLiteral("path"), path},           {QStringLiteral("melody"), melody},
            {QStringLiteral("beat"), QStringLiteral("0")}, {QStringLiteral("bass"), QStringLiteral("0")},
            {QStringLiteral("hipHop"), QStringLiteral("0")}, {QStringLiteral("techno"), QStringLiteral("0")},
            {QStringLiteral("custom"), QStringLiteral("1")}};
}

struct Change {
    bool remove = false;
    QString path;
    QString melody;
};

// The library the change should leave, worked out from the old one.
QStringList expected(QStringList children, const Change &change)
{
    const QString suffix = QStringLiteral(" path=") + change.path + QStringLiteral(" ");
    for (qsizetype i = 0; i < children.size(); ++i) {
        if (children[i].startsWith(QLatin1String("imported_folder ")) && children[i].contains(suffix)) {
            children.removeAt(i);
            break;
        }
    }
    if (!change.remove)
        children << describe(change.path, change.melody);
    return children;
}

// Runs one rewrite in a child; returns the child's pid.
pid_t startRewrite(const ConfigWriter &writer, const Change &change)
{
    const pid_t child = fork();
    if (child == 0) {
        const ConfigWriteResult result = change.remove ? writer.remove(change.path)
                                                       : writer.addOrReplace(attributes(change.path, change.melody));
        _exit(result.ok ? 0 : 1);
    }
    return child;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QString scratch = qEnvironmentVariable("SAMPORA_BENCH_DIR", QDir::tempPath());
    QDir().mkpath(scratch);
    QTemporaryDir dir(scratch + QStringLiteral("/configkill-XXXXXX"));
    const QString config = dir.path() + QStringLiteral("/config.xml");
    const ConfigWriter writer(config);

    QByteArray start = "<?xml version=\"1.0\"?>\n<sampora>\n <!-- folders of the trial -->\n";
    for (int i = 0; i < kFolders; ++i)
        start += " <imported_folder path=\"/samples/ünï/" + QByteArray::number(i)
            + "\" melody=\"1\" beat=\"0\" bass=\"0\" hipHop=\"0\" techno=\"0\" custom=\"1\"/>\n";
    start += " <playlist name=\"kept\"/>\n</sampora>\n";
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) || file.write(start) != start.size())
        return 1;
    file.close();

    QRandomGenerator gen(20261210);
    auto nextChange = [&](int trial) {
        Change change;
        change.remove = trial % 4 == 3;
        change.path = QStringLiteral("/samples/ünï/%1").arg(gen.bounded(kFolders));
        change.melody = gen.bounded(2) ? QStringLiteral("1") : QStringLiteral("0");
        return change;
    };

    // How long one uninterrupted rewrite takes, so the kills spread over all of it.
    std::vector<double> durations;
    for (int i = 0; i < 7; ++i) {
        const auto begin = Clock::now();
        int status = 0;
        waitpid(startRewrite(writer, nextChange(i)), &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
            return 1;
        durations.push_back(std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
    }
    std::sort(durations.begin(), durations.end());
    const double rewriteMs = durations[durations.size() / 2];

    // The part of a rewrite that is file I/O (backup, new file, sync, rename) rather
    // than parsing and serialising: the share of kills that land while files are written.
    std::vector<double> cpuDurations;
    for (int i = 0; i < 7; ++i) {
        const auto begin = Clock::now();
        const ConfigFile::Result parsed = ConfigFile::parse(readAll(config));
        if (parsed.doc.toByteArray(1).isEmpty())
            return 1;
        cpuDurations.push_back(std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
    }
    std::sort(cpuDurations.begin(), cpuDurations.end());
    const double cpuMs = cpuDurations[cpuDurations.size() / 2];

    int damaged = 0;
    int backupDamaged = 0;
    int interrupted = 0;
    for (int trial = 0; trial < kTrials; ++trial) {
        const std::optional<QStringList> before = library(config);
        if (!before)
            return 1;
        const Change change = nextChange(trial);
        const QStringList after = expected(*before, change);

        const pid_t child = startRewrite(writer, change);
        // Every other kill is aimed at the file I/O at the end of the rewrite, where
        // damage could happen; the others spread over the whole run.
        const double from = trial % 2 ? cpuMs * 0.8 : 0.0;
        const double to = trial % 2 ? rewriteMs * 1.1 : rewriteMs * 1.2;
        std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(from + gen.generateDouble() * (to - from)));
        kill(child, SIGKILL);
        int status = 0;
        waitpid(child, &status, 0);
        if (WIFSIGNALED(status))
            ++interrupted;

        const std::optional<QStringList> now = library(config);
        if (!now || (*now != *before && *now != after)) {
            ++damaged;
            std::fprintf(stderr, "trial %d: config.xml damaged\n", trial);
        }
        if (QFile::exists(writer.backupPath()) && !library(writer.backupPath()))
            ++backupDamaged;
    }

    const QStringList left = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
    const qsizetype leftovers = left.size() - left.count(QStringLiteral("config.xml"))
        - left.count(QStringLiteral("config.xml.bak"));
    if (leftovers > 0)
        std::fprintf(stderr, "files left beside config.xml: %s\n", qPrintable(left.join(QLatin1Char(' '))));

    std::printf("config_kill_trials: %d\n", kTrials);
    std::printf("config_kill_damaged: %d\n", damaged);
    std::printf("config_kill_interrupted_mid_rewrite: %d\n", interrupted);
    std::printf("config_kill_backup_damaged: %d\n", backupDamaged);
    std::printf("config_kill_leftover_files: %d\n", int(leftovers));
    std::printf("config_rewrite_ms: %.1f\n", rewriteMs);
    std::printf("config_rewrite_io_share: %.2f\n", std::max(0.0, 1.0 - cpuMs / rewriteMs));
    return damaged == 0 ? 0 : 1;
}
