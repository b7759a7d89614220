#include "exportcheck.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <memory>
#include <mutex>
#include <vector>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QSlider>
#include <QTest>

#include <sndfile.h>

#include "deck/mixsnapshot.h"
#include "engine/deckengine.h"
#include "player/decodedsample.h"
#include "player/pcmformat.h"
#include "player/player.h"
#include "render/mixrenderer.h"
#include "tools/audiogen.h"

namespace ExportCheck {

namespace {

constexpr int kVolume = 70;
constexpr double kGridRate = 200.0 / 190;

// A row without a library: it plays the files it is given.
struct Row {
    Row(int id, DeckEngine *engine)
    {
        QAbstractSlider *p = &position;
        QAbstractSlider *t = &tempo;
        QAbstractButton *h = &hold;
        Sampora *library = nullptr;
        player = std::make_unique<Player>(id, &p, &t, &library, &h, 0, Player::TempoFinder {}, engine);
    }

    QSlider position { Qt::Horizontal };
    QSlider tempo { Qt::Horizontal };
    QCheckBox hold;
    std::unique_ptr<Player> player;
};

// The mix as the engine sends it to libvlc, frame by deck frame.
class Tap {
public:
    void take(qint64 first, const float *frames, qint64 count)
    {
        const std::lock_guard guard(lock);
        if (firstFrame < 0)
            firstFrame = first;
        if (first != firstFrame + qint64(mix.size()) / PcmFormat::kChannels)
            broken = true;
        mix.insert(mix.end(), frames, frames + count * PcmFormat::kChannels);
    }
    qint64 endFrame()
    {
        const std::lock_guard guard(lock);
        return firstFrame + qint64(mix.size()) / PcmFormat::kChannels;
    }

    std::mutex lock;
    qint64 firstFrame = -1;
    std::vector<float> mix;
    bool broken = false;
};

std::vector<float> readBack(const QString &path)
{
    SF_INFO info {};
    SNDFILE *file = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!file)
        return {};
    std::vector<float> frames(size_t(info.frames * info.channels));
    sf_readf_float(file, frames.data(), info.frames);
    sf_close(file);
    return frames;
}

double db(double amplitude)
{
    return 20.0 * std::log10(std::max(amplitude, 1e-12));
}

} // namespace

AudioGen::Pcm clicksOverTone(double seconds, int clicks, double frequency, double toneFrequency)
{
    AudioGen::Pcm mix = AudioGen::clickLoop(seconds, clicks, frequency);
    const AudioGen::Pcm bed = AudioGen::tone(seconds, toneFrequency, 0.2);
    for (qsizetype i = 0; i < std::min(mix.samples.size(), bed.samples.size()); ++i)
        mix.samples[i] = qint16(mix.samples[i] + bed.samples[i]);
    return mix;
}

QString writeLoop(const QString &folder, int bpm, int beats, double frequency)
{
    const QString path = folder + QStringLiteral("/loop %1.wav").arg(bpm);
    AudioGen::writeWav(path, clicksOverTone(beats * 60.0 / bpm, beats, frequency, frequency / 4));
    return path;
}

Outcome liveAgainstExport(const QString &folder)
{
    Outcome outcome;
    const QString loopA = writeLoop(folder, 190, 4, 500);
    const QString loopB = writeLoop(folder, 170, 4, 1500);
    // Longer than a sample held whole: streamed from disk, on the deck and in the export.
    const QString song = folder + QStringLiteral("/song.wav");
    AudioGen::writeWavRepeated(song, clicksOverTone(1.0, 3, 3000, 220), 40);

    Tap tap;
    DeckEngine engine(DeckEngine::standardArguments());
    // As the deck starts: each row at its loudness gain, the master through the limiter.
    engine.mixer().setEvenLoudness(true);
    engine.setMixTap([&tap](qint64 first, const float *frames, qint64 count) { tap.take(first, frames, count); });
    Row a(0, &engine);
    Row b(1, &engine);
    Row c(2, &engine);

    // Without a library a row has nothing to go on to: it repeats.
    for (Row *row : { &a, &b, &c })
        row->player->toggleRepeat();
    a.player->setBpm(190);
    a.player->playFile(loopA);
    QTest::qWait(300);
    a.player->adjustRate(float(kGridRate - 1.0)); // the tempo controller hands over the change
    b.player->setBpm(170);
    b.player->playFile(loopB);
    QTest::qWait(450);
    b.player->adjustRate(float(200.0 / 170 - 1.0));
    c.player->playFile(song); // no BPM: it plays as it is
    const auto settled = [&] {
        const Player::HeardCopy ha = a.player->heardCopy(), hb = b.player->heardCopy(), hc = c.player->heardCopy();
        return ha.sample && hb.sample && hc.sample && std::abs(ha.sample->rate - kGridRate) < 1e-3
            && std::abs(hb.sample->rate - 200.0 / 170) < 1e-3 && hc.sample->streamed();
    };
    if (!QTest::qWaitFor(settled, 15000)) {
        const auto said = [](const Player::HeardCopy &heard) {
            return heard.sample ? QStringLiteral("%1 at %2%3").arg(heard.sample->file).arg(heard.sample->rate).arg(heard.sample->streamed() ? QStringLiteral(", streamed") : QString())
                                : QStringLiteral("nothing");
        };
        outcome.failure = QStringLiteral("the rows did not all play their copies: %1; %2; %3")
                              .arg(said(a.player->heardCopy()), said(b.player->heardCopy()), said(c.player->heardCopy()));
        return outcome;
    }
    // The bar line the export starts on must come after every copy the rows play now was heard.
    const qint64 settledAt = engine.readHead();
    const qint64 pass = a.player->heardCopy().sample->frames();
    if (!QTest::qWaitFor([&] { return engine.readHead() > settledAt + pass + PcmFormat::kRate / 10; }, 15000)) {
        outcome.failure = QStringLiteral("the deck stopped playing");
        return outcome;
    }

    const qint64 now = engine.readHead();
    std::array<Player *, 5> players { a.player.get(), b.player.get(), c.player.get(), nullptr, nullptr };
    RenderJob job = MixSnapshot::of(players, now, kVolume, engine.mixer().evenLoudness());
    job.bars = 2;
    job.format = RenderFormat::Wav24;
    job.target = folder + QStringLiteral("/export.wav");
    const Player::HeardCopy grid = a.player->heardCopy();
    const qint64 barLine = now - RenderRow::phaseAt(grid.startFrame, now, grid.sample->frames());
    const qint64 frames = job.framesAt(PcmFormat::kRate);
    if (job.rows.size() != 3 || job.rows[0].phase != 0) {
        outcome.failure = QStringLiteral("the snapshot does not start on the first row's bar line: %1 rows, phase %2")
                              .arg(job.rows.size()).arg(job.rows.isEmpty() ? -1 : job.rows[0].phase);
        return outcome;
    }
    if (!QTest::qWaitFor([&] { return tap.endFrame() >= barLine + frames; }, 20000)) {
        outcome.failure = QStringLiteral("the live mix was not heard long enough");
        return outcome;
    }
    const std::atomic_bool cancel { false };
    const RenderResult result = MixRenderer::render(job, cancel);
    if (result.status != RenderResult::Written) {
        outcome.failure = result.message;
        return outcome;
    }
    const std::vector<float> exported = readBack(job.target);
    const std::lock_guard guard(tap.lock);
    if (tap.broken || barLine < tap.firstFrame || qint64(exported.size()) != frames * PcmFormat::kChannels) {
        outcome.failure = QStringLiteral("the live mix or the file is not whole");
        return outcome;
    }
    const float *live = tap.mix.data() + (barLine - tap.firstFrame) * PcmFormat::kChannels;
    double worst = 0.0;
    double loudest = 0.0;
    for (size_t i = 0; i < exported.size(); ++i) {
        const double heard = double(live[i]) * job.gain;
        worst = std::max(worst, std::abs(double(exported[i]) - heard));
        loudest = std::max(loudest, std::abs(heard));
    }
    outcome.errorDb = db(worst);
    outcome.liveLevelDb = db(loudest);
    outcome.frames = frames;
    return outcome;
}

} // namespace ExportCheck
