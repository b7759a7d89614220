// The deck's mix rendered to a file: every click of looped, stretched rows where the deck's
// copies put it, each row from its place on the grid, the formats and rates asked for, the
// deck volume, and no file at all when a render is cancelled or fails.
#include <algorithm>
#include <cmath>
#include <vector>

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sndfile.h>
#include <unistd.h>

#include "render/mixrenderer.h"
#include "render/mixrenderworker.h"
#include "player/sampledecoder.h"
#include "player/timestretch.h"
#include "tools/audiogen.h"

namespace {

// A row of the deck as a stem names it: its slot and the tempo heard.
RenderRow stemRow(const QString &file, double rate, int slot, int bpm)
{
    RenderRow row(file, rate);
    row.slot = slot;
    row.bpm = bpm;
    return row;
}

constexpr double kGridBpm = 100.0;
constexpr double kClickAmplitude = 0.25;

// A loop of `beats` clicks at `bpm`, and what the render should make of it.
struct ClickRow {
    int bpm;
    int beats;
    double rate;
    double frequency;
    int phaseBeats = 0; // the render starts a millisecond before this beat of the row's copy
};

} // namespace

Q_DECLARE_METATYPE(ClickRow)
Q_DECLARE_METATYPE(RenderFormat)

namespace {

struct Rendered {
    int sampleRate = 0;
    int channels = 0;
    int format = 0;
    std::vector<float> left;
};

Rendered readBack(const QString &path)
{
    Rendered out;
    SF_INFO info {};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        return out;
    out.sampleRate = info.samplerate;
    out.channels = info.channels;
    out.format = info.format;
    std::vector<float> frames(size_t(info.frames * info.channels));
    sf_readf_float(file, frames.data(), info.frames);
    sf_close(file);
    for (size_t i = 0; i < frames.size(); i += size_t(info.channels))
        out.left.push_back(frames[i]);
    return out;
}

// Where each click starts: the first frame past 40 % of a click's level after a quiet gap.
std::vector<qint64> clickOnsets(const std::vector<float> &signal, int sampleRate)
{
    const float threshold = float(0.4 * kClickAmplitude);
    const qint64 gap = sampleRate / 20;
    std::vector<qint64> onsets;
    qint64 lastLoud = -gap;
    for (qint64 i = 0; i < qint64(signal.size()); ++i) {
        if (std::abs(signal[size_t(i)]) < threshold)
            continue;
        if (i - lastLoud >= gap)
            onsets.push_back(i);
        lastLoud = i;
    }
    return onsets;
}

class RenderMixTest : public QObject {
    Q_OBJECT

private slots:
    void clicksStayOnTheGrid_data();
    void clicksStayOnTheGrid();
    void formatsAndRates_data();
    void formatsAndRates();
    void deckVolumeScalesTheMix();
    void cancelLeavesNoFile();
    void stemsLineUpWithTheMix();
    void failureLeavesNothing_data();
    void failureLeavesNothing();
    void defaultLengthCoversTheLongestPass();

private:
    QString writeClickLoop(const ClickRow &row);
    RenderJob jobFor(const QVector<RenderRow> &rows, int bars, const QString &name);

    QTemporaryDir samples;
    QTemporaryDir output;
};

QString RenderMixTest::writeClickLoop(const ClickRow &row)
{
    const QString path = samples.filePath(QStringLiteral("click_%1_%2_%3.wav").arg(row.bpm).arg(row.beats).arg(row.frequency));
    if (!QFile::exists(path))
        AudioGen::writeWav(path, AudioGen::clickLoop(row.beats * 60.0 / row.bpm, row.beats, row.frequency, kClickAmplitude));
    return path;
}

RenderJob RenderMixTest::jobFor(const QVector<RenderRow> &rows, int bars, const QString &name)
{
    RenderJob job;
    job.rows = rows;
    job.bars = bars;
    job.gridBpm = kGridBpm;
    job.target = output.filePath(name);
    return job;
}

void RenderMixTest::clicksStayOnTheGrid_data()
{
    QTest::addColumn<QVector<ClickRow>>("rows");
    QTest::addColumn<int>("bars");
    QTest::addColumn<int>("sampleRate");

    const ClickRow slow {95, 4, 100.0 / 95, 500};
    const ClickRow fast {180, 8, 200.0 / 180, 1500};
    const ClickRow even {100, 4, 1.0, 4000};
    // Long enough for a drift of a fraction of a frame per pass to add up past 2 ms.
    QTest::newRow("95 BPM sped up, 64 bars") << QVector<ClickRow> {slow} << 64 << 44100;
    QTest::newRow("180 BPM sped up, 64 bars") << QVector<ClickRow> {fast} << 64 << 44100;
    // The copy the deck repeats is rounded to whole frames: the export repeats it just so.
    QTest::newRow("one-beat loop, 256 passes") << QVector<ClickRow> {{96, 1, 100.0 / 96, 500}} << 64 << 44100;
    QTest::newRow("95 BPM slowed down") << QVector<ClickRow> {{95, 4, 90.0 / 95, 500}} << 16 << 44100;
    // Over a minute the sample is a song streamed from disk, read as it plays.
    QTest::newRow("song-long sample") << QVector<ClickRow> {{100, 110, 1.05, 500}} << 32 << 44100;
    QTest::newRow("three rows mixed") << QVector<ClickRow> {slow, fast, even} << 16 << 44100;
    // Rows joined the deck apart: each starts from where it stands, not from its first beat.
    QTest::newRow("rows from their places") << QVector<ClickRow> {{95, 4, 100.0 / 95, 500, 1}, {180, 8, 200.0 / 180, 1500, 3},
        {100, 4, 1.0, 4000, 2}} << 8 << 44100;
    QTest::newRow("three rows mixed at 48 kHz") << QVector<ClickRow> {slow, fast, even} << 16 << 48000;
}

void RenderMixTest::clicksStayOnTheGrid()
{
    QFETCH(QVector<ClickRow>, rows);
    QFETCH(int, bars);
    QFETCH(int, sampleRate);

    QVector<RenderRow> renderRows;
    std::vector<double> expected; // seconds
    const double length = bars * 4 * 60.0 / kGridBpm;
    for (const ClickRow &row : rows) {
        // The loop's own length in frames, rounding included, is what a row stretches; its
        // stretched copy, as long as the deck plays it, is what repeats; a song streamed from
        // disk is stretched as it streams.
        const qint64 frames = std::lround(row.beats * 60.0 / row.bpm * 44100);
        const double rate = row.rate;
        const qint64 passFrames = TimeStretch::stretchedFrames(frames, rate);
        const auto beatAt = [&](int beat) { return std::lround(double(beat) * frames / row.beats) / rate; };
        const qint64 phase = row.phaseBeats > 0 ? std::lround(beatAt(row.phaseBeats)) - 44 : 0;
        renderRows.append({writeClickLoop(row), row.rate, nullptr, phase});
        for (qint64 pass = 0; pass * passFrames - phase < length * 44100; ++pass) {
            for (int beat = 0; beat < row.beats; ++beat) {
                const double at = (pass * passFrames - phase + beatAt(beat)) / 44100;
                if (at >= 0 && at < length - 0.05)
                    expected.push_back(at);
            }
        }
    }
    std::sort(expected.begin(), expected.end());
    // Clicks of two rows on the same beat are heard as one.
    expected.erase(std::unique(expected.begin(), expected.end(), [](double a, double b) { return b - a < 0.01; }),
                   expected.end());

    RenderJob job = jobFor(renderRows, bars, QStringLiteral("clicks.wav"));
    job.sampleRate = sampleRate;
    const std::atomic_bool cancel {false};
    const RenderResult result = MixRenderer::render(job, cancel);
    QCOMPARE(result.status, RenderResult::Written);

    const Rendered rendered = readBack(job.target);
    const std::vector<qint64> onsets = clickOnsets(rendered.left, sampleRate);
    QVERIFY2(onsets.size() >= expected.size(), qPrintable(QStringLiteral("%1 clicks found, %2 expected")
                                                              .arg(onsets.size()).arg(expected.size())));
    double worst = 0;
    for (size_t i = 0; i < expected.size(); ++i) {
        const double error = std::abs(double(onsets[i]) / sampleRate - expected[i]);
        QVERIFY2(error <= 0.002, qPrintable(QStringLiteral("click %1 at %2 s is %3 ms off").arg(i).arg(expected[i]).arg(error * 1000)));
        worst = std::max(worst, error);
    }
    // Any click past the last expected one would be a click out of place; in the last 50 ms
    // the copy's end may already hold the start of the next pass's first click, cut off.
    const auto beforeEnd = std::count_if(onsets.begin(), onsets.end(),
        [&](qint64 at) { return double(at) / sampleRate < length - 0.05; });
    QCOMPARE(size_t(beforeEnd), expected.size());
    qInfo("worst click offset: %.3f ms", worst * 1000);
}

void RenderMixTest::formatsAndRates_data()
{
    QTest::addColumn<RenderFormat>("format");
    QTest::addColumn<int>("sampleRate");
    QTest::addColumn<int>("soundFormat");
    QTest::addColumn<QString>("name");

    for (const int rate : {44100, 48000}) {
        const QByteArray khz = rate == 44100 ? "44.1 kHz" : "48 kHz";
        QTest::newRow("WAV 16-bit, " + khz) << RenderFormat::Wav16 << rate << (SF_FORMAT_WAV | SF_FORMAT_PCM_16) << "mix.wav";
        QTest::newRow("WAV 24-bit, " + khz) << RenderFormat::Wav24 << rate << (SF_FORMAT_WAV | SF_FORMAT_PCM_24) << "mix.wav";
        QTest::newRow("FLAC, " + khz) << RenderFormat::Flac << rate << (SF_FORMAT_FLAC | SF_FORMAT_PCM_16) << "mix.flac";
    }
}

void RenderMixTest::formatsAndRates()
{
    QFETCH(RenderFormat, format);
    QFETCH(int, sampleRate);
    QFETCH(int, soundFormat);
    QFETCH(QString, name);

    QTemporaryDir folder;
    RenderJob job = jobFor({{writeClickLoop({95, 4, 1.0, 500}), 100.0 / 95}}, 3, name);
    job.target = folder.filePath(name);
    job.format = format;
    job.sampleRate = sampleRate;
    const std::atomic_bool cancel {false};
    QCOMPARE(MixRenderer::render(job, cancel).status, RenderResult::Written);

    const Rendered rendered = readBack(job.target);
    QCOMPARE(rendered.format, soundFormat);
    QCOMPARE(rendered.sampleRate, sampleRate);
    QCOMPARE(rendered.channels, 2);
    // 3 bars of 100 BPM are 7.2 s, to the frame.
    QCOMPARE(qint64(rendered.left.size()), qint64(std::lround(7.2 * sampleRate)));
    QVERIFY(*std::max_element(rendered.left.begin(), rendered.left.end()) > 0.2f);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList {name});
}

void RenderMixTest::deckVolumeScalesTheMix()
{
    const QString loop = writeClickLoop({100, 4, 1.0, 500});
    float peaks[3] = {};
    const double gains[3] = {1.0, 0.5, 0.0};
    for (int i = 0; i < 3; ++i) {
        RenderJob job = jobFor({{loop, 1.0}}, 1, QStringLiteral("volume.wav"));
        job.gain = gains[i];
        const std::atomic_bool cancel {false};
        QCOMPARE(MixRenderer::render(job, cancel).status, RenderResult::Written);
        const Rendered rendered = readBack(job.target);
        for (const float v : rendered.left)
            peaks[i] = std::max(peaks[i], std::abs(v));
    }
    QVERIFY(std::abs(peaks[0] - float(kClickAmplitude)) < 0.01f);
    QVERIFY(std::abs(peaks[1] - peaks[0] / 2) < 0.01f);
    QCOMPARE(peaks[2], 0.0f); // muted
}

void RenderMixTest::cancelLeavesNoFile()
{
    QTemporaryDir folder;
    RenderJob job = jobFor({{writeClickLoop({95, 4, 1.0, 500}), 100.0 / 95}}, 2000, QStringLiteral("long.wav"));
    job.target = folder.filePath(QStringLiteral("long.wav"));

    MixRenderWorker worker;
    QSignalSpy progress(&worker, &MixRenderWorker::progress);
    QSignalSpy finished(&worker, &MixRenderWorker::finished);
    worker.start(job);
    QVERIFY(worker.isRunning());
    QVERIFY(progress.wait(20000));
    worker.cancel();
    QVERIFY(finished.wait(20000));
    QVERIFY(!worker.isRunning());
    const auto result = finished.first().first().value<RenderResult>();
    QCOMPARE(result.status, RenderResult::Cancelled);
    QVERIFY(!result.message.isEmpty());
    QVERIFY(progress.last().first().toInt() < 100);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

// One file per row beside the mix, named for the row, as long as the mix, starting on its first
// frame; together they are the mix. A cancel or a failure of any part leaves none of them.
void RenderMixTest::stemsLineUpWithTheMix()
{
    QTemporaryDir folder;
    const QString slow = writeClickLoop({95, 4, 1.0, 500});
    const QString fast = writeClickLoop({100, 4, 1.0, 2000});
    QVector<RenderRow> rows { stemRow(slow, 100.0 / 95, 1, 100), stemRow(fast, 1.0, 3, 100) };
    RenderJob job = jobFor(rows, 2, QStringLiteral("set.wav"));
    job.target = folder.filePath(QStringLiteral("set.wav"));
    job.stems = true;
    const std::atomic_bool cancel {false};
    QCOMPARE(MixRenderer::render(job, cancel).status, RenderResult::Written);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
        (QStringList {QStringLiteral("set - 1 click_95_4_500 100 BPM.wav"), QStringLiteral("set - 3 click_100_4_2000 100 BPM.wav"),
            QStringLiteral("set.wav")}));
    const Rendered mix = readBack(job.target);
    const Rendered first = readBack(job.stemPath(job.rows[0]));
    const Rendered second = readBack(job.stemPath(job.rows[1]));
    QCOMPARE(first.left.size(), mix.left.size());
    QCOMPARE(second.left.size(), mix.left.size());
    QCOMPARE(clickOnsets(second.left, 44100).front(), 0);
    float worst = 0.0f;
    for (size_t i = 0; i < mix.left.size(); ++i)
        worst = std::max(worst, std::abs(first.left[i] + second.left[i] - mix.left[i]));
    QVERIFY2(worst < 2.0f / 32768, qPrintable(QString::number(worst))); // 16-bit rounding of each file

    // Cancelled half way, with every file open: none is left, and the earlier export stays.
    std::atomic_bool stop {false};
    QCOMPARE(MixRenderer::render(job, stop, [&stop](int percent) { stop = stop || percent >= 50; }).status, RenderResult::Cancelled);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
    QCOMPARE(readBack(job.target).left, mix.left);

    job.rows.append(stemRow(samples.filePath(QStringLiteral("gone 120.wav")), 1.0, 2, 120));
    QDir(folder.path()).removeRecursively();
    QDir().mkpath(folder.path());
    QCOMPARE(MixRenderer::render(job, cancel).status, RenderResult::Failed);
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

void RenderMixTest::failureLeavesNothing_data()
{
    QTest::addColumn<QString>("sample");
    QTest::addColumn<double>("rate");
    QTest::addColumn<QString>("target"); // relative to a fresh folder
    QTest::addColumn<QString>("because");

    const QString loop = writeClickLoop({100, 4, 1.0, 500});
    QTest::newRow("missing sample") << samples.filePath(QStringLiteral("gone 120.wav")) << 1.0 << "mix.wav" << "file not found";
    QTest::newRow("no rate") << loop << 0.0 << "mix.wav" << "plays at the rate 0";
    QTest::newRow("missing folder") << loop << 1.0 << "no such folder/mix.wav" << "does not exist";
    QTest::newRow("folder is a file") << loop << 1.0 << "mix.wav/mix.wav" << "does not exist";
    QTest::newRow("read-only folder") << loop << 1.0 << "locked/mix.wav" << "Cannot write to the folder";
}

void RenderMixTest::failureLeavesNothing()
{
    QFETCH(QString, sample);
    QFETCH(double, rate);
    QFETCH(QString, target);
    QFETCH(QString, because);

    QTemporaryDir folder;
    // What was there before the render stays as it was.
    QFile old(folder.filePath(QStringLiteral("mix.wav")));
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("an earlier mix");
    old.close();
    const QString locked = folder.filePath(QStringLiteral("locked"));
    QVERIFY(QDir().mkdir(locked));
    QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
    if (target.startsWith(QLatin1String("locked")) && geteuid() == 0)
        QSKIP("root writes into read-only folders");

    RenderJob job = jobFor({{sample, rate}}, 1, QString());
    job.target = folder.filePath(target);
    const std::atomic_bool cancel {false};
    const RenderResult result = MixRenderer::render(job, cancel);
    QCOMPARE(result.status, RenderResult::Failed);
    QVERIFY2(result.message.contains(because), qPrintable(result.message));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList {QStringLiteral("mix.wav")});
    QVERIFY(QDir(locked).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
    QVERIFY(old.open(QIODevice::ReadOnly));
    QCOMPARE(old.readAll(), QByteArray("an earlier mix"));
}

void RenderMixTest::defaultLengthCoversTheLongestPass()
{
    // 4 beats of 95 BPM sped up to 100 BPM last exactly one bar of the grid; slowed down a
    // little they need a second bar. A row that cannot be read counts for nothing.
    const QString loop = writeClickLoop({95, 4, 1.0, 500});
    const QString gone = samples.filePath(QStringLiteral("gone.wav"));
    QCOMPARE(MixRenderer::defaultBars(jobFor({{loop, 100.0 / 95}, {gone, 1.0}}, 1, QString())), 1);
    QCOMPARE(MixRenderer::defaultBars(jobFor({{loop, 100.0 / 95}, {loop, 0.99}}, 1, QString())), 2);
    QCOMPARE(MixRenderer::defaultBars(jobFor({{gone, 1.0}}, 1, QString())), 1);
}

} // namespace

QTEST_GUILESS_MAIN(RenderMixTest)
#include "tst_render_mix.moc"
