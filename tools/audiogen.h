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

// Silence framed by two pulses: a positive one on its first pulseFrames frames, a negative one on
// its last. Played back to back, a recording shows each seam as the negative pulse followed by the
// positive one with exactly nothing between them, and each pass as the distance between two
// positive pulses.
Pcm pulseLoop(double seconds, double amplitude = 0.5, int pulseFrames = 32, int sampleRate = 44100);

// Silence with `clicks` evenly spaced clicks, the first on frame 0 (a beat loop: one click per beat).
// A click is a short burst of a cosine at clickFrequency at full amplitude from its first frame, so
// that rows playing together can be told apart by their click pitch.
Pcm clickLoop(double seconds, int clicks, double clickFrequency, double amplitude = 0.25,
              double clickSeconds = 0.008, int sampleRate = 44100);

// Sounds without a beat, which a tempo detector must leave without a tempo: a plain sine, white
// noise, a pad (a chord that swells in and fades out), a single drum hit followed by its decay,
// and a reversed swell (rising to a cut-off end). Deterministic for a given seed.
enum class Beatless { Sine, Noise, Pad, Hit, Swell };
Pcm beatless(Beatless kind, double seconds, unsigned seed = 1, int sampleRate = 44100);

bool writeWav(const QString &path, const Pcm &pcm);
// The same PCM `times` times back to back in one WAV file: a song of minutes in little memory.
bool writeWavRepeated(const QString &path, const Pcm &pcm, int times);
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
