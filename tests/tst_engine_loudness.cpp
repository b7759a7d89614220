// Every row at one loudness and a master that never clips: loops at very different levels, read
// from real files, come out of the mixer at the target; a quiet loop with a loud peak is not raised
// past the ceiling; the option off leaves every frame as it is; loud rows together do not clip;
// each voice's own frames add up to the mix; a gain changes at a sample's first frame, and with a
// ramp when the option is switched; the decoding worker's quick measure gives the gain the full
// one does; the cache measures a file once.
#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "tools/audiogen.h"
#include "engine/deckmixer.h"
#include "player/decodedsample.h"
#include "player/loudnessmeter.h"
#include "player/loudnessscanner.h"
#include "player/pcmformat.h"
#include "player/pcmstream.h"
#include "player/sampleloudness.h"
#include "player/sampledecoder.h"

namespace {

using Sample = std::shared_ptr<const DecodedSample>;

enum class Shape { SineBursts, Noise, Click };

// Two seconds of a stereo loop whose highest sample sits at peakDb dBFS: bursts of a sine (half a
// beat on, half off), white noise, or a quiet sine under one loud click.
AudioGen::Pcm loop(Shape shape, double peakDb, double seconds = 2.0, unsigned seed = 1)
{
    AudioGen::Pcm pcm;
    const auto frames = qint64(seconds * PcmFormat::kRate);
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> noise(-1.0, 1.0);
    std::vector<double> wave;
    for (qint64 i = 0; i < frames; ++i) {
        const double t = double(i) / PcmFormat::kRate;
        switch (shape) {
        case Shape::SineBursts:
            wave.push_back(std::fmod(t, 0.5) < 0.25 ? std::sin(2 * M_PI * 330.0 * t) : 0.0);
            break;
        case Shape::Noise:
            wave.push_back(noise(random));
            break;
        case Shape::Click:
            wave.push_back(i == frames / 2 ? 1.0 : 0.01 * std::sin(2 * M_PI * 440.0 * t));
            break;
        }
    }
    const double peak = *std::max_element(wave.begin(), wave.end(), [](double a, double b) { return std::abs(a) < std::abs(b); });
    const double scale = std::pow(10.0, peakDb / 20.0) / std::abs(peak);
    for (double v : wave) {
        const auto s = qint16(std::lround(std::clamp(v * scale, -1.0, 1.0) * 32767.0));
        pcm.samples.append(s);
        pcm.samples.append(s);
    }
    return pcm;
}

// The sample as a row gets it: decoded from a file and measured on the way.
Sample decoded(const QTemporaryDir &dir, const QString &name, const AudioGen::Pcm &pcm)
{
    const QString path = dir.filePath(name + QStringLiteral(".wav"));
    if (!AudioGen::writeWav(path, pcm))
        return nullptr;
    std::shared_ptr<DecodedSample> sample = SampleDecoder::load(path, nullptr);
    if (sample)
        sample->loudness = LoudnessScanner().loudnessOf(*sample);
    return sample;
}

// Keeps every frame each voice gives the mix.
class Recorder : public DeckMixer::VoiceTap {
public:
    void voiceFrames(const PcmStream *voice, const float *frames, qint64 count) override
    {
        std::vector<float> &kept = voices[voice];
        kept.insert(kept.end(), frames, frames + count * PcmFormat::kChannels);
    }
    std::map<const PcmStream *, std::vector<float>> voices;
};

std::vector<float> mixFor(DeckMixer &mixer, double seconds)
{
    std::vector<float> out(size_t(qint64(seconds * PcmFormat::kRate) * PcmFormat::kChannels));
    mixer.mix(out.data(), qint64(out.size()) / PcmFormat::kChannels);
    return out;
}

// One voice playing `sample` alone for `seconds`: its frames as the mixer took them (after its gain).
std::vector<float> voiceHeard(const Sample &sample, bool even, double seconds)
{
    DeckMixer mixer;
    mixer.setEvenLoudness(even);
    Recorder recorder;
    mixer.setVoiceTap(&recorder);
    PcmStream voice;
    voice.jump(sample, 1);
    mixer.addVoice(&voice);
    mixFor(mixer, seconds);
    return recorder.voices[&voice];
}

Loudness measured(const std::vector<float> &frames)
{
    LoudnessMeter meter;
    meter.add(frames.data(), qint64(frames.size()) / PcmFormat::kChannels);
    return meter.result();
}

float peakOf(const std::vector<float> &frames)
{
    float peak = 0.0f;
    for (float v : frames)
        peak = std::max(peak, std::abs(v));
    return peak;
}

// A sample of one constant value whose loudness is given, to follow the gain frame by frame.
Sample constant(qint16 value, qint64 frames, double lufs)
{
    auto sample = std::make_shared<DecodedSample>();
    sample->samples.assign(size_t(frames * PcmFormat::kChannels), value);
    sample->loudness = { lufs, -20.0 };
    return sample;
}

} // namespace

class TestEngineLoudness : public QObject {
    Q_OBJECT

private slots:
    void loopsComeOutAtTheTarget_data()
    {
        QTest::addColumn<int>("shape");
        QTest::addColumn<double>("peakDb");
        QTest::addColumn<double>("seconds");
        for (double peak : { -30.0, -20.0, -10.0, 0.0 })
            QTest::addRow("sine bursts %g dBFS", peak) << int(Shape::SineBursts) << peak << 2.0;
        for (double peak : { -30.0, -15.0, 0.0 })
            QTest::addRow("noise %g dBFS", peak) << int(Shape::Noise) << peak << 2.0;
        // Shorter than the integrated measure's 400 ms block: measured over its own length.
        QTest::newRow("one-shot of 0.2 s at -24 dBFS") << int(Shape::Noise) << -24.0 << 0.2;
    }

    void loopsComeOutAtTheTarget()
    {
        QFETCH(int, shape);
        QFETCH(double, peakDb);
        QFETCH(double, seconds);
        QTemporaryDir dir;
        const Sample sample = decoded(dir, QStringLiteral("loop"), loop(Shape(shape), peakDb, seconds));
        QVERIFY(sample && sample->loudness.known());

        for (bool even : { true, false }) {
            const std::vector<float> heard = voiceHeard(sample, even, double(sample->frames()) / PcmFormat::kRate);
            const Loudness out = measured(heard);
            if (even) {
                QVERIFY2(std::abs(out.lufs - Loudness::kTargetLufs) <= 1.0, qPrintable(QString::number(out.lufs)));
                QVERIFY(out.truePeakDb <= Loudness::kCeilingDbtp + 0.1);
            } else {
                // Off: every frame exactly as the file has it.
                for (size_t i = 0; i < heard.size(); i += 997)
                    QCOMPARE(heard[i], float(sample->samples[i]) / 32768.0f);
            }
        }
    }

    void quietLoopIsNotRaisedPastTheCeiling()
    {
        QTemporaryDir dir;
        const Sample sample = decoded(dir, QStringLiteral("quiet with a click"), loop(Shape::Click, -3.0));
        QVERIFY(sample && sample->loudness.lufs < Loudness::kTargetLufs - 20);
        const Loudness out = measured(voiceHeard(sample, true, 2.0));
        QVERIFY2(out.truePeakDb <= Loudness::kCeilingDbtp + 0.1, qPrintable(QString::number(out.truePeakDb)));
        QVERIFY(out.truePeakDb > Loudness::kCeilingDbtp - 0.5); // raised as far as it may go
        QVERIFY(out.lufs < Loudness::kTargetLufs - 10);
    }

    // The decoding worker's quick measure against the library's whole one. Its peak is a bound
    // above the true peak unless the true peak limits the gain, so the gain comes out the same.
    void scanAgreesWithTheFullMeasure_data()
    {
        QTest::addColumn<int>("shape");
        QTest::addColumn<double>("peakDb");
        QTest::addColumn<double>("seconds");
        QTest::addColumn<bool>("limited");
        QTest::newRow("noise, lowered") << int(Shape::Noise) << 0.0 << 2.0 << false;
        QTest::newRow("noise, raised, a part of a block over") << int(Shape::Noise) << -30.0 << 2.03 << false;
        QTest::newRow("sine bursts, lowered") << int(Shape::SineBursts) << -6.0 << 2.0 << false;
        QTest::newRow("sine bursts, raised") << int(Shape::SineBursts) << -30.0 << 2.0 << false;
        QTest::newRow("a click over a quiet sine") << int(Shape::Click) << -3.0 << 2.0 << true;
        QTest::newRow("a one-shot of 0.2 s with a click") << int(Shape::Click) << -3.0 << 0.2 << true;
    }

    void scanAgreesWithTheFullMeasure()
    {
        QFETCH(int, shape);
        QFETCH(double, peakDb);
        QFETCH(double, seconds);
        QFETCH(bool, limited);
        const AudioGen::Pcm pcm = loop(Shape(shape), peakDb, seconds);
        const qint64 frames = qint64(pcm.samples.size()) / PcmFormat::kChannels;
        const Loudness scan = SampleLoudness::measure(pcm.samples.constData(), frames);
        const Loudness full = LoudnessMeter::measure(pcm.samples.constData(), frames);
        const QString both = QStringLiteral("scan %1 LUFS %2 dBTP, full %3 LUFS %4 dBTP")
                                 .arg(scan.lufs).arg(scan.truePeakDb).arg(full.lufs).arg(full.truePeakDb);
        QVERIFY2(std::abs(scan.lufs - full.lufs) <= 0.1, qPrintable(both));
        QVERIFY2(std::abs(scan.gainDb() - full.gainDb()) <= 0.1, qPrintable(both));
        QCOMPARE(full.limitedByPeak(), limited);
        QCOMPARE(scan.limitedByPeak(), limited);
        if (limited)
            QVERIFY2(std::abs(scan.truePeakDb - full.truePeakDb) <= 0.1, qPrintable(both));
        else
            QVERIFY2(scan.truePeakDb >= full.truePeakDb, qPrintable(both));
    }

    // Full-scale loops, their levels as they are (the worst case), and each voice's own frames
    // against the mix while the limiter has nothing to do.
    void loudRowsDoNotClipAndVoicesAddUpToTheMix()
    {
        QTemporaryDir dir;
        std::vector<Sample> loud;
        for (unsigned seed : { 1u, 2u, 3u })
            loud.push_back(decoded(dir, QStringLiteral("loud %1").arg(seed), loop(Shape::Noise, 0.0, 2.0, seed)));
        DeckMixer mixer;
        mixer.setEvenLoudness(false);
        PcmStream voices[3];
        for (int i = 0; i < 3; ++i) {
            QVERIFY(loud[size_t(i)]);
            voices[i].setRepeat(true);
            voices[i].jump(loud[size_t(i)], quint64(i + 1));
            mixer.addVoice(&voices[i]);
        }
        const std::vector<float> clipped = mixFor(mixer, 5.0);
        QVERIFY2(peakOf(clipped) <= MasterLimiter::kCeiling, qPrintable(QString::number(peakOf(clipped))));

        // Three loops brought to the target: their sum stays below the ceiling.
        DeckMixer even;
        even.setEvenLoudness(true);
        Recorder recorder;
        even.setVoiceTap(&recorder);
        PcmStream evenVoices[3];
        const double levels[] = { -30.0, -12.0, 0.0 };
        for (int i = 0; i < 3; ++i) {
            const Sample sample = decoded(dir, QStringLiteral("level %1").arg(i), loop(Shape::Noise, levels[i], 1.5, unsigned(10 + i)));
            QVERIFY(sample);
            evenVoices[i].setRepeat(true);
            evenVoices[i].jump(sample, quint64(i + 1));
            even.addVoice(&evenVoices[i]);
        }
        const std::vector<float> mix = mixFor(even, 3.0);
        double error = 0.0, energy = 0.0;
        for (size_t i = 0; i < mix.size(); ++i) {
            float sum = 0.0f;
            for (const PcmStream &voice : evenVoices)
                sum += recorder.voices[&voice][i];
            error += double(sum - mix[i]) * double(sum - mix[i]);
            energy += double(mix[i]) * double(mix[i]);
        }
        QVERIFY(energy > 0.0);
        QVERIFY2(10 * std::log10(std::max(error, 1e-30) / energy) <= -60.0, qPrintable(QString::number(error / energy)));
    }

    void gainStartsAtTheFirstFrameAndRampsWhenSwitched()
    {
        DeckMixer mixer;
        mixer.setEvenLoudness(true);
        Recorder recorder;
        mixer.setVoiceTap(&recorder);
        PcmStream voice;
        // -22 LUFS: 6 dB up; -10 LUFS: 6 dB down.
        voice.jump(constant(1000, 1000, -22.0), 1);
        voice.queue(constant(1000, 100000, -10.0), 2);
        mixer.addVoice(&voice);
        mixFor(mixer, 2000.0 / PcmFormat::kRate);
        const std::vector<float> &heard = recorder.voices[&voice];
        const float unit = 1000.0f / 32768.0f;
        QCOMPARE(heard[0] / unit, std::pow(10.0f, 6.0f / 20.0f));
        QCOMPARE(heard[999 * 2] / unit, std::pow(10.0f, 6.0f / 20.0f));
        QCOMPARE(heard[1000 * 2] / unit, std::pow(10.0f, -6.0f / 20.0f)); // the next sample's first frame

        // Switched off during play: from -6 dB to 0 dB in a ramp, not at once.
        mixer.setEvenLoudness(false);
        const qint64 ramp = PcmStream::kGainRampFrames;
        mixFor(mixer, double(ramp + 100) / PcmFormat::kRate);
        const float *after = heard.data() + 2000 * 2;
        QVERIFY(after[0] / unit < 0.51f);
        QVERIFY(std::abs(after[(ramp / 2) * 2] / unit - 0.75f) < 0.01f);
        QCOMPARE(after[(ramp + 50) * 2] / unit, 1.0f);
    }

    void cacheMeasuresEachFileOnce()
    {
        QTemporaryDir dir;
        const QString cacheFile = dir.filePath(QStringLiteral("cache/loudness-cache.json"));
        const QString path = dir.filePath(QStringLiteral("loop.wav"));
        QVERIFY(AudioGen::writeWav(path, loop(Shape::Noise, -20.0)));
        const QDateTime written = QFileInfo(path).lastModified();
        std::shared_ptr<DecodedSample> sample = SampleDecoder::load(path, nullptr);
        QVERIFY(sample);
        double first = 0.0;
        {
            LoudnessScanner scanner(cacheFile);
            first = scanner.loudnessOf(*sample).lufs;
        }
        QVERIFY(QFileInfo::exists(cacheFile));

        // Louder content of the same size and time: the cache answers, nothing is measured again.
        QVERIFY(AudioGen::writeWav(path, loop(Shape::Noise, -2.0)));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(written, QFileDevice::FileModificationTime));
        file.close();
        std::shared_ptr<DecodedSample> louder = SampleDecoder::load(path, nullptr);
        QVERIFY(louder);
        LoudnessScanner again(cacheFile);
        QCOMPARE(again.loudnessOf(*louder).lufs, first);

        // Another time: measured again.
        QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(written.addSecs(5), QFileDevice::FileModificationTime));
        file.close();
        QVERIFY(again.loudnessOf(*louder).lufs > first + 15.0);
    }
};

QTEST_GUILESS_MAIN(TestEngineLoudness)
#include "tst_engine_loudness.moc"
