#include "instruments.h"

#include <cmath>
#include <numbers>
#include <vector>

#include "loopbuffer.h"

namespace Instruments {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

double frequency(int key)
{
    return 440.0 * std::pow(2.0, (key - 69) / 12.0);
}

// A small deterministic noise source; every hit seeds its own, so files never differ
// between runs.
class Noise {
public:
    explicit Noise(quint32 seed) : m_state(seed * 2654435761u + 12345u) {}
    double next()
    {
        m_state = m_state * 1664525u + 1013904223u;
        return double(m_state >> 8) / double(1 << 23) - 1.0;
    }

private:
    quint32 m_state;
};

quint32 seedOf(const AudioGen::MidiNote &note)
{
    return quint32(std::lround(note.start * 960.0)) * 131u + quint32(note.key);
}

// Chamberlin state-variable filter: low-pass and band-pass outputs from one state.
struct StateVariable {
    double low = 0.0;
    double band = 0.0;
    void run(double input, double cutoff, double damping, int sampleRate)
    {
        const double f = 2.0 * std::sin(std::numbers::pi * std::min(cutoff, sampleRate / 6.0) / sampleRate);
        low += f * band;
        const double high = input - low - damping * band;
        band += f * high;
    }
};

// Band-limited sawtooth (polyBLEP), so high notes do not alias.
double saw(double phase, double step)
{
    double v = 2.0 * phase - 1.0;
    if (phase < step) {
        const double t = phase / step;
        v -= t + t - t * t - 1.0;
    } else if (phase > 1.0 - step) {
        const double t = (phase - 1.0) / step;
        v -= t * t + t + t + 1.0;
    }
    return v;
}

// Attack, then hold for the note's length, then a short release; avoids clicks.
double gate(double t, double length, double attack, double release)
{
    if (t < attack)
        return t / attack;
    if (t < length)
        return 1.0;
    return std::max(0.0, 1.0 - (t - length) / release);
}

void kick(LoopBuffer &bus, const AudioGen::MidiNote &n, double gain)
{
    const int sr = bus.sampleRate();
    Noise noise(seedOf(n));
    double phase = 0.0;
    bus.render(n.start, 0.5, [&](double t) {
        phase += kTwoPi * (46.0 + 115.0 * std::exp(-t * 30.0)) / sr;
        const double body = std::sin(phase) * std::exp(-t * 6.5);
        const double click = noise.next() * std::exp(-t * 500.0) * 0.25;
        return gain * std::tanh(1.6 * (body + click));
    });
}

void snare(LoopBuffer &bus, const AudioGen::MidiNote &n, double gain)
{
    const int sr = bus.sampleRate();
    Noise noise(seedOf(n));
    StateVariable filter;
    bus.render(n.start, 0.3, [&](double t) {
        filter.run(noise.next(), 4200.0, 0.9, sr);
        const double rattle = (filter.band * 1.4) * std::exp(-t * 16.0);
        const double body = std::sin(kTwoPi * 185.0 * t) * std::exp(-t * 24.0) * 0.6;
        return gain * 0.8 * (rattle + body);
    });
}

void clap(LoopBuffer &bus, const AudioGen::MidiNote &n, double gain)
{
    const int sr = bus.sampleRate();
    Noise noise(seedOf(n));
    StateVariable filter;
    bus.render(n.start, 0.35, [&](double t) {
        filter.run(noise.next(), 1300.0, 0.6, sr);
        double env = std::exp(-std::fmod(t, 0.011) * 220.0) * (t < 0.033 ? 1.0 : 0.0);
        if (t >= 0.022)
            env = std::max(env, std::exp(-(t - 0.022) * 14.0));
        return gain * 1.6 * filter.band * env;
    });
}

void hat(LoopBuffer &bus, const AudioGen::MidiNote &n, double gain, bool open)
{
    Noise noise(seedOf(n));
    double last = 0.0;
    double high = 0.0;
    const double decay = open ? 9.0 : 60.0;
    bus.render(n.start, open ? 0.4 : 0.09, [&](double t) {
        const double x = noise.next();
        high = 0.86 * (high + x - last); // one-pole high-pass keeps only the sizzle
        last = x;
        const double metal = std::copysign(1.0, std::sin(kTwoPi * 3300.0 * t)) * std::copysign(1.0, std::sin(kTwoPi * 5150.0 * t));
        return gain * 0.45 * (high + 0.25 * metal) * std::exp(-t * decay);
    });
}

void rim(LoopBuffer &bus, const AudioGen::MidiNote &n, double gain)
{
    bus.render(n.start, 0.07, [&](double t) {
        return gain * 0.7 * (std::sin(kTwoPi * 1650.0 * t) * 0.6 + std::sin(kTwoPi * 420.0 * t)) * std::exp(-t * 70.0);
    });
}

void drum(LoopBuffer &bus, const AudioGen::MidiNote &n, double gain)
{
    switch (n.key) {
    case 36: kick(bus, n, gain); break;
    case 37: rim(bus, n, gain); break;
    case 38: snare(bus, n, gain); break;
    case 39: clap(bus, n, gain); break;
    case 42: hat(bus, n, gain, false); break;
    case 46: hat(bus, n, gain, true); break;
    default: break;
    }
}

void subBass(LoopBuffer &bus, const AudioGen::MidiNote &n, double gain)
{
    const double f = frequency(n.key);
    const double length = n.length * bus.secondsPerBeat();
    bus.render(n.start, length + 0.06, [&](double t) {
        const double p = kTwoPi * f * t;
        const double wave = std::sin(p) + 0.22 * std::sin(2.0 * p) + 0.08 * std::sin(3.0 * p);
        return gain * std::tanh(1.3 * wave) * gate(t, length, 0.006, 0.05) * (0.75 + 0.25 * std::exp(-t * 6.0));
    });
}

void acidBass(LoopBuffer &bus, const AudioGen::MidiNote &n, double gain)
{
    const int sr = bus.sampleRate();
    const double f = frequency(n.key);
    const double length = n.length * bus.secondsPerBeat();
    const double accent = n.velocity / 127.0;
    StateVariable filter;
    double phase = 0.0;
    bus.render(n.start, length + 0.03, [&](double t) {
        phase += f / sr;
        phase -= std::floor(phase);
        const double cutoff = 180.0 + 2600.0 * accent * accent * std::exp(-t * 14.0);
        filter.run(saw(phase, f / sr), cutoff, 0.22, sr);
        return gain * std::tanh(1.4 * filter.low) * gate(t, length, 0.003, 0.025);
    });
}

void electricPiano(LoopBuffer &bus, const AudioGen::MidiNote &n, double gain)
{
    const double f = frequency(n.key);
    const double length = n.length * bus.secondsPerBeat();
    bus.render(n.start, length + 0.25, [&](double t) {
        const double index = 1.6 * std::exp(-t * 5.0) + 0.25;
        const double tine = std::sin(kTwoPi * f * t + index * std::sin(kTwoPi * f * t));
        const double bell = 0.08 * std::sin(kTwoPi * f * 7.0 * t) * std::exp(-t * 18.0);
        const double tremolo = 1.0 + 0.12 * std::sin(kTwoPi * 4.5 * t);
        return gain * (tine + bell) * tremolo * std::exp(-t * 1.3) * gate(t, length, 0.004, 0.22);
    });
}

void pluck(LoopBuffer &bus, const AudioGen::MidiNote &n, double gain)
{
    const int sr = bus.sampleRate();
    const int period = std::max(2, int(std::lround(sr / frequency(n.key))));
    std::vector<double> line(static_cast<size_t>(period));
    Noise noise(seedOf(n));
    double smooth = 0.0;
    for (double &v : line) {
        smooth = 0.5 * smooth + 0.5 * noise.next(); // a softer pick
        v = smooth;
    }
    size_t pos = 0;
    const double length = n.length * bus.secondsPerBeat();
    bus.render(n.start, std::min(length + 0.4, 2.0), [&](double t) {
        const size_t nextPos = (pos + 1) % line.size();
        const double out = line[pos];
        line[pos] = 0.4985 * (line[pos] + line[nextPos]);
        pos = nextPos;
        return gain * 1.5 * out * gate(t, length + 0.2, 0.001, 0.2);
    });
}

void stab(LoopBuffer &bus, const AudioGen::MidiNote &n, double gain)
{
    const int sr = bus.sampleRate();
    const double f = frequency(n.key);
    const double length = n.length * bus.secondsPerBeat();
    StateVariable filter;
    double a = 0.0;
    double b = 0.37;
    bus.render(n.start, length + 0.12, [&](double t) {
        a += f / sr;
        a -= std::floor(a);
        b += f * 1.0072 / sr;
        b -= std::floor(b);
        const double cutoff = 350.0 + 2400.0 * std::exp(-t * 9.0);
        filter.run(0.5 * (saw(a, f / sr) + saw(b, f / sr)), cutoff, 0.5, sr);
        return gain * filter.low * gate(t, length, 0.003, 0.1);
    });
}

} // namespace

int midiProgram(Voice voice)
{
    switch (voice) {
    case Voice::SubBass: return 38;        // Synth Bass 1
    case Voice::AcidBass: return 39;       // Synth Bass 2
    case Voice::ElectricPiano: return 4;   // Electric Piano 1
    case Voice::Pluck: return 25;          // Acoustic Guitar (steel)
    case Voice::Stab: return 81;           // Lead 2 (sawtooth)
    case Voice::Drums: break;
    }
    return 0;
}

void play(LoopBuffer &bus, const AudioGen::MidiNote &note, Voice voice)
{
    const double gain = note.velocity / 127.0;
    switch (voice) {
    case Voice::Drums: drum(bus, note, gain); break;
    case Voice::SubBass: subBass(bus, note, gain); break;
    case Voice::AcidBass: acidBass(bus, note, gain); break;
    case Voice::ElectricPiano: electricPiano(bus, note, gain); break;
    case Voice::Pluck: pluck(bus, note, gain); break;
    case Voice::Stab: stab(bus, note, gain); break;
    }
}

} // namespace Instruments
