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

    double seconds() const { return channels * sampleRate != 0 ? double(samples.size()) / (channels * sampleRate) : 0.0; }
};

// A sine tone of the given length, with short fades so it does not click.
Pcm tone(double seconds, double frequency, double amplitude = 0.5, int sampleRate = 44100, int channels = 2);

// A tone that starts at a zero crossing and ends on a short loud click instead of a fade:
// a recording of it shows where the sample began and whether its very end was heard.
Pcm toneWithEndClick(double seconds, double frequency, double amplitude = 0.3, double clickSeconds = 0.005,
                     double clickAmplitude = 0.9, int sampleRate = 44100, int channels = 2);

bool writeWav(const QString &path, const Pcm &pcm);
bool writeAiff(const QString &path, const Pcm &pcm);

// One note of a Standard MIDI File; times in beats (quarter notes). Channel 9 is the
// General MIDI drum channel, where the key picks the drum.
struct MidiNote {
    int channel = 0;
    int key = 60;
    int velocity = 100;
    double start = 0.0;
    double length = 1.0;
};

// Writes a format-0 SMF at the given tempo whose end of track lies at lengthBeats, so
// that a player looping it keeps the bar. Channels other than 9 get the GM program.
bool writeMidi(const QString &path, int bpm, double lengthBeats, const QVector<MidiNote> &notes, int program = 0);

} // namespace AudioGen
