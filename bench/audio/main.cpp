// What a listener hears from the real Player: records the null sink's monitor while rows play
// generated loops and measures, from the recording, the seams between samples and loop passes,
// how closely rows at matched tempos stay together, where quantized moves land, how late the
// rows report a new sample, and what the rows cost in CPU and memory.
// Prints "key: value" lines; needs the audio server bench/run starts (PULSE_SERVER).
// SAMPORA_BENCH_DRIFT_SECONDS shortens the three-row run (default 180 s); SAMPORA_BENCH_ONLY=drift
// runs only that (=short, =press, =pause: only those), SAMPORA_BENCH_BPMS=a,b,c names its loops other BPMs, and SAMPORA_BENCH_TRACE=file
// writes every click found and every rate change, in seconds of the recording.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include "clicks.h"
#include "bench/support/benchsupport.h"
#include "deck/bargrid.h"
#include "engine/deckengine.h"
#include "library/paths.h"
#include "library/sampletypes.h"
#include "library/sampora.h"
#include "player/player.h"
#include "recorder.h"
#include "tempo/tempoctrl.h"
#include "tools/audiogen.h"

namespace {

constexpr double kPulseAmplitude = 0.5;
constexpr int kPulseFrames = 32;
constexpr double kClickLevel = 0.25;
// Click pitches of rows 1, 2 and 3: multiples of 300 Hz, which Clicks::burstOnsets tells apart.
constexpr std::array<double, 3> kRowPitch { 1200.0, 3000.0, 6000.0 };
// No two clicks of one row come closer than this (180 BPM sped up by a few percent is 310 ms).
constexpr qint64 kMinClickSpacing = Recording::kRate * 15 / 100;

double framesToMs(qint64 frames)
{
    return Recording::framesToMs(frames);
}

// A program directory whose config.xml registers one folder of samples per sample type used.
class Scene {
public:
    Scene(const QString &root, const QString &name)
        : m_dir(root + QLatin1Char('/') + name)
    {
        QDir(m_dir).removeRecursively();
        QDir().mkpath(m_dir);
        Paths::setProgramDir(m_dir);
    }

    void add(int type, const QString &name, const AudioGen::Pcm &pcm)
    {
        const QString folder = QStringLiteral("samples%1").arg(type);
        QDir().mkpath(m_dir + QLatin1Char('/') + folder);
        AudioGen::writeWav(m_dir + QLatin1Char('/') + folder + QLatin1Char('/') + name, pcm);
        if (!m_types.contains(type))
            m_types.append(type);
        writeConfig();
    }

private:
    void writeConfig() const
    {
        QByteArray xml("<sampora>");
        for (int type : m_types) {
            xml += QByteArray("<imported_folder path=\"samples") + QByteArray::number(type) + "\" melody=\""
                + (type == Melody ? "1" : "0") + "\" beat=\"" + (type == Beat ? "1" : "0") + "\" bass=\""
                + (type == Bass ? "1" : "0") + "\" hipHop=\"1\" techno=\"0\" custom=\"0\"/>";
        }
        xml += "</sampora>\n";
        QFile config(Paths::configPath());
        if (config.open(QIODevice::WriteOnly | QIODevice::Truncate))
            config.write(xml);
    }

    QString m_dir;
    QList<int> m_types;
};

// One deck row with its widgets; notes the wall time of every Playing signal.
class Row {
public:
    Row(int id, Sampora *library, int type, DeckEngine *engine = nullptr)
    {
        tempo.setRange(-16, 16);
        QAbstractSlider *p = &position;
        QAbstractSlider *t = &tempo;
        QAbstractButton *h = &hold;
        player = std::make_unique<Player>(id, &p, &t, &library, &h, type, Player::TempoFinder {}, engine);
        player->changeVolume(100);
        QObject::connect(player.get(), &Player::Playing, [this] { playingMs.push_back(Player::wallClockMs()); });
    }

    // Waits until the row reports a sample started after afterMs; false on timeout.
    bool waitForPlaying(double afterMs, int timeoutMs) const
    {
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < timeoutMs) {
            if (!playingMs.empty() && playingMs.back() > afterMs)
                return true;
            QTest::qWait(5);
        }
        return false;
    }

    QSlider position { Qt::Horizontal };
    QSlider tempo { Qt::Horizontal };
    QCheckBox hold;
    std::unique_ptr<Player> player;
    std::vector<double> playingMs;
};

// Three rows wired as the deck wires them: one engine, tempo matching and the quantize grid
// (none with quantize off).
class Deck {
public:
    Deck(Sampora *library, const std::array<int, 3> &types, bool quantize = true)
        : library(library)
        , engine(DeckEngine::standardArguments())
    {
        for (int id = 0; id < 3; ++id) {
            rows[size_t(id)] = std::make_unique<Row>(id, library, types[size_t(id)], &engine);
            players[id] = rows[size_t(id)]->player.get();
        }
        tempo = std::make_unique<TempoCTRL>(players, imports, &this->library);
        grid = std::make_unique<BarGrid>(std::array<Player *, 5> { players[0], players[1], players[2], nullptr, nullptr });
        for (Player *player : players)
            if (quantize)
                player->setBarLineFinder([this](double earliestMs) { return grid->nextBarLine(earliestMs); });
    }
    ~Deck()
    {
        tempo.reset();
        for (auto &row : rows)
            row.reset();
    }

    Row &row(int i) { return *rows[size_t(i)]; }

    // The transport's pause and play, as the deck's play button does them.
    void pauseAll()
    {
        engine.pauseOutput();
        for (auto &row : rows)
            row->player->pause();
    }
    void playAll()
    {
        engine.beginBatch();
        for (auto &row : rows)
            row->player->play();
        engine.endBatch();
    }

private:
    Sampora *library;
    DeckEngine engine;
    std::array<std::unique_ptr<Row>, 3> rows;
    Player *players[3] {};
    Player *imports[2] {};
    std::unique_ptr<TempoCTRL> tempo;
    std::unique_ptr<BarGrid> grid;
};

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double percentile95(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(std::ceil(0.95 * double(values.size()))) - 1)];
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

// Lag from the frame a sample was heard to the row's Playing signal nearest to it.
double playingLagMs(const Recording &recording, qint64 frame, const std::vector<double> &playingMs)
{
    const double heard = recording.wallMsOf(frame);
    double best = 1e9;
    for (double signal : playingMs)
        if (std::abs(signal - heard) < std::abs(best))
            best = signal - heard;
    return best;
}

// Passes of pulse loops, one after another (next) or the same one again (repeat): the seams in
// between, how much of each pass was heard, and when each new sample was reported.
struct SeamResult {
    std::vector<double> gapsMs;      // per seam; negative: frames missing
    double heardRatio = 0;           // worst pass: distance between start pulses / file length
    std::vector<double> eventLagsMs; // per new sample after the first
};

SeamResult measureSeams(const QString &root, double seconds, bool repeat, int passes)
{
    const QString name = repeat ? QStringLiteral("repeat") : QStringLiteral("next_%1s").arg(seconds);
    Scene scene(root, name);
    const AudioGen::Pcm pcm = AudioGen::pulseLoop(seconds, kPulseAmplitude, kPulseFrames);
    // Several files, so that moving on means another decoded sample, not the one just heard.
    for (const char *file : { "a.wav", "b.wav", "c.wav" }) {
        scene.add(Bass, QLatin1String(file), pcm);
        if (repeat)
            break;
    }
    Sampora library(HipHop);
    Row row(0, &library, Bass);
    if (repeat)
        row.player->toggleRepeat();

    Recorder recorder;
    if (!recorder.start())
        return {};
    row.player->play();
    waitMs(int(seconds * passes * 1000 + 600));
    row.player->stop();
    waitMs(200);
    const Recording recording = recorder.stop();

    const qint64 fileFrames = qint64(pcm.samples.size() / pcm.channels);
    const Clicks::Pulses pulses = Clicks::findPulses(recording.mono(), kPulseAmplitude);
    SeamResult result;
    result.heardRatio = 0;
    bool first = true;
    for (const Clicks::Seam &seam : Clicks::seams(pulses, kPulseFrames)) {
        result.gapsMs.push_back(framesToMs(seam.gapFrames));
        const double ratio = double(seam.passFrames) / double(fileFrames);
        result.heardRatio = first ? ratio : std::min(result.heardRatio, ratio);
        first = false;
    }
    if (!repeat) {
        // The first start is the play() itself, reported as the row starts, not when heard.
        for (size_t i = 1; i < pulses.starts.size(); ++i)
            result.eventLagsMs.push_back(playingLagMs(recording, pulses.starts[i], row.playingMs));
    }
    return result;
}

// Three rows of beat loops whose names (95, 180 and 100 BPM) match near 1:2:1, moving on by
// themselves (rows 1 and 2) and repeating (row 3), all started on one grid: how far apart their
// clicks are heard, sampled at every click of row 1, in ms.
std::vector<double> measureRowDrift(const QString &root, int seconds)
{
    Scene scene(root, QStringLiteral("drift"));
    const std::array<int, 3> types { Melody, Beat, Bass };
    // SAMPORA_BENCH_BPMS=95/90,180,100 gives each row's two takes their BPMs (one: both alike).
    std::array<std::array<int, 2>, 3> bpms { { { 95, 95 }, { 180, 180 }, { 100, 100 } } };
    if (const QStringList custom = qEnvironmentVariable("SAMPORA_BENCH_BPMS").split(QLatin1Char(',')); custom.size() == 3) {
        for (int r = 0; r < 3; ++r) {
            const QStringList takes = custom[r].split(QLatin1Char('/'));
            bpms[size_t(r)] = { takes.first().toInt(), takes.last().toInt() };
        }
    }
    for (int r = 0; r < 3; ++r) {
        for (int take = 0; take < 2; ++take) {
            const int bpm = bpms[size_t(r)][size_t(take)];
            const double loopSeconds = 8 * 60.0 / bpm; // two bars
            const AudioGen::Pcm pcm = AudioGen::clickLoop(loopSeconds, 8, kRowPitch[size_t(r)], kClickLevel);
            scene.add(types[size_t(r)], QStringLiteral("%1_%2.wav").arg(QLatin1Char(take ? 'b' : 'a')).arg(bpm), pcm);
        }
    }
    Sampora library(HipHop);
    Deck deck(&library, types);
    deck.row(2).player->toggleRepeat();

    std::vector<std::array<double, 3>> rateChanges; // wall ms, row, rate
    std::array<float, 3> lastRates { 0, 0, 0 };
    QTimer ratePoll;
    QObject::connect(&ratePoll, &QTimer::timeout, [&] {
        for (int r = 0; r < 3; ++r) {
            const float rate = deck.row(r).player->playbackRate();
            if (rate != lastRates[size_t(r)])
                rateChanges.push_back({ Player::wallClockMs(), double(r), double(rate) });
            lastRates[size_t(r)] = rate;
        }
    });
    ratePoll.start(5);
    Recorder recorder;
    if (!recorder.start())
        return {};
    for (int r = 0; r < 3; ++r)
        deck.row(r).player->play();
    waitMs(1500);
    // The transport's next: each row moves on at the grid's next bar line, and the new samples
    // make the tempo controller match the three rows.
    const double pressed = Player::wallClockMs();
    for (int r = 0; r < 3; ++r)
        deck.row(r).player->next();
    for (int r = 0; r < 3; ++r)
        deck.row(r).waitForPlaying(pressed, 8000);
    waitMs(1000);
    const double matchedMs = Player::wallClockMs();
    waitMs(seconds * 1000);
    for (int r = 0; r < 3; ++r)
        deck.row(r).player->stop();
    waitMs(200);
    const Recording recording = recorder.stop();

    std::array<std::vector<qint64>, 3> onsets;
    for (size_t r = 0; r < 3; ++r)
        onsets[r] = Clicks::burstOnsets(recording.mono(), kRowPitch[r], kClickLevel, kMinClickSpacing);
    const qint64 from = recording.frameAt(matchedMs);
    if (const QByteArray trace = qgetenv("SAMPORA_BENCH_TRACE"); !trace.isEmpty()) {
        QFile out(QString::fromLocal8Bit(trace));
        if (out.open(QIODevice::WriteOnly)) {
            for (size_t r = 0; r < 3; ++r)
                for (qint64 click : onsets[r])
                    out.write(QByteArray("onset ") + QByteArray::number(qulonglong(r)) + ' ' + QByteArray::number(double(click) / Recording::kRate, 'f', 5) + '\n');
            for (const auto &change : rateChanges)
                out.write(QByteArray("rate ") + QByteArray::number(int(change[1])) + ' ' + QByteArray::number(double(recording.frameAt(change[0])) / Recording::kRate, 'f', 5) + ' ' + QByteArray::number(change[2], 'f', 6) + '\n');
            out.write(QByteArray("from ") + QByteArray::number(double(from) / Recording::kRate, 'f', 5) + '\n');
        }
    }
    std::vector<double> distancesMs;
    for (qint64 click : onsets[0]) {
        if (click < from || click > recording.frames() - Recording::kRate)
            continue;
        for (size_t r = 1; r < 3; ++r) {
            const qint64 distance = Clicks::distanceToNearest(onsets[r], click);
            if (distance >= 0)
                distancesMs.push_back(framesToMs(distance));
        }
    }
    return distancesMs;
}

// A grid row repeating a one-bar loop at 120 BPM (one click per bar line) and a second row whose
// 120 BPM four-bar loops click only on their first frame; the second row's next is pressed at
// random moments with quantizing on. Per press: how far the new loop's first click is from the
// grid's nearest bar line, and when the row reported it.
struct QuantizeResult {
    std::vector<double> errorsMs;
    std::vector<double> eventLagsMs;
    int missing = 0; // presses after which no new loop was heard
};

QuantizeResult measureQuantize(const QString &root, int presses)
{
    Scene scene(root, QStringLiteral("quantize"));
    scene.add(Melody, QStringLiteral("grid_120.wav"), AudioGen::clickLoop(2.0, 1, kRowPitch[0], kClickLevel));
    for (const char *take : { "a", "b" })
        scene.add(Beat, QStringLiteral("%1_120.wav").arg(QLatin1String(take)), AudioGen::clickLoop(8.0, 1, kRowPitch[1], kClickLevel));
    Sampora library(HipHop);
    Deck deck(&library, { Melody, Beat, Bass });
    deck.row(0).player->toggleRepeat();
    Player &mover = *deck.row(1).player;

    Recorder recorder;
    QuantizeResult result;
    if (!recorder.start())
        return result;
    deck.row(0).player->play();
    waitMs(300);
    mover.play(); // joins on the grid's next bar line
    waitMs(2000);
    std::mt19937 random(9);
    std::uniform_int_distribution<int> pause(300, 2500);
    std::vector<double> pressesMs;
    for (int i = 0; i < presses; ++i) {
        waitMs(pause(random));
        pressesMs.push_back(Player::wallClockMs());
        mover.next();
        deck.row(1).waitForPlaying(pressesMs.back(), 6000);
    }
    waitMs(500);
    deck.row(0).player->stop();
    mover.stop();
    waitMs(200);
    const Recording recording = recorder.stop();

    const std::vector<qint64> barLines = Clicks::burstOnsets(recording.mono(), kRowPitch[0], kClickLevel, kMinClickSpacing);
    const std::vector<qint64> starts = Clicks::burstOnsets(recording.mono(), kRowPitch[1], kClickLevel, kMinClickSpacing);
    for (double pressMs : pressesMs) {
        const qint64 pressFrame = recording.frameAt(pressMs);
        auto start = std::lower_bound(starts.begin(), starts.end(), pressFrame);
        if (start == starts.end()) {
            ++result.missing;
            continue;
        }
        result.errorsMs.push_back(framesToMs(Clicks::distanceToNearest(barLines, *start)));
        result.eventLagsMs.push_back(playingLagMs(recording, *start, deck.row(1).playingMs));
    }
    return result;
}



// With quantizing off, a press is placed at the mixer's read head and heard one read-ahead later.
// A row repeating a loop keeps the deck's output busy; a second row's four-bar loops click only on
// their first frame, and its next is pressed at random moments: from each press to the new
// loop's first click heard.
std::vector<double> measurePressToHeard(const QString &root, int presses)
{
    Scene scene(root, QStringLiteral("press"));
    scene.add(Melody, QStringLiteral("bed_120.wav"), AudioGen::clickLoop(2.0, 1, kRowPitch[0], kClickLevel));
    for (const char *take : { "a", "b" })
        scene.add(Beat, QStringLiteral("%1_120.wav").arg(QLatin1String(take)), AudioGen::clickLoop(8.0, 1, kRowPitch[1], kClickLevel));
    Sampora library(HipHop);
    Deck deck(&library, { Melody, Beat, Bass }, false);
    deck.row(0).player->toggleRepeat();
    Player &mover = *deck.row(1).player;

    Recorder recorder;
    std::vector<double> lagsMs;
    if (!recorder.start())
        return lagsMs;
    deck.row(0).player->play();
    mover.play();
    waitMs(1500);
    std::mt19937 random(11);
    std::uniform_int_distribution<int> pause(900, 2500);
    std::vector<double> pressesMs;
    for (int i = 0; i < presses; ++i) {
        waitMs(pause(random));
        pressesMs.push_back(Player::wallClockMs());
        mover.next();
    }
    waitMs(1000);
    deck.row(0).player->stop();
    mover.stop();
    waitMs(200);
    const Recording recording = recorder.stop();
    const std::vector<qint64> starts = Clicks::burstOnsets(recording.mono(), kRowPitch[1], kClickLevel, kMinClickSpacing);
    for (double pressMs : pressesMs) {
        auto start = std::lower_bound(starts.begin(), starts.end(), recording.frameAt(pressMs));
        if (start != starts.end())
            lagsMs.push_back(recording.wallMsOf(*start) - pressMs);
    }
    return lagsMs;
}

// Three rows of 120 BPM click loops over a quiet tone, the transport paused for 2 s and played
// again: per row, how far its beats after the pause are from where they would be had the silence
// been cut out of the recording.
std::vector<double> measurePauseResume(const QString &root, int pauses)
{
    Scene scene(root, QStringLiteral("pause"));
    const std::array<int, 3> types { Melody, Beat, Bass };
    for (size_t r = 0; r < 3; ++r) {
        AudioGen::Pcm loop = AudioGen::clickLoop(2.0, 4, kRowPitch[r], kClickLevel);
        const AudioGen::Pcm bed = AudioGen::tone(2.0, 110.0 * double(r + 1), 0.02);
        for (qsizetype i = 0; i < loop.samples.size() && i < bed.samples.size(); ++i)
            loop.samples[i] = qint16(std::clamp(int(loop.samples[i]) + int(bed.samples[i]), -32768, 32767));
        scene.add(types[r], QStringLiteral("row%1_120.wav").arg(r), loop);
    }
    Sampora library(HipHop);
    Deck deck(&library, types);
    for (int r = 0; r < 3; ++r)
        deck.row(r).player->toggleRepeat();

    Recorder recorder;
    std::vector<double> offsetsMs;
    if (!recorder.start())
        return offsetsMs;
    deck.playAll();
    waitMs(3000);
    for (int i = 0; i < pauses; ++i) {
        waitMs(1000 + 337 * i);
        deck.pauseAll();
        waitMs(2000);
        deck.playAll();
    }
    waitMs(1500);
    for (int r = 0; r < 3; ++r)
        deck.row(r).player->stop();
    waitMs(200);
    const Recording recording = recorder.stop();

    // The pauses are the long runs of silence after the deck first sounded.
    const std::vector<float> &mono = recording.mono();
    std::vector<std::pair<qint64, qint64>> silences;
    qint64 quietFrom = -1;
    bool sounded = false;
    for (qint64 i = 0; i < recording.frames(); ++i) {
        const bool quiet = std::abs(mono[size_t(i)]) < 1e-4f;
        if (!quiet) {
            if (sounded && quietFrom >= 0 && i - quietFrom > Recording::kRate)
                silences.emplace_back(quietFrom, i);
            quietFrom = -1;
            sounded = true;
        } else if (quietFrom < 0) {
            quietFrom = i;
        }
    }
    const double beatMs = 500.0;
    for (size_t r = 0; r < 3; ++r) {
        const std::vector<qint64> clicks = Clicks::burstOnsets(mono, kRowPitch[r], kClickLevel, kMinClickSpacing);
        for (const auto &[from, to] : silences) {
            auto after = std::lower_bound(clicks.begin(), clicks.end(), to);
            if (after == clicks.begin() || after == clicks.end())
                continue;
            const double spanMs = framesToMs(*after - *(after - 1) - (to - from));
            offsetsMs.push_back(std::abs(std::remainder(spanMs, beatMs)));
        }
    }
    return offsetsMs;
}

// Three rows of one type, no tempo matching, no grid, all playing.
std::vector<std::unique_ptr<Row>> playThreeRows(Sampora *library, DeckEngine *engine)
{
    std::vector<std::unique_ptr<Row>> rows;
    for (int id = 0; id < 3; ++id)
        rows.push_back(std::make_unique<Row>(id, library, Bass, engine));
    for (auto &row : rows)
        row->player->play();
    return rows;
}

double measureCpu(const QString &root)
{
    Scene scene(root, QStringLiteral("cpu"));
    for (int i = 0; i < 3; ++i)
        scene.add(Bass, QStringLiteral("bass%1_90.wav").arg(i), AudioGen::tone(4.0, 330.0 + 20 * i));
    // The three rows draw from one folder: what they cost does not depend on the type.
    Sampora library(HipHop);
    DeckEngine engine(DeckEngine::standardArguments());
    const std::vector<std::unique_ptr<Row>> rows = playThreeRows(&library, &engine);
    waitMs(1500);

    const double cpuBefore = BenchSupport::cpuMs();
    QElapsedTimer wall;
    wall.start();
    waitMs(10000);
    const double percent = (BenchSupport::cpuMs() - cpuBefore) * 100.0 / double(wall.elapsed());
    for (auto &row : rows)
        row->player->stop();
    return percent;
}

// A 60 s click song at 120 BPM, streamed from disk, moved on to (next, quantized) on the bar line
// of a repeating 126 BPM click loop: matching bends the song to 126 as it streams. Per song click heard from 3 s after
// its start to near its end, the distance to the loop's nearest click; and the process's CPU
// meanwhile (the song's stretch included).
struct SongResult {
    std::vector<double> distancesMs;
    double cpuPercent = 0;
};

SongResult measureSongPhase(const QString &root)
{
    constexpr int kSongBpm = 120;
    constexpr int kLoopBpm = 126;
    constexpr double kSongSeconds = 60.0;
    Scene scene(root, QStringLiteral("song"));
    scene.add(Beat, QStringLiteral("loop_%1.wav").arg(kLoopBpm),
        AudioGen::clickLoop(8 * 60.0 / kLoopBpm, 8, kRowPitch[0], kClickLevel));
    scene.add(Melody, QStringLiteral("song %1.wav").arg(kSongBpm),
        AudioGen::clickLoop(kSongSeconds, int(kSongSeconds * kSongBpm / 60), kRowPitch[1], kClickLevel));
    Sampora library(HipHop);
    // The loop in row 1 gives the grid, the song in row 2 lands on it.
    Deck deck(&library, { Beat, Melody, Bass });
    Row &loop = deck.row(0);
    Row &song = deck.row(1);
    loop.player->toggleRepeat();
    Recorder recorder;
    if (!recorder.start())
        return {};
    loop.player->play();
    waitMs(1500);
    song.player->play();
    waitMs(1500);
    // Started by play() a row sounds at once; a next waits for the grid's bar line.
    const double pressed = Player::wallClockMs();
    song.player->next();
    song.waitForPlaying(pressed, 5000);
    waitMs(3000);
    SongResult result;
    const double fromMs = Player::wallClockMs();
    const double cpuBefore = BenchSupport::cpuMs();
    // The song at 126 BPM lasts 57 s: the measure ends before it does.
    waitMs(int(kSongSeconds * kSongBpm / kLoopBpm * 1000) - 6000);
    const double toMs = Player::wallClockMs();
    result.cpuPercent = (BenchSupport::cpuMs() - cpuBefore) * 100.0 / (toMs - fromMs);
    song.player->stop();
    loop.player->stop();
    waitMs(200);
    const Recording recording = recorder.stop();

    const std::vector<qint64> loopClicks = Clicks::burstOnsets(recording.mono(), kRowPitch[0], kClickLevel, kMinClickSpacing);
    const std::vector<qint64> songClicks = Clicks::burstOnsets(recording.mono(), kRowPitch[1], kClickLevel, kMinClickSpacing);
    const qint64 from = recording.frameAt(fromMs);
    const qint64 to = recording.frameAt(toMs);
    for (qint64 click : songClicks) {
        if (click < from || click > to)
            continue;
        if (const qint64 distance = Clicks::distanceToNearest(loopClicks, click); distance >= 0)
            result.distancesMs.push_back(framesToMs(distance));
    }
    return result;
}

void printSongPhase(const QString &root)
{
    const SongResult song = measureSongPhase(root);
    print("song_phase_ms", percentile95(song.distancesMs), 2);
    print("song_phase_ms_max", maximum(song.distancesMs), 2);
    print("cpu_percent_with_song", song.cpuPercent, 2);
    std::fprintf(stderr, "bench_audio: %zu song clicks measured\n", song.distancesMs.size());
}

// Three rows moved on by hand (quantizing off) through a folder of short samples, 500 times in
// all: the process's resident memory after switch 100 and after switch 500.
struct MemoryResult {
    double after100Mb = 0;
    double after500Mb = 0;
};

MemoryResult measureMemory(const QString &root)
{
    Scene scene(root, QStringLiteral("memory"));
    for (int i = 0; i < 12; ++i)
        scene.add(Bass, QStringLiteral("short_%1.wav").arg(QChar(u'a' + i)), AudioGen::tone(0.5, 300.0 + 25 * i));
    Sampora library(HipHop);
    DeckEngine engine(DeckEngine::standardArguments());
    const std::vector<std::unique_ptr<Row>> rows = playThreeRows(&library, &engine);
    waitMs(500);
    MemoryResult result;
    for (int i = 1; i <= 500; ++i) {
        rows[size_t(i % 3)]->player->next();
        waitMs(25);
        if (i == 100) {
            waitMs(300);
            result.after100Mb = BenchSupport::rssMb();
        }
    }
    waitMs(300);
    result.after500Mb = BenchSupport::rssMb();
    for (auto &row : rows)
        row->player->stop();
    return result;
}


std::vector<double> absolute(std::vector<double> values)
{
    for (double &v : values)
        v = std::abs(v);
    return values;
}

void append(std::vector<double> &to, const std::vector<double> &values)
{
    to.insert(to.end(), values.begin(), values.end());
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (!BenchSupport::audioServerAnswers()) {
        std::fprintf(stderr, "bench_audio: no audio server answers (PULSE_SERVER); nothing measured\n");
        return 0;
    }
    QString root = qEnvironmentVariable("SAMPORA_BENCH_DIR");
    if (root.isEmpty())
        root = QDir::tempPath();
    root += QStringLiteral("/audio");
    // The players' debug lines would drown the figures.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    bool ok = false;
    int driftSeconds = qEnvironmentVariableIntValue("SAMPORA_BENCH_DRIFT_SECONDS", &ok);
    if (!ok || driftSeconds <= 0)
        driftSeconds = 180;

    if (qEnvironmentVariable("SAMPORA_BENCH_ONLY") == QLatin1String("short")) {
        std::vector<double> gaps;
        for (double seconds : { 0.05, 0.1, 0.3 }) {
            const std::vector<double> these = measureSeams(root, seconds, false, int(3.0 / seconds)).gapsMs;
            if (qEnvironmentVariableIsSet("SAMPORA_BENCH_TRACE")) {
                QStringList shown;
                for (double gap : these)
                    shown << QString::number(gap, 'f', 1);
                qInfo().noquote() << seconds << "s samples, gaps in ms:" << shown.join(u' ');
            }
            append(gaps, these);
        }
        print("short_sample_gap_ms", median(absolute(gaps)), 2);
        print("short_sample_gap_ms_max", maximum(absolute(gaps)), 2);
        return 0;
    }
    if (qEnvironmentVariable("SAMPORA_BENCH_ONLY") == QLatin1String("press")) {
        const std::vector<double> lags = measurePressToHeard(root, 12);
        print("press_to_heard_ms", percentile95(lags), 1);
        print("press_to_heard_ms_median", median(lags), 1);
        return 0;
    }
    if (qEnvironmentVariable("SAMPORA_BENCH_ONLY") == QLatin1String("pause")) {
        const std::vector<double> offsets = measurePauseResume(root, 3);
        print("pause_resume_offset_ms", maximum(offsets), 1);
        std::fprintf(stderr, "bench_audio: %zu row resumes measured\n", offsets.size());
        return 0;
    }
    if (qEnvironmentVariable("SAMPORA_BENCH_ONLY") == QLatin1String("song")) {
        printSongPhase(root);
        return 0;
    }
    if (qEnvironmentVariable("SAMPORA_BENCH_ONLY") == QLatin1String("drift")) {
        const std::vector<double> drift = measureRowDrift(root, driftSeconds);
        print("row_phase_drift_ms", percentile95(drift), 1);
        print("row_phase_drift_ms_max", maximum(drift), 1);
        return 0;
    }
    std::vector<double> eventLags;
    std::vector<double> nextGaps;
    for (double seconds : { 1.0, 4.0 }) {
        const SeamResult next = measureSeams(root, seconds, false, seconds < 2 ? 8 : 4);
        const QByteArray key = "tail_heard_ratio_" + QByteArray::number(int(seconds)) + "s";
        print(key.constData(), next.heardRatio, 4);
        append(nextGaps, next.gapsMs);
        append(eventLags, next.eventLagsMs);
    }
    print("next_gap_ms", median(absolute(nextGaps)), 2);
    print("next_gap_ms_max", maximum(absolute(nextGaps)), 2);

    const SeamResult repeat = measureSeams(root, 1.0, true, 9);
    print("repeat_gap_ms", median(absolute(repeat.gapsMs)), 2);
    print("repeat_gap_ms_max", maximum(absolute(repeat.gapsMs)), 2);
    print("repeat_pass_heard_ratio", repeat.heardRatio, 4);

    const QuantizeResult quantize = measureQuantize(root, 10);
    print("quantize_error_ms", percentile95(quantize.errorsMs), 1);
    if (quantize.missing > 0)
        print("quantize_presses_unheard", quantize.missing, 0);
    append(eventLags, quantize.eventLagsMs);
    print("event_lag_ms", percentile95(absolute(eventLags)), 1);
    print("event_lag_ms_median", median(eventLags), 1);

    const std::vector<double> drift = measureRowDrift(root, driftSeconds);
    print("row_phase_drift_ms", percentile95(drift), 1);
    print("row_phase_drift_ms_max", maximum(drift), 1);

    // One-shots shorter than the output's read-ahead, following each other.
    std::vector<double> shortGaps;
    for (double seconds : { 0.05, 0.1, 0.3 })
        append(shortGaps, measureSeams(root, seconds, false, int(3.0 / seconds)).gapsMs);
    print("short_sample_gap_ms", median(absolute(shortGaps)), 2);
    print("short_sample_gap_ms_max", maximum(absolute(shortGaps)), 2);

    const std::vector<double> pressLags = measurePressToHeard(root, 12);
    print("press_to_heard_ms", percentile95(pressLags), 1);
    print("press_to_heard_ms_median", median(pressLags), 1);
    const std::vector<double> resumeOffsets = measurePauseResume(root, 3);
    print("pause_resume_offset_ms", maximum(resumeOffsets), 1);
    std::fprintf(stderr, "bench_audio: %zu presses heard, %zu row resumes measured\n", pressLags.size(), resumeOffsets.size());

    // How much each figure rests on, for whoever reads the run.
    std::fprintf(stderr, "bench_audio: %zu next seams, %zu repeat seams, %zu quantized presses measured, %zu event lags, %zu row distances\n",
        nextGaps.size(), repeat.gapsMs.size(), quantize.errorsMs.size(), eventLags.size(), drift.size());

    print("cpu_percent_3_rows", measureCpu(root), 2);
    printSongPhase(root);
    const MemoryResult memory = measureMemory(root);
    print("rss_mb_3_rows", memory.after500Mb, 1);
    print("rss_growth_mb_last_400", memory.after500Mb - memory.after100Mb, 2);
    Paths::setProgramDir(QString());
    return 0;
}
