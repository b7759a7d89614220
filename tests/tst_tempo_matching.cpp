#include <QtTest>

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include <QCheckBox>
#include <QRandomGenerator>
#include <QSlider>

#include "library/sampora.h"
#include "player/player.h"
#include "engine/vlcplayback.h"
#include "support/testsupport.h"
#include "tempo/tempoctrl.h"
#include "tools/audiogen.h"

namespace {

// Five real players on libvlc wired to a tempo controller the way the deck wires them.
struct Rig {
    Rig()
    {
        library = new Sampora(HipHop);
        const int types[5] = { Melody, Beat, Bass, Bass, Bass };
        for (int id = 0; id < 5; ++id) {
            tempo[id].setRange(-16, 16);
            QAbstractSlider *pos = &position[id];
            QAbstractSlider *tmp = &tempo[id];
            QAbstractButton *box = &hold[id];
            all[id] = new Player(id, &pos, &tmp, &library, &box, types[id]);
        }
        std::copy(all.begin(), all.begin() + 3, players);
        std::copy(all.begin() + 3, all.end(), importPlayers);
        importPlayers[0]->disabled = importPlayers[1]->disabled = true;
        ctrl = std::make_unique<TempoCTRL>(players, importPlayers, &library);
    }
    // All five rows take part, as with both added tracks shown.
    void enableAddedTracks() { importPlayers[0]->disabled = importPlayers[1]->disabled = false; }
    ~Rig()
    {
        ctrl.reset();
        qDeleteAll(all);
        delete library;
    }

    Sampora *library = nullptr;
    std::array<QSlider, 5> position;
    std::array<QSlider, 5> tempo;
    std::array<QCheckBox, 5> hold;
    std::array<Player *, 5> all {};
    Player *players[3] {};
    Player *importPlayers[2] {};
    std::unique_ptr<TempoCTRL> ctrl;
};

// The rate the row plays at (its stretched copy; libvlc itself plays at 1).
void expectRate(Player *player, double expected)
{
    const float actual = player->playbackRate();
    QVERIFY2(std::abs(actual - expected) < 1e-5,
        qPrintable(QStringLiteral("player %1 plays at %2, expected %3")
                       .arg(player->playerId())
                       .arg(actual)
                       .arg(expected)));
    // The tempo the controller compares is the sample's own BPM at that rate.
    const double playingAt = player->currentTrack().baseBpm * double(actual);
    QVERIFY2(std::abs(player->bpm() - playingAt) < 1.0,
        qPrintable(QStringLiteral("player %1 reports %2 BPM, plays at %3")
                       .arg(player->playerId())
                       .arg(player->bpm())
                       .arg(playingAt)));
}

// A failed check inside the helper ends the test function too.
#define EXPECT_RATE(player, rate)                                                                            \
    do {                                                                                                     \
        expectRate(player, rate);                                                                            \
        if (QTest::currentTestFailed())                                                                      \
            return;                                                                                          \
    } while (false)

bool isPlaying(Player *player)
{
    return player->playback().state() == VlcPlayback::Playing;
}

// The tempo a row plays at: its sample's own BPM at the rate the row reports.
double tempoOf(const Player *player)
{
    return player->currentTrack().baseBpm * double(player->playbackRate());
}

// Checks that later / earlier of the two rows' tempos is `expected`, to 1e-5 relative.
void expectTempoRatio(const Player *earlier, const Player *later, double expected)
{
    const double actual = tempoOf(later) / tempoOf(earlier);
    QVERIFY2(std::abs(actual / expected - 1.0) < 1e-5,
        qPrintable(QStringLiteral("players %1 and %2 play at %3 and %4 BPM: ratio %5, expected %6")
                       .arg(earlier->playerId())
                       .arg(later->playerId())
                       .arg(tempoOf(earlier))
                       .arg(tempoOf(later))
                       .arg(actual, 0, 'f', 7)
                       .arg(expected)));
}

#define EXPECT_TEMPO_RATIO(earlier, later, ratio)                                                            \
    do {                                                                                                     \
        expectTempoRatio(earlier, later, ratio);                                                             \
        if (QTest::currentTestFailed())                                                                      \
            return;                                                                                          \
    } while (false)

} // namespace

// Tempo matching on real players playing real files whose names carry their BPMs.
class TestTempoMatching : public QObject {
    Q_OBJECT

    TempProgramDir programDir;

    void writeSample(const QString &name)
    {
        // Long enough that no sample ends (and starts a new round of matching) mid-test.
        QVERIFY(AudioGen::writeWav(programDir.filePath(name), AudioGen::tone(30.0, 220.0, 0.2, 8000, 1)));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(programDir.isValid());
        for (const char *dir : { "hiphop/melody", "hiphop/beat", "hiphop/bass", "techno/beat", "techno/bass",
                 "custom/melody", "custom/beat", "custom/bass" })
            QVERIFY(QDir(programDir.path()).mkpath(QLatin1String(dir)));
        writeSample(QStringLiteral("hiphop/melody/melody 90.wav"));
        writeSample(QStringLiteral("hiphop/beat/beat 140.wav"));
        writeSample(QStringLiteral("hiphop/bass/bass 100.wav"));
        writeSample(QStringLiteral("techno/beat/beat 70.wav"));
        writeSample(QStringLiteral("techno/bass/pad.wav"));
        // The custom playlist holds several tempos per type for random draws.
        const char *customTypes[] = { "melody", "beat", "bass" };
        for (int t = 0; t < 3; ++t) {
            for (int bpm : { 60 + 17 * t, 87 + 5 * t, 100 + 3 * t, 128 - 7 * t, 174 + 9 * t, 205 - t }) {
                writeSample(
                    QStringLiteral("custom/%1/%1 %2.wav").arg(QLatin1String(customTypes[t])).arg(bpm));
            }
        }
        programDir.writeFile(QStringLiteral("config.xml"),
            "<sampora>\n"
            " <imported_folder path=\"hiphop/melody\" melody=\"1\" beat=\"0\" bass=\"0\" hipHop=\"1\" "
            "techno=\"0\" "
            "custom=\"0\"/>\n"
            " <imported_folder path=\"hiphop/beat\" melody=\"0\" beat=\"1\" bass=\"0\" hipHop=\"1\" "
            "techno=\"0\" "
            "custom=\"0\"/>\n"
            " <imported_folder path=\"hiphop/bass\" melody=\"0\" beat=\"0\" bass=\"1\" hipHop=\"1\" "
            "techno=\"0\" "
            "custom=\"0\"/>\n"
            " <imported_folder path=\"techno/beat\" melody=\"0\" beat=\"1\" bass=\"0\" hipHop=\"0\" "
            "techno=\"1\" "
            "custom=\"0\"/>\n"
            " <imported_folder path=\"techno/bass\" melody=\"0\" beat=\"0\" bass=\"1\" hipHop=\"0\" "
            "techno=\"1\" "
            "custom=\"0\"/>\n"
            " <imported_folder path=\"custom/melody\" melody=\"1\" beat=\"0\" bass=\"0\" hipHop=\"0\" "
            "techno=\"0\" custom=\"1\"/>\n"
            " <imported_folder path=\"custom/beat\" melody=\"0\" beat=\"1\" bass=\"0\" hipHop=\"0\" "
            "techno=\"0\" custom=\"1\"/>\n"
            " <imported_folder path=\"custom/bass\" melody=\"0\" beat=\"0\" bass=\"1\" hipHop=\"0\" "
            "techno=\"0\" custom=\"1\"/>\n"
            "</sampora>\n");
        if (!TestSupport::audioServerAnswers())
            qWarning("no audio server: libvlc plays without output, rates are still read back");
    }

    void twoNodes()
    {
        Rig rig;
        Player *const *p = rig.players;
        QVERIFY(rig.ctrl->isMatching());
        p[0]->play();
        p[1]->play();
        QCOMPARE(rig.ctrl->activeIds(), (QList<int> { 0, 1 }));
        // Joining is not matching: only a new sample changes rates.
        EXPECT_RATE(p[0], 1.0);
        EXPECT_RATE(p[1], 1.0);

        // 90 against 140 is nearest to 2:3 (factor 280/270): the square root of the factor
        // on each side, up for the earlier row and down for the later one, so that they
        // meet at exactly 3:2. The int tempos read by the rest are truncated.
        p[1]->next();
        QTRY_VERIFY(isPlaying(p[0]) && isPlaying(p[1]));
        EXPECT_RATE(p[0], 1.018350);
        EXPECT_RATE(p[1], 0.981981);
        EXPECT_TEMPO_RATIO(p[0], p[1], 1.5);
        QCOMPARE(p[0]->bpm(), 91);
        QCOMPARE(p[1]->bpm(), 137);
        EXPECT_RATE(p[2], 1.0);
        QCOMPARE(rig.ctrl->activeIds(), (QList<int> { 0, 1 }));

        // Reporting playing again moves a player to the end; a stop of a player that is no
        // node changes nothing.
        p[0]->play();
        QCOMPARE(rig.ctrl->activeIds(), (QList<int> { 1, 0 }));
        rig.ctrl->IsStopped(4);
        QCOMPARE(rig.ctrl->activeIds(), (QList<int> { 1, 0 }));
        p[1]->pause();
        QCOMPARE(rig.ctrl->activeIds(), (QList<int> { 0 }));
    }

    void threeNodes()
    {
        Rig rig;
        Player *const *p = rig.players;
        p[0]->play();
        p[1]->play();
        p[2]->play();
        p[2]->next();
        QTRY_VERIFY(isPlaying(p[0]) && isPlaying(p[1]) && isPlaying(p[2]));
        // Pair (0, 1): 90/140 as above, leaving 91.65 and 137.48. Pair (1, 2), from those
        // real tempos: 137.48 against 100 is nearest to 3:2; node 0 moves with node 1.
        EXPECT_RATE(p[0], 1.063720);
        EXPECT_RATE(p[1], 1.025730);
        EXPECT_RATE(p[2], 0.957348);
        QCOMPARE(p[0]->bpm(), 95);
        QCOMPARE(p[1]->bpm(), 143);
        QCOMPARE(p[2]->bpm(), 95);
        // Both pairs sit exactly on their simple ratios.
        EXPECT_TEMPO_RATIO(p[0], p[1], 1.5);
        EXPECT_TEMPO_RATIO(p[1], p[2], 2.0 / 3.0);
    }

    // Rows that start one after the other at the given BPMs; the last one then starts a new
    // sample, which matches all of them in that order.
    void exactRatios_data()
    {
        QTest::addColumn<QList<int>>("bpms");
        QTest::addColumn<QList<double>>("rates");
        // later / earlier of each neighbouring pair once matched; 0 where the pair is too
        // far from every simple ratio and left as it is.
        QTest::addColumn<QList<double>>("ratios");
        // clang-format off
        QTest::newRow("2 rows near 2:3") << QList<int> { 90, 140 }
            << QList<double> { 1.018350, 0.981981 } << QList<double> { 1.5 };
        QTest::newRow("2 rows already 1:2") << QList<int> { 120, 60 }
            << QList<double> { 1.0, 1.0 } << QList<double> { 0.5 };
        QTest::newRow("2 rows too far apart") << QList<int> { 21, 219 }
            << QList<double> { 1.0, 1.0 } << QList<double> { 0.0 };
        QTest::newRow("3 rows") << QList<int> { 90, 140, 100 }
            << QList<double> { 1.063720, 1.025730, 0.957348 } << QList<double> { 1.5, 2.0 / 3.0 };
        QTest::newRow("4 rows") << QList<int> { 95, 180, 100, 128 }
            << QList<double> { 0.953524, 1.006497, 0.905848, 1.061540 } << QList<double> { 2.0, 0.5, 1.5 };
        QTest::newRow("5 rows") << QList<int> { 174, 87, 120, 66, 200 }
            << QList<double> { 1.003116, 1.003116, 1.090889, 0.991717, 0.981800 }
            << QList<double> { 0.5, 1.5, 0.5, 3.0 };
        QTest::newRow("5 rows, quarters") << QList<int> { 51, 219, 60, 200, 130 }
            << QList<double> { 0.997242, 0.928938, 0.847656, 1.017187, 1.043269 }
            << QList<double> { 4.0, 0.25, 4.0, 2.0 / 3.0 };
        // clang-format on
    }
    void exactRatios()
    {
        QFETCH(QList<int>, bpms);
        QFETCH(QList<double>, rates);
        QFETCH(QList<double>, ratios);
        Rig rig;
        rig.enableAddedTracks();
        const QString file = programDir.filePath(QStringLiteral("hiphop/bass/bass 100.wav"));
        const qsizetype n = bpms.size();
        QList<int> ids;
        for (qsizetype k = 0; k < n; ++k) {
            rig.all[k]->setBpm(bpms[k]);
            rig.all[k]->playFile(file);
            ids.append(int(k));
        }
        rig.all[n - 1]->setBpm(bpms[n - 1]);
        rig.all[n - 1]->playFile(file);
        QCOMPARE(rig.ctrl->activeIds(), ids);
        QTRY_VERIFY_WITH_TIMEOUT(std::all_of(rig.all.begin(), rig.all.begin() + n, isPlaying), 15000);

        for (qsizetype k = 0; k < n; ++k)
            EXPECT_RATE(rig.all[k], rates[k]);
        for (qsizetype k = 0; k + 1 < n; ++k) {
            const double own = double(bpms[k + 1]) / bpms[k];
            EXPECT_TEMPO_RATIO(rig.all[k], rig.all[k + 1], ratios[k] > 0 ? ratios[k] : own);
        }
    }

    // The rates depend on the rows playing now, not on the rounds of matching before:
    // after 200 random new samples, with rows pausing, coming back and stepping back in
    // between, they are those of a fresh deck that starts the same samples in the same order.
    void ratesForgetEarlierRounds()
    {
        Rig rig;
        rig.enableAddedTracks();
        rig.library->setGenre(Custom);
        const QString addedFile = programDir.filePath(QStringLiteral("custom/bass/bass 100.wav"));

        // What the last round matched: the nodes in their order, with the sample each played.
        struct Node {
            int id;
            QString file;
            int bpm;
        };
        std::vector<Node> lastRound;
        int newSamples = 0;
        for (Player *player : rig.all) {
            // Connected after the controller, so this runs right after its matching.
            connect(player, &Player::NewBPM, this, [&] {
                ++newSamples;
                lastRound.clear();
                for (int id : rig.ctrl->activeIds())
                    lastRound.push_back(
                        { id, rig.all[id]->currentTrack().file, rig.all[id]->currentTrack().baseBpm });
            });
        }

        QRandomGenerator random(20261210);
        const auto newAddedSample = [&](Player *player) {
            player->setBpm(random.bounded(51, 220));
            player->playFile(addedFile);
        };
        for (int id = 0; id < 3; ++id)
            rig.all[id]->play();
        newAddedSample(rig.all[3]);
        newAddedSample(rig.all[4]);
        newSamples = 0;
        while (newSamples < 200) {
            Player *player = rig.all[random.bounded(5)];
            const int action = random.bounded(10);
            if (action < 2) {
                player->pause(); // leaves, and comes back last
                player->play();
            } else if (action < 3 && !player->pastTracks().isEmpty()) {
                player->previous();
            } else if (player->playerId() < 3) {
                player->next();
            } else {
                newAddedSample(player);
            }
        }
        QVERIFY(lastRound.size() >= 2);

        Rig fresh;
        fresh.enableAddedTracks();
        QList<int> ids;
        for (const Node &node : lastRound) {
            fresh.all[node.id]->setBpm(node.bpm);
            fresh.all[node.id]->playFile(node.file);
            ids.append(node.id);
        }
        QCOMPARE(fresh.ctrl->activeIds(), ids);
        fresh.ctrl->GotNewBPM();

        for (const Node &node : lastRound) {
            const float was = rig.all[node.id]->playbackRate();
            const float now = fresh.all[node.id]->playbackRate();
            QVERIFY2(std::abs(was - now) < 1e-4,
                qPrintable(QStringLiteral("player %1 (%2 BPM) plays at %3 after 200 samples, at %4 freshly")
                               .arg(node.id)
                               .arg(node.bpm)
                               .arg(was)
                               .arg(now)));
        }
    }

    // Matching leaves the tempo sliders out: a row's slider offset rides on top of the rate
    // matching chooses, so a row nudged by hand keeps its nudge through every new sample.
    void tempoSliderRidesOnTop()
    {
        Rig rig;
        Player *const *p = rig.players;
        rig.tempo[0].setValue(4);
        p[0]->play();
        p[1]->play();
        p[1]->next();
        QTRY_VERIFY(isPlaying(p[0]) && isPlaying(p[1]));
        QVERIFY(std::abs(p[0]->playbackRate() - (1.018350 + 0.04)) < 1e-5);
        QCOMPARE(p[0]->bpm(), 91);
        EXPECT_RATE(p[1], 0.981981);
    }

    void matchingOffThenOn()
    {
        Rig rig;
        Player *const *p = rig.players;
        p[0]->play();
        p[1]->play();
        rig.ctrl->toggleMatching();
        QVERIFY(!rig.ctrl->isMatching());
        p[1]->next();
        QTRY_VERIFY(isPlaying(p[0]) && isPlaying(p[1]));
        EXPECT_RATE(p[0], 1.0);
        EXPECT_RATE(p[1], 1.0);
        // The list still follows the players.
        QCOMPARE(rig.ctrl->activeIds(), (QList<int> { 0, 1 }));
        p[0]->pause();
        p[0]->play();
        QCOMPARE(rig.ctrl->activeIds(), (QList<int> { 1, 0 }));

        rig.ctrl->toggleMatching();
        EXPECT_RATE(p[0], 1.0);
        EXPECT_RATE(p[1], 1.0);
        // The next new sample matches again: p1 (140) is now the earlier node, bent by the
        // square root of 3 x 90 / (2 x 140).
        p[1]->next();
        QTRY_VERIFY(isPlaying(p[1]));
        EXPECT_RATE(p[1], 0.981981);
        EXPECT_RATE(p[0], 1.018350);
        QCOMPARE(rig.ctrl->activeIds(), (QList<int> { 0, 1 }));
    }

    void sampleWithoutBpmIsLeftAlone()
    {
        Rig rig;
        Player *const *p = rig.players;
        p[0]->play();
        p[1]->play();
        p[2]->play();
        QCOMPARE(rig.ctrl->activeIds(), (QList<int> { 0, 1, 2 }));

        rig.library->setGenre(Techno);
        p[2]->next(); // pad.wav: no BPM in its name
        QTRY_VERIFY(isPlaying(p[2]));
        QCOMPARE(p[2]->bpm(), 1);
        QCOMPARE(rig.ctrl->activeIds(), (QList<int> { 0, 1 }));
        QCOMPARE(p[2]->playbackRate(), 1.0f);

        // 90 against 70 is nearest to 3:2 (factor 210/180); the row without a BPM keeps
        // playing at exactly 1.0.
        p[1]->next();
        QTRY_VERIFY(isPlaying(p[1]));
        EXPECT_RATE(p[0], 1.080123);
        EXPECT_RATE(p[1], 0.925820);
        QCOMPARE(p[2]->playbackRate(), 1.0f);
        QCOMPARE(p[2]->bpm(), 1);
    }

    void pressedMoveOnTheGridGoesToTheEnd()
    {
        // A press is a start, whether it waits for the bar line or not: the row pressed goes to
        // the end of the matched rows. Only a row that goes on by itself keeps its place.
        Rig rig;
        Player *const *p = rig.players;
        for (int i = 0; i < 2; ++i)
            p[i]->setBarLineFinder([grid = p[0]](double earliestMs) { return grid->nextBarLineMs(earliestMs); });
        p[0]->play();
        p[1]->play();
        QTRY_VERIFY(isPlaying(p[0]) && isPlaying(p[1]));
        QCOMPARE(rig.ctrl->activeIds(), (QList<int> { 0, 1 }));
        // Both heard: the second has joined on the first's bar line, and the grid runs.
        QTRY_VERIFY_WITH_TIMEOUT(p[0]->heardPosition() > 0 && p[1]->heardPosition() > 0, 8000);
        QTest::qWait(300);
        p[0]->next();
        QCOMPARE(p[0]->pastTracks().size(), 0); // waits for the bar line
        QTRY_COMPARE_WITH_TIMEOUT(p[0]->pastTracks().size(), 1, 8000);
        QCOMPARE(rig.ctrl->activeIds(), (QList<int> { 1, 0 }));
    }

    void previousWaitsForTheNextNewSample()
    {
        Rig rig;
        Player *const *p = rig.players;
        p[0]->play();
        p[1]->play();
        p[2]->play();
        // p0 goes on while playing: matched at once, at its old place, then moved last.
        p[0]->next();
        QTRY_VERIFY(isPlaying(p[0]));
        EXPECT_RATE(p[0], 1.063720);
        EXPECT_RATE(p[1], 1.025730);
        EXPECT_RATE(p[2], 0.957348);
        QCOMPARE(rig.ctrl->activeIds(), (QList<int> { 1, 2, 0 }));

        // Coming back pauses p0 first: it is out of the list while its sample starts, so
        // only p1 and p2 are matched, from their own 140 and 100 BPM as if nothing had been
        // matched before, and p0 joins at the end unmatched.
        p[0]->previous();
        QTRY_VERIFY(isPlaying(p[0]));
        QCOMPARE(rig.ctrl->activeIds(), (QList<int> { 1, 2, 0 }));
        EXPECT_RATE(p[0], 1.0);
        EXPECT_RATE(p[1], 1.035098);
        EXPECT_RATE(p[2], 0.966092);

        // The next new sample of any player brings p0 in, as the last node: 140, 100, 90.
        p[1]->next();
        QTRY_VERIFY(isPlaying(p[1]));
        EXPECT_RATE(p[1], 0.999065);
        EXPECT_RATE(p[2], 0.932461);
        EXPECT_RATE(p[0], 1.036067);
        QCOMPARE(rig.ctrl->activeIds(), (QList<int> { 2, 0, 1 }));
    }
};

QTEST_MAIN(TestTempoMatching)
#include "tst_tempo_matching.moc"
