// Loudness of the deck's rows and of its master, all offline (the mixer pulled as fast as it
// goes): how even 20 loops of very different levels come out, how high three full-scale loops
// reach together, and what measuring a minute of audio costs. Prints "key: value" lines.
#include <algorithm>
#include <cmath>
#include <cstdio>
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

double scanMsPerMinute()
{
    const AudioGen::Pcm minute = loop(0, -6.0, 60.0);
    std::vector<double> times;
    for (int run = 0; run < 5; ++run) {
        QElapsedTimer timer;
        timer.start();
        LoudnessMeter::measure(minute.samples.constData(), qint64(minute.samples.size()) / PcmFormat::kChannels);
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    std::printf("loudness_spread_lu: %.2f\n", spreadLu(dir));
    std::printf("master_peak_dbfs: %.2f\n", masterPeakDbfs(dir, false));
    std::printf("master_peak_dbfs_even: %.2f\n", masterPeakDbfs(dir, true));
    std::printf("loudness_scan_ms_per_min: %.1f\n", scanMsPerMinute());
    return 0;
}
