// Cost of reading the BPM from a sample's file name. Prints "key: value" lines.
#include <cstdio>

#include <QElapsedTimer>
#include <QStringList>

#include "library/sampora.h"

int main()
{
    const QStringList names{
        QStringLiteral("Drum Loop 124 BPM Cm take 042.wav"),
        QStringLiteral("Kick 808.wav"),
        QStringLiteral("Beat_120_v2.mp3"),
        QStringLiteral("Loop 90 140.wav"),
        QStringLiteral("Melody Loop 96 BPM F#m 001.aif"),
        QStringLiteral("pad.wav"),
        QStringLiteral("0120 loop.mp3"),
        QStringLiteral("Bass Loop 174 BPM Gm take 017.mid"),
    };
    constexpr int rounds = 500000;
    long long sum = 0;
    for (const QString &n : names)
        sum += Sampora::bpmFromFileName(n); // warm up
    QElapsedTimer timer;
    timer.start();
    for (int r = 0; r < rounds; ++r) {
        for (const QString &n : names)
            sum += Sampora::bpmFromFileName(n);
    }
    const double ns = double(timer.nsecsElapsed()) / (double(rounds) * names.size());
    std::printf("bpm_parse_ns: %.1f\n", ns);
    return sum == 0 ? 1 : 0;
}
