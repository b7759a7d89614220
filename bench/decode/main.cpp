// Cost of decoding samples to the player's stream format, per 10 s of audio, and the memory
// a long file takes when streamed. Prints "key: value" lines.
#include <algorithm>
#include <cstdio>
#include <vector>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "player/filedecoder.h"
#include "player/sampledecoder.h"
#include "tools/audiogen.h"

namespace {

constexpr double kSeconds = 10.0;
constexpr int kRuns = 5;

// The median time of a few whole decodes, in milliseconds; negative when the file fails.
double decodeMs(const QString &path)
{
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        const auto sample = SampleDecoder::decode(path, nullptr);
        times.push_back(timer.nsecsElapsed() / 1e6);
        if (!sample)
            return -1.0;
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

long residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return 0;
}

// The median time to open a file for streaming, in milliseconds: for MIDI the synthesizer and its
// sound font, which a rewind or seek of a streamed MIDI file costs again.
double openMs(const QString &path)
{
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        FileDecoder decoder;
        if (!decoder.open(path, nullptr))
            return -1.0;
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Streams a file through FileDecoder and returns how much the process grew, in MB.
double streamGrowthMb(const QString &path)
{
    FileDecoder decoder;
    if (!decoder.open(path, nullptr))
        return -1.0;
    std::vector<qint16> chunk(4096 * 2);
    const long before = residentKb();
    while (decoder.read(chunk.data(), 4096) > 0) { }
    return (residentKb() - before) / 1024.0;
}

} // namespace

int main()
{
    QTemporaryDir dir;
    const QString wav = dir.filePath(QStringLiteral("ten.wav"));
    const QString wav48 = dir.filePath(QStringLiteral("ten48k.wav"));
    const QString mp3 = dir.filePath(QStringLiteral("ten.mp3"));
    const QString midi = dir.filePath(QStringLiteral("ten.mid"));
    const QString song = dir.filePath(QStringLiteral("song48k.wav"));
    AudioGen::writeWav(wav, AudioGen::tone(kSeconds, 220.0));
    AudioGen::writeWav(wav48, AudioGen::tone(kSeconds, 220.0, 0.5, 48000));
    QProcess::execute(QStringLiteral("lame"), { QStringLiteral("--quiet"), wav, mp3 });
    // 20 beats at 120 BPM: a drum and a bass line, the kind of loop the demo library holds.
    QVector<AudioGen::MidiNote> notes;
    for (int beat = 0; beat < 20; ++beat) {
        notes.append({ 9, beat % 2 ? 38 : 36, 110, double(beat), 0.25 });
        notes.append({ 0, 40 + beat % 5, 100, double(beat), 0.9 });
    }
    AudioGen::writeMidi(midi, 120, 20, notes, 33);
    AudioGen::writeWav(song, AudioGen::tone(300.0, 220.0, 0.5, 48000));

    std::printf("decode_ms_per_10s_wav: %.2f\n", decodeMs(wav));
    std::printf("decode_ms_per_10s_wav48k: %.2f\n", decodeMs(wav48));
    std::printf("decode_ms_per_10s_mp3: %.2f\n", decodeMs(mp3));
    std::printf("decode_ms_per_10s_midi: %.2f\n", decodeMs(midi));
    std::printf("open_ms_midi: %.2f\n", openMs(midi));
    std::printf("stream_rss_growth_mb_5min_48k_wav: %.2f\n", streamGrowthMb(song));
    return 0;
}
