#include <QtTest>

#include <array>
#include <cmath>
#include <memory>

#include <QCheckBox>
#include <QSlider>

#include "library/sampora.h"
#include "player/player.h"
#include "player/vlcplayback.h"
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

// The rate libvlc plays at (read back from libvlc), within a thousandth.
void expectRate(Player *player, double expected)
{
    const float actual = player->playbackRate();
    QVERIFY2(std::abs(actual - expected) < 0.001,
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
        for (const char *dir :
            { "hiphop/melody", "hiphop/beat", "hiphop/bass", "techno/beat", "techno/bass" })
            QVERIFY(QDir(programDir.path()).mkpath(QLatin1String(dir)));
        writeSample(QStringLiteral("hiphop/melody/melody 90.wav"));
        writeSample(QStringLiteral("hiphop/beat/beat 140.wav"));
        writeSample(QStringLiteral("hiphop/bass/bass 100.wav"));
        writeSample(QStringLiteral("techno/beat/beat 70.wav"));
        writeSample(QStringLiteral("techno/bass/pad.wav"));
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

        // 90 against 140 is nearest to 2:3 (ratio 280/270): half of the bend on each side.
        p[1]->next();
        QTRY_VERIFY(isPlaying(p[0]) && isPlaying(p[1]));
        EXPECT_RATE(p[0], 1.01852);
        EXPECT_RATE(p[1], 0.98148);
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
        // Pair (0, 1): 90/140 as above, leaving 91 and 137. Pair (1, 2), read after that:
        // 137 against 100 is nearest to 3:2 (ratio 300/274); node 0 moves with node 1.
        EXPECT_RATE(p[0], 1.06596);
        EXPECT_RATE(p[1], 1.02893);
        EXPECT_RATE(p[2], 0.95255);
        QCOMPARE(p[0]->bpm(), 95);
        QCOMPARE(p[1]->bpm(), 144);
        QCOMPARE(p[2]->bpm(), 95);
        // Each pair now sits close to its simple ratio.
        QVERIFY(std::abs(p[1]->bpm() / double(p[0]->bpm()) - 1.5) < 0.02);
        QVERIFY(std::abs(p[1]->bpm() / double(p[2]->bpm()) - 1.5) < 0.02);
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
        // The next new sample matches again: p1 (140) is now the earlier node.
        p[1]->next();
        QTRY_VERIFY(isPlaying(p[1]));
        EXPECT_RATE(p[1], 1.0 + (540.0 / 560.0 - 1.0) / 2); // 3 x 90 / (2 x 140), split
        EXPECT_RATE(p[0], 1.0 - (540.0 / 560.0 - 1.0) / 2);
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

        // 90 against 70 is nearest to 3:2 (ratio 210/180); the row without a BPM keeps
        // playing at exactly 1.0.
        p[1]->next();
        QTRY_VERIFY(isPlaying(p[1]));
        EXPECT_RATE(p[0], 1.08333);
        EXPECT_RATE(p[1], 0.91667);
        QCOMPARE(p[2]->playbackRate(), 1.0f);
        QCOMPARE(p[2]->bpm(), 1);
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
        EXPECT_RATE(p[0], 1.06596);
        EXPECT_RATE(p[1], 1.02893);
        EXPECT_RATE(p[2], 0.95255);
        QCOMPARE(rig.ctrl->activeIds(), (QList<int> { 1, 2, 0 }));

        // Coming back pauses p0 first: it is out of the list while its sample starts, so
        // only p1 and p2 are matched (144 against 95), and p0 joins at the end unmatched.
        p[0]->previous();
        QTRY_VERIFY(isPlaying(p[0]));
        QCOMPARE(rig.ctrl->activeIds(), (QList<int> { 1, 2, 0 }));
        EXPECT_RATE(p[0], 1.0);
        EXPECT_RATE(p[1], 1.02372);
        EXPECT_RATE(p[2], 0.95776);

        // The next new sample of any player brings p0 in, as the last node.
        p[1]->next();
        QTRY_VERIFY(isPlaying(p[1]));
        EXPECT_RATE(p[1], 0.98765);
        EXPECT_RATE(p[2], 0.92756);
        EXPECT_RATE(p[0], 1.02128);
        QCOMPARE(rig.ctrl->activeIds(), (QList<int> { 2, 0, 1 }));
    }
};

QTEST_MAIN(TestTempoMatching)
#include "tst_tempo_matching.moc"
