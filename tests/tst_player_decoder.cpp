// Sample files of every kind decoded to the player's stream format: lengths kept through
// resampling, a click heard at the same moment, channels mapped, and broken files named.
#include <cmath>
#include <thread>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "player/filedecoder.h"
#include "player/miditiming.h"
#include "player/sampledecoder.h"
#include "player/stereodownmix.h"
#include "tools/audiogen.h"

namespace {

constexpr double kSeconds = 1.0;
constexpr double kClickAt = 0.25;
constexpr qint64 kClickFrame = 11025; // kClickAt at 44,100 Hz
constexpr double kClickLevel = 0.8;

// A quiet tone with a loud 1 kHz square burst at kClickAt. On stereo the right channel is
// the left one inverted, so a swap of channels shows.
AudioGen::Pcm clickPcm(int rate, int channels)
{
    AudioGen::Pcm pcm = AudioGen::tone(kSeconds, 440.0, 0.1, rate, channels);
    const int start = int(std::lround(kClickAt * rate));
    const int halfPeriod = rate / 2000;
    for (int i = start; i < start + rate / 500; ++i) {
        const double v = ((i - start) / halfPeriod) % 2 ? -kClickLevel : kClickLevel;
        for (int c = 0; c < channels; ++c)
            pcm.samples[i * channels + c] = qint16(std::lround(32767.0 * (channels == 2 && c == 1 ? -v : v)));
    }
    return pcm;
}

// The first frame whose left channel passes half the click's level.
qint64 clickOnset(const std::vector<qint16> &pcm)
{
    for (size_t i = 0; i < pcm.size(); i += 2) {
        if (std::abs(pcm[i]) > 0.5 * kClickLevel * 32768)
            return qint64(i / 2);
    }
    return -1;
}

bool runTool(const QString &program, const QStringList &args)
{
    QProcess tool;
    tool.start(program, args);
    return tool.waitForFinished(30000) && tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Standard MIDI File pieces for the timing table.
QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

QByteArray smfHeader(int format, int tracks, quint16 division)
{
    return QByteArray("MThd\0\0\0\x06", 8) + char(0) + char(format) + char(0) + char(tracks) + char(division >> 8)
        + char(division & 0xff);
}

QByteArray smfTrack(const QByteArray &events)
{
    const quint32 n = quint32(events.size());
    return QByteArray("MTrk", 4) + char(n >> 24) + char(n >> 16) + char(n >> 8) + char(n) + events;
}

QByteArray tempo(quint32 micros)
{
    return bytes({ 0xff, 0x51, 0x03, int(micros >> 16) & 0xff, int(micros >> 8) & 0xff, int(micros) & 0xff });
}

const QByteArray kEndOfTrack = bytes({ 0xff, 0x2f, 0x00 });

} // namespace

class TestPlayerDecoder : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void decodesEachKindToTheStreamFormat_data();
    void decodesEachKindToTheStreamFormat();
    void sixteenBitFilesDecodeBitExact_data();
    void sixteenBitFilesDecodeBitExact();
    void monoPlaysOnBothSides();
    void downmixKeepsSidesAndCannotClip_data();
    void downmixKeepsSidesAndCannotClip();
    void midiLoopKeepsItsBarAndSounds();
    void midiLengthFollowsTheTempoMap_data();
    void midiLengthFollowsTheTempoMap();
    void lengthIsWhatDecodes_data();
    void lengthIsWhatDecodes();
    void fileDecoderStreamsInChunksAndRewinds_data();
    void fileDecoderStreamsInChunksAndRewinds();
    void decodesOnSeveralThreadsAtOnce();

private:
    QString path(const QString &name) const { return dir.filePath(name); }
    QTemporaryDir dir;
};

void TestPlayerDecoder::initTestCase()
{
    QVERIFY(dir.isValid());
    for (const char *tool : { "sox", "lame" })
        QVERIFY2(!QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty(), tool);
    QVERIFY(AudioGen::writeWav(path("wav16.wav"), clickPcm(44100, 2)));
    QVERIFY(AudioGen::writeAiff(path("aiff.aif"), clickPcm(44100, 2)));
    QVERIFY(AudioGen::writeWav(path("mono.wav"), clickPcm(44100, 1)));
    QVERIFY(AudioGen::writeWav(path("rate48k.wav"), clickPcm(48000, 2)));
    QVERIFY(AudioGen::writeWav(path("rate96k.wav"), clickPcm(96000, 2)));
    QVERIFY(AudioGen::writeWav(path("rate22k-mono.wav"), clickPcm(22050, 1)));
    QVERIFY(AudioGen::writeWav(path("six.wav"), clickPcm(44100, 6)));
    const QString wav16 = path("wav16.wav");
    QVERIFY(runTool(QStringLiteral("sox"), { wav16, QStringLiteral("-b"), QStringLiteral("24"), path("wav24.wav") }));
    QVERIFY(runTool(QStringLiteral("sox"), { wav16, QStringLiteral("-e"), QStringLiteral("floating-point"), QStringLiteral("-b"),
                     QStringLiteral("32"), path("float.wav") }));
    QVERIFY(runTool(QStringLiteral("sox"), { QStringLiteral("-D"), wav16, QStringLiteral("-b"), QStringLiteral("8"), path("wav8.wav") }));
    // lame writes the tag that tells a decoder its delay and padding; sox writes none.
    QVERIFY(runTool(QStringLiteral("lame"), { QStringLiteral("--quiet"), wav16, path("full.mp3") }));
    QVERIFY(runTool(QStringLiteral("sox"), { wav16, path("untagged.mp3") }));
    const QByteArray mp3 = readAll(path("full.mp3"));
    QVERIFY(writeBytes(path("cut.mp3"), mp3.left(mp3.size() * 6 / 10)));
    QVERIFY(AudioGen::writeMidi(path("beat.mid"), 120, 4, { { 9, 38, 120, 1.0, 0.25 }, { 0, 60, 100, 0.0, 4.0 } }));

    QVERIFY(writeBytes(path("empty.wav"), QByteArray()));
    QByteArray garbage;
    for (int i = 0; i < 20000; ++i)
        garbage.append(char((i * 7919 + 13) % 251));
    QVERIFY(writeBytes(path("garbage.wav"), garbage));
    QVERIFY(writeBytes(path("garbage.mp3"), garbage));
    QVERIFY(writeBytes(path("garbage.mid"), QByteArray("MThd") + garbage));
    QVERIFY(writeBytes(path("header-only.wav"), readAll(wav16).left(44)));
    AudioGen::Pcm blip;
    blip.sampleRate = 4000000;
    blip.samples.fill(1000, 20 * blip.channels);
    QVERIFY(AudioGen::writeWav(path("blip-4mhz.wav"), blip));
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.wav")));
}

// minFrames..maxFrames: the decoded length; click: where the click must start (-1: no check)
// and how far off it may be; reason: the failure text, empty when the file must decode.
void TestPlayerDecoder::decodesEachKindToTheStreamFormat_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<qint64>("minFrames");
    QTest::addColumn<qint64>("maxFrames");
    QTest::addColumn<qint64>("clickTolerance");
    QTest::addColumn<QString>("reason");

    const qint64 full = 44100;
    QTest::newRow("WAV 16-bit") << "wav16.wav" << full << full << 0LL << "";
    QTest::newRow("WAV 24-bit") << "wav24.wav" << full << full << 0LL << "";
    QTest::newRow("WAV float") << "float.wav" << full << full << 0LL << "";
    QTest::newRow("WAV 8-bit") << "wav8.wav" << full << full << 0LL << "";
    QTest::newRow("AIFF") << "aiff.aif" << full << full << 0LL << "";
    QTest::newRow("mono") << "mono.wav" << full << full << 0LL << "";
    QTest::newRow("6 channels") << "six.wav" << full << full << 0LL << "";
    QTest::newRow("48 kHz") << "rate48k.wav" << full - 1 << full + 1 << 1LL << "";
    QTest::newRow("96 kHz") << "rate96k.wav" << full - 1 << full + 1 << 1LL << "";
    QTest::newRow("22.05 kHz mono") << "rate22k-mono.wav" << full - 1 << full + 1 << 1LL << "";
    QTest::newRow("MP3") << "full.mp3" << full << full << 2LL << "";
    QTest::newRow("cut MP3") << "cut.mp3" << full / 2 << full * 7 / 10 << 2LL << "";
    // Without the tag the encoder's delay (1,105 frames) and padding stay in.
    QTest::newRow("MP3 without delay tag") << "untagged.mp3" << full << full + 2304 << 1105LL + 2 << "";
    QTest::newRow("missing") << "gone.wav" << 0LL << 0LL << -1LL << "file not found";
    QTest::newRow("empty") << "empty.wav" << 0LL << 0LL << -1LL << "file is empty";
    QTest::newRow("garbage") << "garbage.wav" << 0LL << 0LL << -1LL << "not a playable audio file";
    QTest::newRow("garbage named .mp3") << "garbage.mp3" << 0LL << 0LL << -1LL << "not a playable audio file";
    QTest::newRow("garbage after a MIDI tag") << "garbage.mid" << 0LL << 0LL << -1LL << "not a playable audio file";
    QTest::newRow("WAV header, no audio") << "header-only.wav" << 0LL << 0LL << -1LL << "not a playable audio file";
    QTest::newRow("folder") << "folder.wav" << 0LL << 0LL << -1LL << "not a playable audio file";
    // 20 frames at 4 MHz are less than one at the stream's rate (found by the decoder fuzzer).
    QTest::newRow("less than a frame") << "blip-4mhz.wav" << 0LL << 0LL << -1LL << "not a playable audio file";
}

void TestPlayerDecoder::decodesEachKindToTheStreamFormat()
{
    QFETCH(QString, file);
    QFETCH(qint64, minFrames);
    QFETCH(qint64, maxFrames);
    QFETCH(qint64, clickTolerance);
    QFETCH(QString, reason);

    QString why = QStringLiteral("unset");
    const auto sample = SampleDecoder::decode(path(file), &why);
    if (!reason.isEmpty()) {
        QVERIFY(!sample);
        QCOMPARE(why, reason);
        FileDecoder decoder;
        QVERIFY(!decoder.open(path(file), &why));
        QCOMPARE(why, reason);
        return;
    }
    QVERIFY2(sample, qPrintable(why));
    QCOMPARE(sample->file, path(file));
    QCOMPARE(qint64(sample->samples.size()), sample->frames() * 2);
    QVERIFY2(sample->frames() >= minFrames && sample->frames() <= maxFrames,
        qPrintable(QStringLiteral("%1 frames").arg(sample->frames())));
    const qint64 onset = clickOnset(sample->samples);
    QVERIFY2(std::abs(onset - kClickFrame) <= clickTolerance, qPrintable(QStringLiteral("click at %1").arg(onset)));
}

void TestPlayerDecoder::sixteenBitFilesDecodeBitExact_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("tolerance");
    QTest::newRow("WAV 16-bit") << "wav16.wav" << 0;
    QTest::newRow("WAV 24-bit") << "wav24.wav" << 0;
    QTest::newRow("WAV float") << "float.wav" << 0;
    QTest::newRow("AIFF") << "aiff.aif" << 0;
    QTest::newRow("WAV 8-bit") << "wav8.wav" << 256; // one 8-bit step
}

void TestPlayerDecoder::sixteenBitFilesDecodeBitExact()
{
    QFETCH(QString, file);
    QFETCH(int, tolerance);
    const auto sample = SampleDecoder::decode(path(file), nullptr);
    QVERIFY(sample);
    const AudioGen::Pcm source = clickPcm(44100, 2);
    QCOMPARE(qint64(sample->samples.size()), qint64(source.samples.size()));
    int worst = 0;
    for (size_t i = 0; i < sample->samples.size(); ++i)
        worst = std::max(worst, std::abs(sample->samples[i] - source.samples[qsizetype(i)]));
    QVERIFY2(worst <= tolerance, qPrintable(QStringLiteral("off by %1").arg(worst)));
}

void TestPlayerDecoder::monoPlaysOnBothSides()
{
    const auto sample = SampleDecoder::decode(path("mono.wav"), nullptr);
    QVERIFY(sample);
    const AudioGen::Pcm source = clickPcm(44100, 1);
    for (qint64 f = 0; f < sample->frames(); ++f) {
        QCOMPARE(sample->samples[size_t(2 * f)], source.samples[f]);
        QCOMPARE(sample->samples[size_t(2 * f + 1)], source.samples[f]);
    }
}

void TestPlayerDecoder::downmixKeepsSidesAndCannotClip_data()
{
    using Side = StereoDownmix::Side;
    QTest::addColumn<std::vector<Side>>("sides");
    QTest::addColumn<std::vector<float>>("frame");
    QTest::addColumn<float>("left");
    QTest::addColumn<float>("right");
    QTest::newRow("mono") << std::vector { Side::Both } << std::vector { 0.5f } << 0.5f << 0.5f;
    QTest::newRow("stereo") << std::vector { Side::Left, Side::Right } << std::vector { 0.5f, -0.25f } << 0.5f << -0.25f;
    // Front and back left at full scale, centre too: the left side stays at full scale.
    QTest::newRow("5.1 all loud") << StereoDownmix::defaultSides(6) << std::vector { 1.0f, 1.0f, 1.0f, 1.0f, 1.0f, 1.0f }
                                  << 1.0f << 1.0f;
    QTest::newRow("5.1 front left only") << StereoDownmix::defaultSides(6)
                                         << std::vector { 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f } << 1.0f / 3 << 0.0f;
    QTest::newRow("5.1 centre only") << StereoDownmix::defaultSides(6)
                                     << std::vector { 0.0f, 0.0f, 0.9f, 0.0f, 0.0f, 0.0f } << 0.9f / 6 << 0.9f / 6;
    QTest::newRow("two right channels") << std::vector { Side::Right, Side::Right } << std::vector { 0.2f, 0.4f }
                                        << 0.3f << 0.3f;
}

void TestPlayerDecoder::downmixKeepsSidesAndCannotClip()
{
    QFETCH(std::vector<StereoDownmix::Side>, sides);
    QFETCH(std::vector<float>, frame);
    QFETCH(float, left);
    QFETCH(float, right);
    float stereo[2] = {};
    StereoDownmix(sides).apply(frame.data(), stereo, 1);
    QVERIFY2(std::abs(stereo[0] - left) < 1e-6f, qPrintable(QString::number(stereo[0])));
    QVERIFY2(std::abs(stereo[1] - right) < 1e-6f, qPrintable(QString::number(stereo[1])));
}

void TestPlayerDecoder::midiLoopKeepsItsBarAndSounds()
{
    // 4 beats at 120 BPM: exactly 2 s, although the held note rings on past the end. The
    // snare on beat 2 sounds at 0.5 s.
    const auto sample = SampleDecoder::decode(path("beat.mid"), nullptr);
    QVERIFY(sample);
    QCOMPARE(sample->frames(), qint64(2 * 44100));
    int peak = 0;
    for (qint16 s : sample->samples)
        peak = std::max(peak, std::abs(int(s)));
    QVERIFY2(peak > 300, qPrintable(QStringLiteral("peak %1").arg(peak)));
    // The cut at the end is faded: the last frame is silent, not a jump.
    QVERIFY(std::abs(sample->samples.back()) < 64);
}

void TestPlayerDecoder::midiLengthFollowsTheTempoMap_data()
{
    QTest::addColumn<QByteArray>("smf");
    QTest::addColumn<double>("seconds");
    const QByteArray noteOn = bytes({ 0x90, 0x3c, 0x64 });
    const QByteArray now(1, 0);
    const QByteArray oneBeat(1, 96); // a delta time of 96 ticks
    // One beat at the default 120 BPM, 96 ticks per beat.
    QTest::newRow("default tempo") << smfHeader(0, 1, 96)
            + smfTrack(now + noteOn + oneBeat + bytes({ 0x80, 0x3c, 0x00 }) + now + kEndOfTrack)
                                   << 0.5;
    // 60 BPM for one beat, then 240 BPM for two (192 ticks, written 0x81 0x40): 1 s + 0.5 s.
    QTest::newRow("tempo change") << smfHeader(0, 1, 96)
            + smfTrack(now + tempo(1000000) + oneBeat + tempo(250000) + bytes({ 0x81, 0x40 }) + kEndOfTrack)
                                  << 1.5;
    // Format 1: the tempo track ends at once, the note track after two beats at 60 BPM, with
    // running status (note-ons without their status byte) inside.
    QTest::newRow("latest track wins") << smfHeader(1, 2, 96) + smfTrack(now + tempo(1000000) + now + kEndOfTrack)
            + smfTrack(now + noteOn + oneBeat + bytes({ 0x3c, 0x00 }) + oneBeat + bytes({ 0x3e, 0x00 }) + now
                + kEndOfTrack)
                                       << 2.0;
    // 25 frames per second, 40 ticks per frame: 1000 ticks a second.
    QTest::newRow("SMPTE time") << smfHeader(0, 1, quint16((quint8(-25) << 8) | 40))
            + smfTrack(QByteArray("\x87\x68", 2) + kEndOfTrack)
                                << 1.0;
    // A rest after the last note is part of the loop (six beats: 576 ticks, written 0x84 0x40)...
    QTest::newRow("rest at the end") << smfHeader(0, 1, 96)
            + smfTrack(now + noteOn + oneBeat + bytes({ 0x80, 0x3c, 0x00 }) + bytes({ 0x84, 0x40 }) + kEndOfTrack)
                                     << 3.5;
    // ... but an end of track days after it is not: the song ends once its last note has died
    // away (the longest delta time, 0x0fffffff ticks, would be 16 days).
    QTest::newRow("bogus last delta") << smfHeader(0, 1, 96)
            + smfTrack(now + noteOn + oneBeat + bytes({ 0x80, 0x3c, 0x00 }) + bytes({ 0xff, 0xff, 0xff, 0x7f }) + kEndOfTrack)
                                      << 0.5 + MidiTiming::kReleaseSeconds;
    QTest::newRow("not MIDI") << QByteArray("RIFF....WAVE") << -1.0;
}

void TestPlayerDecoder::midiLengthFollowsTheTempoMap()
{
    QFETCH(QByteArray, smf);
    QFETCH(double, seconds);
    const std::optional<double> length = MidiTiming::lengthSeconds(smf);
    if (seconds < 0) {
        QVERIFY(!length);
        return;
    }
    QVERIFY(length);
    QCOMPARE(*length, seconds);
}

// A file's header may announce more than it holds: an MP3 cut short keeps the whole song's
// length in its Info/Xing tag. A sample is as long as what decodes, so that a row, its slider and
// the export do not play silence for the rest.
void TestPlayerDecoder::lengthIsWhatDecodes_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("keptBytes"); // what is left of the file; 0: all of it
    QTest::addColumn<double>("minSeconds"); // of what decodes, to show the cut was real
    QTest::newRow("60 s CBR MP3 cut to 300 kB") << "song-cbr.mp3" << 300000 << 15.0;
    QTest::newRow("60 s VBR MP3 cut to 200 kB") << "song-vbr.mp3" << 200000 << 20.0;
    QTest::newRow("60 s MP3 whole") << "song-cbr.mp3" << 0 << 59.9;
    QTest::newRow("WAV cut in its data") << "wav16.wav" << 30000 << 0.1;
}

void TestPlayerDecoder::lengthIsWhatDecodes()
{
    QFETCH(QString, file);
    QFETCH(int, keptBytes);
    QFETCH(double, minSeconds);
    const QString song = path("song.wav");
    if (!QFileInfo::exists(path("song-vbr.mp3"))) {
        QVERIFY(AudioGen::writeWav(song, AudioGen::tone(60.0, 440.0)));
        QVERIFY(runTool(QStringLiteral("lame"), { QStringLiteral("--quiet"), QStringLiteral("-b"), QStringLiteral("128"), song, path("song-cbr.mp3") }));
        QVERIFY(runTool(QStringLiteral("lame"), { QStringLiteral("--quiet"), QStringLiteral("-V"), QStringLiteral("2"), song, path("song-vbr.mp3") }));
    }
    const QString cut = path("cut-") + file;
    QVERIFY(writeBytes(cut, keptBytes ? readAll(path(file)).left(keptBytes) : readAll(path(file))));

    FileDecoder decoder;
    QVERIFY(decoder.open(cut, nullptr));
    const qint64 announced = decoder.totalFrames();
    std::vector<qint16> chunk(16384 * 2);
    qint64 decoded = 0;
    for (qint64 got; (got = decoder.read(chunk.data(), 16384)) > 0;)
        decoded += got;
    QVERIFY2(decoded >= minSeconds * PcmFormat::kRate, qPrintable(QString::number(decoded)));
    QCOMPARE(announced, decoded);

    const std::shared_ptr<DecodedSample> sample = SampleDecoder::load(cut, nullptr);
    QVERIFY(sample);
    QCOMPARE(sample->frames(), decoded);
}

void TestPlayerDecoder::fileDecoderStreamsInChunksAndRewinds_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("exactAfterSeek"); // else: the click lands where it should
    QTest::newRow("44.1 kHz") << "wav16.wav" << true;
    QTest::newRow("48 kHz") << "rate48k.wav" << false;
    QTest::newRow("MP3") << "full.mp3" << false;
    QTest::newRow("MIDI") << "beat.mid" << true;
}

namespace {

// Reads to the end in chunks of changing odd sizes.
std::vector<qint16> readToEnd(FileDecoder &decoder)
{
    std::vector<qint16> pcm;
    std::vector<qint16> chunk(2000 * 2);
    for (qint64 size = 1;; size = size * 3 % 1999 + 1) {
        const qint64 got = decoder.read(chunk.data(), size);
        if (got == 0)
            return pcm;
        pcm.insert(pcm.end(), chunk.begin(), chunk.begin() + got * 2);
    }
}

} // namespace

// Odd chunk sizes give the same frames as a whole decode, a rewind gives them again, and a
// seek goes on from the frame asked for.
void TestPlayerDecoder::fileDecoderStreamsInChunksAndRewinds()
{
    QFETCH(QString, file);
    QFETCH(bool, exactAfterSeek);
    const auto whole = SampleDecoder::decode(path(file), nullptr);
    QVERIFY(whole);
    FileDecoder decoder;
    QString why;
    QVERIFY2(decoder.open(path(file), &why), qPrintable(why));
    QVERIFY(std::abs(decoder.totalFrames() - whole->frames()) <= 1);
    QVERIFY(readToEnd(decoder) == whole->samples);
    QCOMPARE(decoder.position(), whole->frames());
    QVERIFY(decoder.rewind());
    QVERIFY(readToEnd(decoder) == whole->samples);

    const qint64 from = 5000;
    QVERIFY(decoder.seek(from));
    QCOMPARE(decoder.position(), from);
    const std::vector<qint16> rest = readToEnd(decoder);
    QVERIFY(std::abs(qint64(rest.size() / 2) - (whole->frames() - from)) <= 1);
    if (exactAfterSeek)
        QVERIFY(std::equal(rest.begin(), rest.end(), whole->samples.begin() + from * 2));
    else
        QVERIFY2(std::abs(clickOnset(rest) - (kClickFrame - from)) <= 1,
            qPrintable(QStringLiteral("click at %1").arg(clickOnset(rest))));
    QVERIFY(!decoder.seek(whole->frames() + 100));
}

void TestPlayerDecoder::decodesOnSeveralThreadsAtOnce()
{
    const QStringList files { path("beat.mid"), path("full.mp3"), path("rate96k.wav"), path("beat.mid") };
    std::vector<std::shared_ptr<const DecodedSample>> alone;
    for (const QString &file : files)
        alone.push_back(SampleDecoder::decode(file, nullptr));
    std::vector<std::shared_ptr<const DecodedSample>> together(files.size());
    std::vector<std::thread> threads;
    for (qsizetype i = 0; i < files.size(); ++i)
        threads.emplace_back([&, i] { together[size_t(i)] = SampleDecoder::decode(files[i], nullptr); });
    for (std::thread &t : threads)
        t.join();
    for (size_t i = 0; i < alone.size(); ++i) {
        QVERIFY(alone[i] && together[i]);
        QVERIFY2(alone[i]->samples == together[i]->samples, qPrintable(files[qsizetype(i)]));
    }
}


QTEST_GUILESS_MAIN(TestPlayerDecoder)
#include "tst_player_decoder.moc"
