#include "tools/audiogen.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

#include <QFile>
#include <QtEndian>

namespace AudioGen {
namespace {

void appendLe32(QByteArray &out, quint32 v) { char b[4]; qToLittleEndian(v, b); out.append(b, 4); }
void appendLe16(QByteArray &out, quint16 v) { char b[2]; qToLittleEndian(v, b); out.append(b, 2); }
void appendBe32(QByteArray &out, quint32 v) { char b[4]; qToBigEndian(v, b); out.append(b, 4); }
void appendBe16(QByteArray &out, quint16 v) { char b[2]; qToBigEndian(v, b); out.append(b, 2); }

// AIFF stores the sample rate as an 80-bit IEEE extended float.
void appendExtended(QByteArray &out, double value)
{
    int exponent = 0;
    double mantissa = std::frexp(value, &exponent); // value = mantissa * 2^exponent, 0.5 <= m < 1
    const quint16 biased = quint16(exponent - 1 + 16383);
    const quint64 bits = quint64(std::ldexp(mantissa, 64));
    appendBe16(out, biased);
    appendBe32(out, quint32(bits >> 32));
    appendBe32(out, quint32(bits & 0xffffffffu));
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(data) == data.size();
}

} // namespace

Pcm tone(double seconds, double frequency, double amplitude, int sampleRate, int channels)
{
    Pcm pcm;
    pcm.sampleRate = sampleRate;
    pcm.channels = channels;
    const int frames = int(std::lround(seconds * sampleRate));
    const int fade = std::min(frames / 2, sampleRate / 200); // 5 ms
    pcm.samples.reserve(frames * channels);
    for (int i = 0; i < frames; ++i) {
        double gain = amplitude;
        if (i < fade)
            gain *= double(i) / fade;
        else if (i >= frames - fade)
            gain *= double(frames - 1 - i) / fade;
        const auto v = qint16(std::lround(32767.0 * gain * std::sin(2 * std::numbers::pi * frequency * i / sampleRate)));
        for (int c = 0; c < channels; ++c)
            pcm.samples.append(v);
    }
    return pcm;
}

Pcm beatless(Beatless kind, double seconds, unsigned seed, int sampleRate)
{
    Pcm pcm;
    pcm.sampleRate = sampleRate;
    const int frames = int(std::lround(seconds * sampleRate));
    std::minstd_rand random(seed);
    std::uniform_real_distribution<double> white(-1.0, 1.0);
    const double pitch = 110.0 * std::pow(2.0, (seed % 24) / 12.0);
    const double fade = std::min(0.01 * sampleRate, frames / 2.0);
    pcm.samples.reserve(frames * pcm.channels);
    for (int i = 0; i < frames; ++i) {
        const double t = double(i) / sampleRate;
        const double edges = std::min({ 1.0, i / fade, (frames - 1 - i) / fade });
        double v = 0.0;
        switch (kind) {
        case Beatless::Sine:
            v = 0.5 * std::sin(2 * std::numbers::pi * pitch * t) * edges;
            break;
        case Beatless::Noise:
            v = 0.3 * white(random) * edges;
            break;
        case Beatless::Pad: {
            // Swells in over a third of its length and fades out over the last third.
            const double envelope = std::min({ 1.0, 3.0 * i / frames, 3.0 * (frames - 1 - i) / frames });
            for (const double ratio : { 1.0, 1.26, 1.5, 2.0 })
                v += 0.12 * std::sin(2 * std::numbers::pi * pitch * ratio * t + ratio);
            v *= envelope;
            break;
        }
        case Beatless::Hit:
            // A kick: a falling pitch and a click of noise, decaying in about a quarter second.
            v = (0.8 * std::sin(2 * std::numbers::pi * (50.0 * t + 60.0 * (1.0 - std::exp(-t * 30.0)) / 30.0))
                 + 0.3 * white(random) * std::exp(-t * 80.0))
                * std::exp(-t * 12.0) * std::min(1.0, (frames - 1 - i) / fade);
            break;
        case Beatless::Swell:
            // A reversed cymbal: noise and a tone rising to a sudden end.
            v = (0.4 * white(random) + 0.3 * std::sin(2 * std::numbers::pi * pitch * t)) * std::pow(double(i) / frames, 3.0);
            break;
        }
        const auto sample = qint16(std::lround(32767.0 * std::clamp(v, -1.0, 1.0)));
        for (int c = 0; c < pcm.channels; ++c)
            pcm.samples.append(sample);
    }
    return pcm;
}

Pcm toneWithEndClick(double seconds, double frequency, double amplitude, double clickSeconds, double clickAmplitude,
                     int sampleRate, int channels)
{
    Pcm pcm;
    pcm.sampleRate = sampleRate;
    pcm.channels = channels;
    const int frames = int(std::lround(seconds * sampleRate));
    const int clickFrames = std::min(frames, int(std::lround(clickSeconds * sampleRate)));
    const int halfPeriod = std::max(1, sampleRate / 2000); // a 1 kHz square
    pcm.samples.reserve(frames * channels);
    for (int i = 0; i < frames; ++i) {
        double v;
        if (i >= frames - clickFrames)
            v = ((i - (frames - clickFrames)) / halfPeriod) % 2 ? -clickAmplitude : clickAmplitude;
        else
            v = amplitude * std::sin(2 * std::numbers::pi * frequency * i / sampleRate);
        const auto s = qint16(std::lround(32767.0 * v));
        for (int c = 0; c < channels; ++c)
            pcm.samples.append(s);
    }
    return pcm;
}

Pcm pulseLoop(double seconds, double amplitude, int pulseFrames, int sampleRate)
{
    Pcm pcm;
    pcm.sampleRate = sampleRate;
    const int frames = int(std::lround(seconds * sampleRate));
    const int pulse = std::min(pulseFrames, frames / 2);
    const auto level = qint16(std::lround(32767.0 * amplitude));
    pcm.samples.fill(0, frames * pcm.channels);
    for (int i = 0; i < pulse * pcm.channels; ++i) {
        pcm.samples[i] = level;
        pcm.samples[(frames - pulse) * pcm.channels + i] = qint16(-level);
    }
    return pcm;
}

Pcm clickLoop(double seconds, int clicks, double clickFrequency, double amplitude, double clickSeconds, int sampleRate)
{
    Pcm pcm;
    pcm.sampleRate = sampleRate;
    const int frames = int(std::lround(seconds * sampleRate));
    const int clickFrames = int(std::lround(clickSeconds * sampleRate));
    pcm.samples.fill(0, frames * pcm.channels);
    for (int c = 0; c < clicks; ++c) {
        const int first = int(std::lround(double(c) * frames / std::max(1, clicks)));
        for (int i = 0; i < clickFrames && first + i < frames; ++i) {
            const auto v = qint16(std::lround(32767.0 * amplitude * std::cos(2 * std::numbers::pi * clickFrequency * i / sampleRate)));
            for (int ch = 0; ch < pcm.channels; ++ch)
                pcm.samples[(first + i) * pcm.channels + ch] = v;
        }
    }
    return pcm;
}

namespace {

QByteArray wavHeader(const Pcm &pcm, quint32 dataBytes)
{
    QByteArray out;
    out.append("RIFF", 4);
    appendLe32(out, 36 + dataBytes);
    out.append("WAVEfmt ", 8);
    appendLe32(out, 16);
    appendLe16(out, 1); // PCM
    appendLe16(out, quint16(pcm.channels));
    appendLe32(out, quint32(pcm.sampleRate));
    appendLe32(out, quint32(pcm.sampleRate * pcm.channels * 2));
    appendLe16(out, quint16(pcm.channels * 2));
    appendLe16(out, 16);
    out.append("data", 4);
    appendLe32(out, dataBytes);
    return out;
}

QByteArray wavData(const Pcm &pcm)
{
    QByteArray out;
    out.reserve(int(pcm.samples.size() * 2));
    for (qint16 s : pcm.samples)
        appendLe16(out, quint16(s));
    return out;
}

} // namespace

bool writeWav(const QString &path, const Pcm &pcm)
{
    return writeFile(path, wavHeader(pcm, quint32(pcm.samples.size() * 2)) + wavData(pcm));
}

bool writeWavRepeated(const QString &path, const Pcm &pcm, int times)
{
    const QByteArray data = wavData(pcm);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    bool ok = file.write(wavHeader(pcm, quint32(qint64(data.size()) * times))) == 44;
    for (int i = 0; ok && i < times; ++i)
        ok = file.write(data) == data.size();
    return ok;
}

bool writeAiff(const QString &path, const Pcm &pcm)
{
    const quint32 frames = quint32(pcm.samples.size() / std::max(1, pcm.channels));
    const quint32 dataBytes = quint32(pcm.samples.size() * 2);
    QByteArray out;
    out.append("FORM", 4);
    appendBe32(out, 4 + (8 + 18) + (8 + 8 + dataBytes));
    out.append("AIFF", 4);
    out.append("COMM", 4);
    appendBe32(out, 18);
    appendBe16(out, quint16(pcm.channels));
    appendBe32(out, frames);
    appendBe16(out, 16);
    appendExtended(out, pcm.sampleRate);
    out.append("SSND", 4);
    appendBe32(out, 8 + dataBytes);
    appendBe32(out, 0); // offset
    appendBe32(out, 0); // block size
    for (qint16 s : pcm.samples)
        appendBe16(out, quint16(s));
    return writeFile(path, out);
}

bool writeMidi(const QString &path, int bpm, double lengthBeats, const QVector<MidiNote> &notes, int program)
{
    constexpr int kTicksPerBeat = 480;
    struct Event {
        qint64 tick;
        int order; // note-offs before note-ons on the same tick, so repeated keys retrigger
        QByteArray bytes;
    };
    const auto ticks = [](double beats) { return qint64(std::llround(beats * kTicksPerBeat)); };
    QVector<Event> events;
    const quint32 microsPerBeat = quint32(60000000 / std::max(1, bpm));
    events.append({0, 0, QByteArray("\xFF\x51\x03", 3) + char(microsPerBeat >> 16) + char(microsPerBeat >> 8) + char(microsPerBeat)});
    events.append({0, 0, QByteArray("\xFF\x58\x04\x04\x02\x18\x08", 7)});
    QVector<int> programmed;
    for (const MidiNote &n : notes) {
        const char channel = char(n.channel & 0x0f);
        if (n.channel != 9 && !programmed.contains(n.channel)) {
            programmed.append(n.channel);
            events.append({0, 1, QByteArray(1, char(0xC0 | channel)) + char(program & 0x7f)});
        }
        const qint64 on = ticks(n.start);
        const qint64 off = std::max(on + 1, ticks(n.start + n.length));
        events.append({on, 3, QByteArray(1, char(0x90 | channel)) + char(n.key & 0x7f) + char(std::clamp(n.velocity, 1, 127))});
        events.append({off, 2, QByteArray(1, char(0x80 | channel)) + char(n.key & 0x7f) + char(0)});
    }
    const qint64 end = std::max(ticks(lengthBeats), events.isEmpty() ? 0 : std::max_element(events.cbegin(), events.cend(), [](const Event &a, const Event &b) { return a.tick < b.tick; })->tick);
    events.append({end, 4, QByteArray("\xFF\x2F\x00", 3)});
    std::stable_sort(events.begin(), events.end(), [](const Event &a, const Event &b) {
        return a.tick != b.tick ? a.tick < b.tick : a.order < b.order;
    });

    QByteArray track;
    qint64 last = 0;
    for (const Event &e : events) {
        // Variable-length delta time, most significant group first.
        quint32 delta = quint32(e.tick - last);
        last = e.tick;
        QByteArray vlq(1, char(delta & 0x7f));
        while ((delta >>= 7) != 0)
            vlq.prepend(char(0x80 | (delta & 0x7f)));
        track += vlq + e.bytes;
    }
    QByteArray out("MThd", 4);
    appendBe32(out, 6);
    appendBe16(out, 0);
    appendBe16(out, 1);
    appendBe16(out, kTicksPerBeat);
    out.append("MTrk", 4);
    appendBe32(out, quint32(track.size()));
    out += track;
    return writeFile(path, out);
}

} // namespace AudioGen
