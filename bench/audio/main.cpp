// What a listener hears from the real Player: records the null sink's monitor while rows
// play generated samples and measures how much of each sample came out, the silence where
// one sample gives way to the next or loops, and the CPU the rows cost.
// Prints "key: value" lines; needs the audio server bench/run starts (PULSE_SERVER).
#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include <sys/resource.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QSlider>
#include <QTest>

#include "library/paths.h"
#include "library/sampletypes.h"
#include "library/sampora.h"
#include "player/player.h"
#include "tools/audiogen.h"

namespace {

constexpr int kRate = 44100;
constexpr int kSilenceLevel = 328; // 1 % of full scale
constexpr int kClickLevel = 19660; // 60 %: only the end click is this loud
constexpr int kMinSilenceFrames = 5; // shorter quiet runs are zero crossings

double framesToMs(qint64 frames)
{
    return frames * 1000.0 / kRate;
}

// A program directory with one folder of samples for the given type.
class Scene {
public:
    Scene(const QString &root, const QString &name)
        : m_dir(root + QLatin1Char('/') + name)
    {
        QDir(m_dir).removeRecursively();
        QDir().mkpath(m_dir + QStringLiteral("/samples"));
        Paths::setProgramDir(m_dir);
    }

    QString add(const QString &name, const AudioGen::Pcm &pcm) const
    {
        const QString path = m_dir + QStringLiteral("/samples/") + name;
        AudioGen::writeWav(path, pcm);
        return path;
    }

    void registerFolder(const char *typeFlags) const
    {
        QFile config(Paths::configPath());
        if (config.open(QIODevice::WriteOnly | QIODevice::Append))
            config.write(QByteArray("<sampora><imported_folder path=\"samples\" ") + typeFlags
                + " hipHop=\"1\" techno=\"0\" custom=\"0\"/></sampora>\n");
    }

private:
    QString m_dir;
};

// One deck row with its widgets.
class Row {
public:
    Row(int id, Sampora *library, int type)
    {
        tempo.setRange(-16, 16);
        QAbstractSlider *p = &position;
        QAbstractSlider *t = &tempo;
        QAbstractButton *h = &hold;
        player = std::make_unique<Player>(id, &p, &t, &library, &h, type);
        player->changeVolume(100);
    }

    QSlider position { Qt::Horizontal };
    QSlider tempo { Qt::Horizontal };
    QCheckBox hold;
    std::unique_ptr<Player> player;
};

// Records the null sink's monitor, as the louder channel of each frame. A low latency makes
// the null sink render in small blocks: at 20 ms every underrun would be rounded up to
// whole 20 ms blocks of silence and hide what the player itself does.
class Recorder {
public:
    bool start()
    {
        m_parec.start(QStringLiteral("parec"),
            { QStringLiteral("-d"), QStringLiteral("ci_sink.monitor"), QStringLiteral("--raw"),
                QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"),
                QStringLiteral("--channels=2"), QStringLiteral("--latency-msec=2") });
        if (!m_parec.waitForStarted(3000))
            return false;
        QTest::qWait(400); // the stream is connected and recording silence
        return true;
    }

    std::vector<qint16> stop()
    {
        m_parec.terminate();
        m_parec.waitForFinished(3000);
        const QByteArray raw = m_parec.readAllStandardOutput();
        std::vector<qint16> frames(size_t(raw.size() / 4));
        for (size_t i = 0; i < frames.size(); ++i) {
            const auto *p = reinterpret_cast<const qint16 *>(raw.constData()) + 2 * i;
            frames[i] = qint16(std::min(32767, std::max(std::abs(int(p[0])), std::abs(int(p[1])))));
        }
        return frames; // peak of both channels per frame
    }

private:
    QProcess m_parec;
};

struct Segment {
    qint64 start = 0;
    qint64 end = 0; // one past the last audible frame
    qint64 length() const { return end - start; }
};

// Audible stretches, split wherever the recording is silent for more than a zero crossing.
std::vector<Segment> audibleSegments(const std::vector<qint16> &peaks)
{
    std::vector<Segment> segments;
    qint64 quiet = kMinSilenceFrames;
    for (qint64 i = 0; i < qint64(peaks.size()); ++i) {
        if (peaks[size_t(i)] < kSilenceLevel) {
            ++quiet;
            continue;
        }
        if (quiet >= kMinSilenceFrames || segments.empty())
            segments.push_back({ i, i + 1 });
        else
            segments.back().end = i + 1;
        quiet = 0;
    }
    return segments;
}

// Ends of the click bursts: each one marks a sample's last frame as heard.
std::vector<qint64> clickEnds(const std::vector<qint16> &peaks)
{
    std::vector<qint64> ends;
    qint64 lastLoud = -kRate;
    for (qint64 i = 0; i < qint64(peaks.size()); ++i) {
        if (peaks[size_t(i)] < kClickLevel)
            continue;
        if (i - lastLoud > kRate / 100 && lastLoud >= 0)
            ends.push_back(lastLoud + 1);
        lastLoud = i;
    }
    if (lastLoud >= 0)
        ends.push_back(lastLoud + 1);
    return ends;
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double maximum(const std::vector<double> &values)
{
    return values.empty() ? 0 : *std::max_element(values.begin(), values.end());
}

void waitMs(int ms)
{
    QTest::qWait(ms);
}

void print(const char *key, double value, int decimals)
{
    std::printf("%s: %.*f\n", key, decimals, value);
    std::fflush(stdout);
}

// A sample that moves on by itself, several times over: how much of it was heard and how long the
// silence was before the next one started.
struct TailResult {
    double heardRatio = 0;
    std::vector<double> gapsMs;
};

TailResult measureTail(const QString &root, double seconds)
{
    const QString name = QStringLiteral("tail_%1s").arg(seconds);
    Scene scene(root, name);
    const AudioGen::Pcm pcm = AudioGen::toneWithEndClick(seconds, 440.0);
    scene.add(QStringLiteral("tail.wav"), pcm);
    scene.registerFolder(R"(melody="0" beat="0" bass="1")");
    Sampora library(HipHop);
    Row row(0, &library, Bass);

    Recorder recorder;
    if (!recorder.start())
        return {};
    row.player->play();
    waitMs(int(seconds * 5 * 1000 + 600)); // five passes
    row.player->stop();
    waitMs(200);
    const std::vector<qint16> peaks = recorder.stop();

    const qint64 fileFrames = qint64(pcm.samples.size() / pcm.channels);
    const std::vector<Segment> segments = audibleSegments(peaks);
    TailResult result;
    result.heardRatio = 10;
    int whole = 0;
    for (size_t i = 0; i + 1 < segments.size(); ++i) { // the last one was cut by stop()
        result.heardRatio = std::min(result.heardRatio, double(segments[i].length()) / fileFrames);
        result.gapsMs.push_back(framesToMs(segments[i + 1].start - segments[i].end));
        ++whole;
    }
    if (whole == 0)
        result.heardRatio = segments.empty() ? 0 : double(segments[0].length()) / fileFrames;
    return result;
}

struct RepeatResult {
    std::vector<double> loopGapsMs; // the silence at each seam
    double passRatio = 0; // worst heard pass length / file length among the loop passes
};

RepeatResult measureRepeat(const QString &root)
{
    Scene scene(root, QStringLiteral("repeat"));
    const double seconds = 1.0;
    const AudioGen::Pcm pcm = AudioGen::toneWithEndClick(seconds, 440.0);
    scene.add(QStringLiteral("loop.wav"), pcm);
    scene.registerFolder(R"(melody="0" beat="0" bass="1")");
    Sampora library(HipHop);
    Row row(0, &library, Bass);
    row.player->toggleRepeat();

    Recorder recorder;
    if (!recorder.start())
        return {};
    row.player->play();
    waitMs(9300);
    row.player->stop();
    waitMs(200);
    const std::vector<qint16> peaks = recorder.stop();

    const qint64 fileFrames = qint64(pcm.samples.size() / pcm.channels);
    const std::vector<qint64> clicks = clickEnds(peaks);
    const std::vector<Segment> segments = audibleSegments(peaks);

    RepeatResult result;
    result.passRatio = 10;
    // The silence right after each click is the seam; a seam without silence is seamless.
    auto silenceAfter = [&](qint64 frame) {
        for (const Segment &s : segments)
            if (s.start >= frame)
                return s.start - frame;
        return qint64(0);
    };
    if (clicks.size() < 3)
        return result;
    for (size_t i = 0; i + 1 < clicks.size(); ++i) {
        const qint64 gap = silenceAfter(clicks[i]);
        result.loopGapsMs.push_back(framesToMs(gap));
        const qint64 pass = clicks[i + 1] - clicks[i] - gap;
        result.passRatio = std::min(result.passRatio, double(pass) / fileFrames);
    }
    return result;
}

double measureCpu(const QString &root)
{
    Scene scene(root, QStringLiteral("cpu"));
    for (int i = 0; i < 3; ++i)
        scene.add(QStringLiteral("bass%1_90.wav").arg(i), AudioGen::tone(4.0, 330.0 + 20 * i));
    // The three rows draw from one folder: what they cost does not depend on the type.
    scene.registerFolder(R"(melody="0" beat="0" bass="1")");
    Sampora library(HipHop);
    std::vector<std::unique_ptr<Row>> rows;
    for (int id = 0; id < 3; ++id)
        rows.push_back(std::make_unique<Row>(id, &library, Bass));
    for (auto &row : rows)
        row->player->play();
    waitMs(1500);

    auto cpuMs = [] {
        rusage usage {};
        getrusage(RUSAGE_SELF, &usage);
        return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0
            + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
    };
    const double cpuBefore = cpuMs();
    QElapsedTimer wall;
    wall.start();
    waitMs(10000);
    const double percent = (cpuMs() - cpuBefore) * 100.0 / double(wall.elapsed());
    for (auto &row : rows)
        row->player->stop();
    return percent;
}

bool audioServerAnswers()
{
    if (qEnvironmentVariableIsEmpty("PULSE_SERVER"))
        return false;
    QProcess pactl;
    pactl.start(QStringLiteral("pactl"), { QStringLiteral("info") });
    return pactl.waitForFinished(3000) && pactl.exitCode() == 0;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (!audioServerAnswers()) {
        std::fprintf(stderr, "bench_audio: no audio server answers (PULSE_SERVER); nothing measured\n");
        return 0;
    }
    QString root = qEnvironmentVariable("SAMPORA_BENCH_DIR");
    if (root.isEmpty())
        root = QDir::tempPath();
    root += QStringLiteral("/audio");
    // The players' debug lines would drown the figures.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));

    for (double seconds : { 1.0, 4.0 }) {
        const TailResult tail = measureTail(root, seconds);
        const QByteArray key = "tail_heard_ratio_" + QByteArray::number(int(seconds)) + "s";
        print(key.constData(), tail.heardRatio, 3);
        if (seconds == 1.0 && !tail.gapsMs.empty()) {
            print("next_gap_ms", median(tail.gapsMs), 1);
            print("next_gap_ms_max", maximum(tail.gapsMs), 1);
        }
    }

    const RepeatResult repeat = measureRepeat(root);
    print("repeat_gap_ms", median(repeat.loopGapsMs), 1);
    print("repeat_gap_ms_max", maximum(repeat.loopGapsMs), 1);
    print("repeat_pass_heard_ratio", repeat.passRatio, 3);

    print("cpu_percent_3_rows", measureCpu(root), 2);
    Paths::setProgramDir(QString());
    return 0;
}
