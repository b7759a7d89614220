#pragma once

#include <QByteArray>
#include <QString>
#include <QVector>

// Small writers for the audio files Sampora plays: used by the demo-library generator,
// the tests and the benchmarks. Everything is 16-bit PCM, deterministic.
namespace AudioGen {

// Interleaved 16-bit samples.
struct Pcm {
    int sampleRate = 44100;
    int channels = 2;
    QVector<qint16> samples;

    double seconds() const { return channels * sampleRate ? double(samples.size()) / (channels * sampleRate) : 0.0; }
};

// A sine tone of the given length, with short fades so it does not click.
Pcm tone(double seconds, double frequency, double amplitude = 0.5, int sampleRate = 44100, int channels = 2);

bool writeWav(const QString &path, const Pcm &pcm);
bool writeAiff(const QString &path, const Pcm &pcm);

} // namespace AudioGen
