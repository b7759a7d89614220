// The deck under heavy use, as a user who plays with it for minutes would: three rows of the real
// deck, each pressed in bursts every 300-700 ms at random (next, previous, hold and release, seek,
// repeat, another genre) with a moment of listening now and then, and the transport moved every
// 15-40 s (pause and play, next, previous, rescan), over a library of 0.3-6 s loops, a 60 s song
// and broken files. Watches every row as it goes: rows whose heard position stands still, files
// heard that the row does not show (checked once a row has been left alone for a second), rows
// stopped by the broken-file rule although good files played between the failures, a heard clock
// ahead of the frames served, and memory per sample switch.
// Prints "key: value" lines; needs the audio server bench/run starts (PULSE_SERVER).
// SAMPORA_BENCH_SOAK_SECONDS sets the length (default 180 s).
#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QProcess>
#include <QSet>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "bench/support/benchsupport.h"
#include "deck/qtplayerctl.h"
#include "library/paths.h"
#include "library/sampletypes.h"
#include "library/sampora.h"
#include "player/pcmformat.h"
#include "player/player.h"
#include "tools/audiogen.h"

namespace {

constexpr qint64 kStuckMs = 3000;
constexpr qint64 kQuietBeforeCheckMs = 1000;



bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// A program folder with one sample folder per type in both genres, one more folder per type in
// Techno only, and the broken files among the Hip Hop samples.
class SoakLibrary {
public:
    explicit SoakLibrary(const QString &dir)
        : m_dir(dir)
    {
        QDir(m_dir).removeRecursively();
        QDir().mkpath(m_dir);
        Paths::setProgramDir(m_dir);
        const std::array<int, 3> types { Melody, Beat, Bass };
        const std::array<double, 3> pitch { 1200.0, 3000.0, 6000.0 };
        // Loop length in seconds and beats: 200, 120, 120, 96, 120, 120 BPM and one without a
        // BPM in its name.
        struct Loop {
            double seconds;
            int beats;
        };
        const Loop loops[] = { { 0.3, 1 }, { 0.5, 1 }, { 2.0, 4 }, { 2.5, 4 }, { 4.0, 8 }, { 6.0, 12 } };
        QByteArray xml("<sampora>");
        for (size_t t = 0; t < types.size(); ++t) {
            for (const char *genre : { "both", "techno" }) {
                const QString folder = QStringLiteral("%1_%2").arg(types[t]).arg(QLatin1String(genre));
                QDir().mkpath(path(folder));
                for (const Loop &loop : loops) {
                    const int bpm = qRound(60.0 * loop.beats / loop.seconds);
                    const QString name = QStringLiteral("%1/%2_loop%3_%4.wav").arg(folder, QLatin1String(genre)).arg(loop.seconds).arg(bpm);
                    AudioGen::writeWav(path(name), AudioGen::clickLoop(loop.seconds, loop.beats, pitch[t] + (genre[0] == 't' ? 300 : 0), 0.2));
                }
                AudioGen::writeWav(path(folder + QStringLiteral("/nameless.wav")), AudioGen::clickLoop(2.0, 4, pitch[t], 0.2));
                const bool both = genre[0] == 'b';
                xml += "<imported_folder path=\"" + folder.toUtf8() + "\" melody=\"" + (types[t] == Melody ? "1" : "0")
                    + "\" beat=\"" + (types[t] == Beat ? "1" : "0") + "\" bass=\"" + (types[t] == Bass ? "1" : "0")
                    + "\" hipHop=\"" + (both ? "1" : "0") + "\" techno=\"1\" custom=\"0\"/>";
                if (both)
                    addBroken(folder);
            }
        }
        // A song longer than what a row holds decoded: it streams from disk.
        AudioGen::writeWav(path(QStringLiteral("%1_both/song_120.wav").arg(int(Bass))), AudioGen::clickLoop(60.0, 120, 6000.0, 0.2));
        xml += "</sampora>\n";
        writeBytes(Paths::configPath(), xml);
    }

    bool broken(const QString &file) const { return m_broken.contains(QFileInfo(file).fileName()); }

private:
    QString path(const QString &name) const { return m_dir + QLatin1Char('/') + name; }

    void addBroken(const QString &folder)
    {
        writeBytes(path(folder + QStringLiteral("/empty_120.wav")), {});
        writeBytes(path(folder + QStringLiteral("/garbage_120.mp3")), QByteArray(20000, '\x5a'));
        // An MP3 cut in the middle of a frame: it decodes as far as it goes.
        const QString wav = path(QStringLiteral("cut.wav"));
        const QString mp3 = path(QStringLiteral("cut.mp3"));
        AudioGen::writeWav(wav, AudioGen::clickLoop(4.0, 8, 900.0, 0.2));
        if (QProcess::execute(QStringLiteral("sox"), { wav, mp3 }) == 0) {
            QFile in(mp3);
            if (in.open(QIODevice::ReadOnly))
                writeBytes(path(folder + QStringLiteral("/cut_120.mp3")), in.readAll().left(int(in.size() / 3)));
        }
        QFile::remove(wav);
        QFile::remove(mp3);
        m_broken << QStringLiteral("empty_120.wav") << QStringLiteral("garbage_120.mp3");
    }

    QString m_dir;
    QSet<QString> m_broken;
};

// What one row is watched for.
struct RowWatch {
    Player *player = nullptr;
    QSlider *position = nullptr;
    QToolButton *next = nullptr;
    QToolButton *previous = nullptr;
    QCheckBox *hold = nullptr;
    QCheckBox *repeat = nullptr;

    qint64 lastActionMs = 0;
    bool checkedSinceAction = true;
    bool wasPlaying = false;
    QString heard;
    float position01 = -1;
    qint64 stillSinceMs = -1;
    bool stuckCounted = false;
    int failures = 0;
    qint64 failureRunStartMs = -1;
    std::vector<qint64> goodHeardMs;
};

class Soak {
public:
    Soak(QTplayerCtl &deck, const SoakLibrary &library, qint64 seconds)
        : m_deck(deck)
        , m_library(library)
        , m_seconds(seconds)
        , m_random(2026)
    {
        const auto watchRow = [this](int r, QSlider *position, QToolButton *next, QToolButton *previous, QCheckBox *hold, QCheckBox *repeat) {
            RowWatch &row = m_rows[size_t(r)];
            row.player = m_deck.players[r];
            row.position = position;
            row.next = next;
            row.previous = previous;
            row.hold = hold;
            row.repeat = repeat;
        };
        watchRow(0, deck.musicSlider, deck.next_1, deck.previous1, deck.playPause_1, deck.song1Pin);
        watchRow(1, deck.musicSlider_2, deck.next_2, deck.previous2, deck.playPause_2, deck.song2Pin);
        watchRow(2, deck.musicSlider_3, deck.next_3, deck.previous3, deck.playPause_3, deck.song3Pin);
        for (RowWatch &row : m_rows)
            QObject::connect(row.player, &Player::Playing, [this] { ++m_switches; });
    }

    void run()
    {
        m_wall.start();
        m_deck.playPause();
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [this] { watch(); });
        poll.start(20);
        std::array<qint64, 3> nextPressMs {};
        for (qint64 &at : nextPressMs)
            at = pressInterval();
        qint64 nextDeckMoveMs = deckInterval();
        qint64 transportPausedUntil = -1;
        while (m_wall.elapsed() < m_seconds * 1000) {
            QTest::qWait(10);
            const qint64 now = m_wall.elapsed();
            if (m_rssAtMinute < 0 && now >= 60000) {
                m_rssAtMinute = BenchSupport::rssMb();
                m_switchesAtMinute = m_switches;
            }
            if (transportPausedUntil >= 0) {
                if (now >= transportPausedUntil) {
                    m_deck.playPauseButton->click();
                    transportPausedUntil = -1;
                    actedOnAll(now);
                }
                continue;
            }
            for (size_t r = 0; r < m_rows.size(); ++r) {
                if (now >= nextPressMs[r]) {
                    press(m_rows[r], now);
                    // Bursts of presses, then a moment of listening in which the row is checked.
                    const bool listen = std::uniform_int_distribution<int>(0, 5)(m_random) == 0;
                    nextPressMs[r] = now + (listen ? std::uniform_int_distribution<int>(1500, 3000)(m_random) : pressInterval());
                }
            }
            if (now >= nextDeckMoveMs) {
                transportPausedUntil = moveDeck(now);
                nextDeckMoveMs = now + deckInterval();
            }
        }
        m_deck.stop();
    }

    void report() const
    {
        int starvations = 0;
        for (const RowWatch &row : m_rows)
            starvations += row.player->starvations();
        const double growth = m_rssAtMinute < 0 || m_switches <= m_switchesAtMinute
            ? 0.0
            : (BenchSupport::rssMb() - m_rssAtMinute) * 1000.0 / double(m_switches - m_switchesAtMinute);
        std::printf("soak_stuck_rows: %d\n", m_stuckRows);
        std::printf("soak_heard_not_shown: %d\n", m_heardNotShown);
        std::printf("soak_broken_rule_false_stops: %d\n", m_falseStops);
        std::printf("soak_clock_ahead_ms_max: %.1f\n", m_clockAheadMs);
        std::printf("soak_rss_growth_mb_per_1000_switches: %.2f\n", growth);
        std::printf("soak_actions: %d\n", m_actions);
        std::printf("soak_switches: %d\n", m_switches);
        std::printf("soak_starvations: %d\n", starvations);
        std::fflush(stdout);
        std::fprintf(stderr, "bench_soak: %lld s, %d heard-file checks, %d broken-rule stops\n", m_seconds, m_checks, m_brokenStops);
    }

private:
    qint64 pressInterval() { return std::uniform_int_distribution<int>(300, 700)(m_random); }
    qint64 deckInterval() { return std::uniform_int_distribution<int>(15000, 40000)(m_random); }

    void press(RowWatch &row, qint64 now)
    {
        ++m_actions;
        row.lastActionMs = now;
        row.checkedSinceAction = false;
        // A held row is released by its next press of any kind.
        if (row.hold->isChecked()) {
            row.hold->click();
            return;
        }
        switch (std::uniform_int_distribution<int>(0, 9)(m_random)) {
        case 0:
        case 1:
        case 2:
            row.next->click();
            break;
        case 3:
        case 4:
            row.previous->click();
            break;
        case 5:
            row.hold->click();
            break;
        case 6:
        case 7:
            row.player->changePosition(std::uniform_int_distribution<int>(0, 99)(m_random));
            break;
        case 8:
            row.repeat->click();
            break;
        default:
            m_deck.changeGenre(std::uniform_int_distribution<int>(0, 1)(m_random) ? Techno : HipHop);
            break;
        }
    }

    // Returns when the transport should play again, or -1.
    qint64 moveDeck(qint64 now)
    {
        ++m_actions;
        actedOnAll(now);
        switch (std::uniform_int_distribution<int>(0, 3)(m_random)) {
        case 0:
            m_deck.playPauseButton->click();
            return now + std::uniform_int_distribution<int>(500, 2500)(m_random);
        case 1:
            m_deck.nextGroup->click();
            break;
        case 2:
            m_deck.previousGroup->click();
            break;
        default:
            m_deck.updateMedia();
            break;
        }
        return -1;
    }

    void actedOnAll(qint64 now)
    {
        for (RowWatch &row : m_rows) {
            row.lastActionMs = now;
            row.checkedSinceAction = false;
        }
    }

    void watch()
    {
        const qint64 now = m_wall.elapsed();
        for (RowWatch &row : m_rows) {
            Player &player = *row.player;
            const bool playing = player.isPlaying() && m_deck.playing;
            const QString heard = player.heardFile();
            watchFailures(row, now);
            if (heard != row.heard && !heard.isEmpty() && !m_library.broken(heard))
                row.goodHeardMs.push_back(now);
            row.heard = heard;
            if (row.wasPlaying && !player.isPlaying() && !row.hold->isChecked() && m_deck.playing
                && row.position->toolTip().startsWith(QLatin1String("Stopped:"))) {
                brokenRuleStop(row);
                // The user would press play again.
                row.hold->click();
                row.hold->click();
            }
            row.wasPlaying = player.isPlaying();
            watchStill(row, playing, now);
            if (playing && !row.checkedSinceAction && now - row.lastActionMs >= kQuietBeforeCheckMs) {
                row.checkedSinceAction = true;
                ++m_checks;
                if (!heard.isEmpty() && heard != player.currentTrack().file)
                    ++m_heardNotShown;
            }
            if (playing) {
                const Player::StreamPosition at = player.streamPosition();
                if (at.heardFrame >= 0) {
                    const double aheadMs = 1000.0 * double(at.heardFrame - at.servedFrames) / PcmFormat::kRate;
                    m_clockAheadMs = std::max(m_clockAheadMs, aheadMs);
                }
            }
        }
    }

    void watchFailures(RowWatch &row, qint64 now)
    {
        const int failures = row.player->failuresInARow();
        if (failures > 0 && row.failures == 0)
            row.failureRunStartMs = now;
        row.failures = failures;
    }

    void brokenRuleStop(RowWatch &row)
    {
        ++m_brokenStops;
        const bool goodBetween = std::any_of(row.goodHeardMs.begin(), row.goodHeardMs.end(),
            [&](qint64 at) { return at > row.failureRunStartMs; });
        if (row.failureRunStartMs < 0 || goodBetween)
            ++m_falseStops;
        row.goodHeardMs.clear();
        row.failureRunStartMs = -1;
    }

    void watchStill(RowWatch &row, bool playing, qint64 now)
    {
        const float position = row.player->heardPosition();
        if (!playing || row.hold->isChecked() || position != row.position01) {
            row.position01 = position;
            row.stillSinceMs = now;
            row.stuckCounted = false;
            return;
        }
        if (!row.stuckCounted && now - row.stillSinceMs > kStuckMs) {
            row.stuckCounted = true;
            ++m_stuckRows;
            std::fprintf(stderr, "bench_soak: row %d stuck at %.3f of %s since %.1f s\n", row.player->playerId(),
                double(position), qPrintable(row.heard), double(row.stillSinceMs) / 1000.0);
        }
    }

    QTplayerCtl &m_deck;
    const SoakLibrary &m_library;
    qint64 m_seconds;
    std::mt19937 m_random;
    std::array<RowWatch, 3> m_rows;
    QElapsedTimer m_wall;
    int m_actions = 0;
    int m_switches = 0;
    int m_checks = 0;
    int m_stuckRows = 0;
    int m_heardNotShown = 0;
    int m_brokenStops = 0;
    int m_falseStops = 0;
    double m_clockAheadMs = 0;
    double m_rssAtMinute = -1;
    int m_switchesAtMinute = 0;
};

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!BenchSupport::audioServerAnswers()) {
        std::fprintf(stderr, "bench_soak: no audio server answers (PULSE_SERVER); nothing measured\n");
        return 0;
    }
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    QString root = qEnvironmentVariable("SAMPORA_BENCH_DIR");
    if (root.isEmpty())
        root = QDir::tempPath();
    bool ok = false;
    qint64 seconds = qEnvironmentVariableIntValue("SAMPORA_BENCH_SOAK_SECONDS", &ok);
    if (!ok || seconds <= 0)
        seconds = 180;

    const SoakLibrary library(root + QStringLiteral("/soak"));
    {
        QTplayerCtl deck;
        deck.setVolume(60);
        Soak soak(deck, library, seconds);
        soak.run();
        soak.report();
    }
    Paths::setProgramDir(QString());
    return 0;
}
