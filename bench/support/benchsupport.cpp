#include "bench/support/benchsupport.h"

#include <sys/resource.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QProcess>

namespace BenchSupport {

bool audioServerAnswers()
{
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
        return false;
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), { QStringLiteral("info") });
    return pactl.waitForFinished(3000) && pactl.exitCode() == 0;
}

double rssMb()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toDouble() * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0) : 0;
}

double peakRssMb()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kB on Linux
}

double cpuMs()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

} // namespace BenchSupport
