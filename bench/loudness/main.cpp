// Loudness of the deck's rows and of its master, all offline (the mixer pulled as fast as it
// goes): how even 20 loops of very different levels come out, how high three full-scale loops
// reach together, and what measuring a minute of audio costs. Prints "key: value" lines.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>
#include <random>
#include <vector>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "engine/deckmixer.h"
#include "player/decodedsample.h"
#include "player/loudnessmeter.h"
#include "player/loudnessscanner.h"
#include "player/pcmformat.h"
#include "player/pcmstream.h"
#include "player/sampledecoder.h"
#include "tools/audiogen.h"

namespace {

// A two-second stereo loop at peakDb dBFS: sine bursts at `pitch` (odd numbers) or noise (even).
AudioGen::Pcm loop(int kind, double peakDb, double seconds = 2.0)
{
    std::mt19937 random(unsigned(kind + 1));
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    const double pitch = 110.0 * (1 + kind % 5);
    std::vector<double> wave;
    for (qint64 i = 0; i < qint64(seconds * PcmFormat::kRate); ++i) {
        const double t = double(i) / PcmFormat::kRate;
        wave.push_back(kind % 2 ? (std::fmod(t, 0.5) < 0.3 ? std::sin(2 * M_PI * pitch * t) : 0.0) : noise(random));
    }
    double peak = 0.0;
    for (double v : wave)
        peak = std::max(peak, std::abs(v));
    AudioGen::Pcm pcm;
    const double scale = std::pow(10.0, peakDb / 20.0) / peak;
    for (double v : wave) {
        const auto s = qint16(std::lround(std::clamp(v * scale, -1.0, 1.0) * 32767.0));
        pcm.samples << s << s;
    }
    return pcm;
}

std::shared_ptr<const DecodedSample> decoded(const QTemporaryDir &dir, int kind, double peakDb)
{
    const QString path = dir.filePath(QStringLiteral("loop %1.wav").arg(kind));
    if (!AudioGen::writeWav(path, loop(kind, peakDb)))
        return nullptr;
    std::shared_ptr<DecodedSample> sample = SampleDecoder::load(path, nullptr);
    if (sample)
        sample->loudness = LoudnessScanner().loudnessOf(*sample);
    return sample;
}

class Meter : public DeckMixer::VoiceTap {
public:
    void voiceFrames(const PcmStream *, const float *frames, qint64 count) override { meter.add(frames, count); }
    LoudnessMeter meter;
};

double spreadLu(const QTemporaryDir &dir)
{
    constexpr int kLoops = 20;
    double lowest = 1e9, highest = -1e9;
    for (int i = 0; i < kLoops; ++i) {
        const auto sample = decoded(dir, i, -30.0 + 30.0 * i / (kLoops - 1));
        if (!sample)
            return -1.0;
        DeckMixer mixer;
        mixer.setEvenLoudness(true);
        Meter meter;
        mixer.setVoiceTap(&meter);
        PcmStream voice;
        voice.setRepeat(true);
        voice.jump(sample, 1);
        mixer.addVoice(&voice);
        std::vector<float> out(size_t(4 * PcmFormat::kRate * PcmFormat::kChannels));
        mixer.mix(out.data(), 4 * PcmFormat::kRate);
        const double lufs = meter.meter.result().lufs;
        lowest = std::min(lowest, lufs);
        highest = std::max(highest, lufs);
    }
    return highest - lowest;
}

// Three full-scale loops for a minute, at their own level (off) and brought to the target (on).
double masterPeakDbfs(const QTemporaryDir &dir, bool even)
{
    DeckMixer mixer;
    mixer.setEvenLoudness(even);
    PcmStream voices[3];
    std::shared_ptr<const DecodedSample> samples[3];
    for (int i = 0; i < 3; ++i) {
        samples[i] = decoded(dir, 100 + i, 0.0);
        voices[i].setRepeat(true);
        voices[i].jump(samples[i], quint64(i + 1));
        mixer.addVoice(&voices[i]);
    }
    float peak = 0.0f;
    std::vector<float> out(size_t(PcmFormat::kRate * PcmFormat::kChannels));
    for (int second = 0; second < 60; ++second) {
        mixer.mix(out.data(), PcmFormat::kRate);
        for (float v : out)
            peak = std::max(peak, std::abs(v));
    }
    return 20.0 * std::log10(peak);
}

// A quiet minute of drum-like hits: raised towards the target far enough that its true peak may
// stop it, so the true peak is looked for (around the hits).
AudioGen::Pcm quietHits()
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    AudioGen::Pcm pcm;
    for (qint64 i = 0; i < 60 * PcmFormat::kRate; ++i) {
        const double t = double(i) / PcmFormat::kRate;
        const double v = 0.05 * std::exp(-std::fmod(t, 0.25) * 30.0) * noise(random);
        const auto s = qint16(std::lround(v * 32767.0));
        pcm.samples << s << s;
    }
    return pcm;
}

// What the decoding worker pays to measure a minute it has not seen (no cache), in ms: on the
// worker's own clock (the thread's CPU time, which other programs on a busy machine do not
// stretch) and on the wall clock. Median of five.
struct ScanCost {
    double cpuMs = 0.0;
    double wallMs = 0.0;
};

double threadMs()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

template<typename Measure>
ScanCost scanCost(const AudioGen::Pcm &minute, Measure measure)
{
    DecodedSample sample;
    sample.samples.assign(minute.samples.cbegin(), minute.samples.cend());
    std::vector<double> cpu, wall;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer timer;
        timer.start();
        const double started = threadMs();
        measure(sample);
        cpu.push_back(threadMs() - started);
        wall.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(cpu.begin(), cpu.end());
    std::sort(wall.begin(), wall.end());
    return { cpu[cpu.size() / 2], wall[wall.size() / 2] };
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    std::printf("loudness_spread_lu: %.2f\n", spreadLu(dir));
    std::printf("master_peak_dbfs: %.2f\n", masterPeakDbfs(dir, false));
    std::printf("master_peak_dbfs_even: %.2f\n", masterPeakDbfs(dir, true));
    const auto scan = [](const DecodedSample &sample) { LoudnessScanner().loudnessOf(sample); };
    const ScanCost noise = scanCost(loop(0, -6.0, 60.0), scan);
    std::printf("loudness_scan_ms_per_min: %.1f\n", noise.cpuMs);
    std::printf("loudness_scan_wall_ms_per_min: %.1f\n", noise.wallMs);
    std::printf("loudness_scan_quiet_hits_ms_per_min: %.1f\n", scanCost(quietHits(), scan).cpuMs);
    // The whole minute through the library's meter, true peak and all: what the scan replaced.
    const ScanCost full = scanCost(loop(0, -6.0, 60.0), [](const DecodedSample &sample) {
        LoudnessMeter::measure(sample.samples.data(), sample.heldFrames());
    });
    std::printf("loudness_full_measure_ms_per_min: %.1f\n", full.cpuMs);
    return 0;
}
