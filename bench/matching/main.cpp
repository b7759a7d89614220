// How exactly BPM matching puts the rows in their chosen tempo ratios. Real players on
// libvlc and the real tempo controller play 1,000 random scenes of 2 to 5 rows; after the
// last row of a scene starts a new sample, every pair of rows is compared with the ratio
// matching chose for it, using the rates libvlc reports, and once more with those rates in the
// steps libvlc 3 really plays them at. Prints "key: value" lines.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLoggingCategory>
#include <QRandomGenerator>
#include <QSlider>

#include "library/paths.h"
#include "library/sampletypes.h"
#include "library/sampora.h"
#include "player/player.h"
#include "tempo/tempoctrl.h"
#include "tempo/tempomatch.h"
#include "tools/audiogen.h"

namespace {

constexpr int kScenes = 1000;
constexpr int kRows = 5;

// The deck's five rows with their widgets, wired to a tempo controller as the deck does.
class Deck {
public:
    explicit Deck(Sampora *library)
        : library(library)
    {
        for (int id = 0; id < kRows; ++id) {
            tempo[id].setRange(-16, 16);
            QAbstractSlider *p = &position[id];
            QAbstractSlider *t = &tempo[id];
            QAbstractButton *h = &hold[id];
            rows[id] = std::make_unique<Player>(id, &p, &t, &this->library, &h, Bass);
        }
        for (int id = 0; id < 3; ++id)
            libraryPlayers[id] = rows[id].get();
        for (int id = 3; id < kRows; ++id)
            importPlayers[id - 3] = rows[id].get();
        ctrl = std::make_unique<TempoCTRL>(libraryPlayers, importPlayers, &this->library);
    }

    Player *row(int id) const { return rows[std::size_t(id)].get(); }
    const TempoCTRL &controller() const { return *ctrl; }

private:
    Sampora *library;
    std::array<QSlider, kRows> position;
    std::array<QSlider, kRows> tempo;
    std::array<QCheckBox, kRows> hold;
    std::array<std::unique_ptr<Player>, kRows> rows;
    Player *libraryPlayers[3] {};
    Player *importPlayers[2] {};
    std::unique_ptr<TempoCTRL> ctrl;
};

// libvlc 3 turns a play rate r into the whole number 1000 / r (cut toward zero) and plays at
// 1000 over that number: rates near 1.0 move in steps of about a thousandth.
double libvlcStep(float rate)
{
    return 1000.0 / int(1000.0f / rate);
}

double tempoOf(const Player *player, bool inLibvlcSteps)
{
    const float rate = player->playbackRate();
    return player->currentTrack().baseBpm * (inLibvlcSteps ? libvlcStep(rate) : double(rate));
}

// The largest relative error, over every pair of active rows, of later / earlier against
// the product of the ratios chosen for the neighbouring pairs between them. Pairs with a
// neighbouring pair that matching left alone are not bent toward anything and are skipped.
double sceneError(const Deck &deck, bool inLibvlcSteps)
{
    const QList<int> ids = deck.controller().activeIds();
    std::vector<double> ownBpms;
    for (int id : ids)
        ownBpms.push_back(deck.row(id)->currentTrack().baseBpm);
    const TempoMatch::Result chosen = TempoMatch::matchTempos(ownBpms);

    double worst = 0.0;
    for (qsizetype i = 0; i < ids.size(); ++i) {
        double expected = 1.0;
        for (qsizetype j = i + 1; j < ids.size(); ++j) {
            const auto &multiple = chosen.pairs[std::size_t(j - 1)].multiple;
            if (!multiple)
                break;
            expected *= multiple->targetRatio();
            const double actual
                = tempoOf(deck.row(ids[j]), inLibvlcSteps) / tempoOf(deck.row(ids[i]), inLibvlcSteps);
            worst = std::max(worst, std::abs(actual / expected - 1.0));
        }
    }
    return worst;
}

} // namespace

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // The players' and controller's debug lines would drown the figures.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));

    QString root = qEnvironmentVariable("SAMPORA_BENCH_DIR");
    if (root.isEmpty())
        root = QDir::tempPath();
    const QString dir = root + QStringLiteral("/matching");
    QDir(dir).removeRecursively();
    QDir().mkpath(dir);
    Paths::setProgramDir(dir); // no config.xml: an empty library
    // Long enough that no sample ends during a scene.
    const QString sample = dir + QStringLiteral("/loop.wav");
    if (!AudioGen::writeWav(sample, AudioGen::tone(30.0, 220.0, 0.2, 8000, 1))) {
        std::fprintf(stderr, "bench_matching: cannot write %s\n", qPrintable(sample));
        return 1;
    }

    Sampora library(HipHop);
    Deck deck(&library);
    QRandomGenerator random(20261210);
    double worst = 0.0;
    double worstInSteps = 0.0;
    int pairsCompared = 0;
    for (int scene = 0; scene < kScenes; ++scene) {
        for (int id = 0; id < kRows; ++id)
            deck.row(id)->stop();
        const int rows = random.bounded(2, kRows + 1);
        std::vector<int> bpms;
        for (int id = 0; id < rows; ++id)
            bpms.push_back(random.bounded(51, 220)); // the range file names give
        // Rows join one after the other; the last one's next sample matches them all.
        for (int id = 0; id < rows; ++id) {
            deck.row(id)->setBpm(bpms[std::size_t(id)]);
            deck.row(id)->playFile(sample);
        }
        deck.row(rows - 1)->setBpm(bpms.back());
        deck.row(rows - 1)->playFile(sample);
        worst = std::max(worst, sceneError(deck, false));
        worstInSteps = std::max(worstInSteps, sceneError(deck, true));
        pairsCompared += rows * (rows - 1) / 2;
    }
    for (int id = 0; id < kRows; ++id)
        deck.row(id)->stop();

    std::printf("matched_ratio_error: %.7f\n", worst);
    std::printf("matched_ratio_pairs: %d\n", pairsCompared);
    // What the rows are heard at, given the steps libvlc 3 plays rates in.
    std::printf("matched_ratio_error_libvlc_steps: %.7f\n", worstInSteps);
    Paths::setProgramDir(QString());
    return 0;
}
