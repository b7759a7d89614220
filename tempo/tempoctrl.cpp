#include "tempo/tempoctrl.h"

#include <exception>
#include <vector>

#include <QDebug>
#include <QString>

#include "library/logcategories.h"
#include "library/sampletypes.h"
#include "player/player.h"
#include "tempo/tempomatch.h"
#include "tempo/temporatio.h"

namespace {
constexpr int kLibraryPlayers = 3;
constexpr int kImportPlayers = 2;
} // namespace

TempoCTRL::TempoCTRL(Player **players, Player **importPlayers, Sampora **library)
    : QObject(nullptr)
    , players(players)
    , importPlayers(importPlayers)
    , library(library)
{
    // All NewBPM() first, then all Playing(int), then all Stopped(int): with direct
    // connections this order is the order the slots run in.
    const auto eachPlayer = [&](auto connectOne) {
        for (int i = 0; i < kLibraryPlayers; ++i)
            if (this->players[i])
                connectOne(this->players[i]);
        for (int i = 0; i < kImportPlayers; ++i)
            if (this->importPlayers[i])
                connectOne(this->importPlayers[i]);
    };
    eachPlayer([this](Player *p) { connect(p, &Player::NewBPM, this, &TempoCTRL::GotNewBPM); });
    eachPlayer([this](Player *p) { connect(p, &Player::Playing, this, &TempoCTRL::IsPlaying); });
    eachPlayer([this](Player *p) { connect(p, &Player::Stopped, this, &TempoCTRL::IsStopped); });
}

void TempoCTRL::toggleMatching()
{
    matching = !matching;
}

QList<int> TempoCTRL::activeIds() const
{
    QList<int> ids;
    for (const auto &node : activeNodes)
        ids.append(node.first);
    return ids;
}

void TempoCTRL::GotNewBPM()
{
    qCDebug(lcTempo) << "got new BPM emitted";
    if (!matching)
        return;
    // A fault in one round of matching must not take the deck down with it: the rates
    // changed so far stay, the next new sample tries again.
    try {
        match();
    } catch (const std::exception &e) {
        qCDebug(lcTempo) << "ERROR!:" << e.what();
    } catch (const QString &text) {
        qCDebug(lcTempo) << "Error!" << text;
    } catch (const char *text) {
        qCDebug(lcTempo) << "Error!" << text;
    } catch (const std::string &text) {
        qCDebug(lcTempo) << "Error!" << text.c_str();
    } catch (...) {
        qCDebug(lcTempo) << "unknown ERROR!!!!!";
    }
}

void TempoCTRL::IsStopped(int PID)
{
    qCDebug(lcTempo) << "is stopped recieved from player " << PID;
    for (auto it = activeNodes.begin(); it != activeNodes.end(); ++it) {
        if (it->first == PID) {
            activeNodes.erase(it);
            return;
        }
    }
}

void TempoCTRL::IsPlaying(int PID)
{
    qCDebug(lcTempo) << "is Paying from player " << PID;
    Player *found = nullptr;
    for (int i = 0; i < kLibraryPlayers && !found; ++i)
        if (players[i] && players[i]->playerId() == PID)
            found = players[i];
    for (int i = 0; i < kImportPlayers && !found; ++i)
        if (importPlayers[i] && importPlayers[i]->playerId() == PID)
            found = importPlayers[i];

    // A row that went on to its next sample by itself keeps its place: the rates depend on the
    // order of the rows, and rows that took turns at the end would bend the deck's tempo to and
    // fro at every pass.
    if (found && found->movesOnByItself() && found->bpm() > kMinUsableBpm && activeIds().contains(PID))
        return;
    // A player that reports playing again moves to the end of the list.
    IsStopped(PID);

    // A sample without a usable BPM has nothing to match: its player never joins, so its
    // rate is never touched.
    if (found && found->bpm() > kMinUsableBpm) {
        activeNodes.append({ PID, found });
        qCDebug(lcTempo) << PID << " is an active node";
    }
}

void TempoCTRL::match()
{
    const qsizetype n = activeNodes.size();
    if (n < 2)
        return;
    qCDebug(lcTempo) << "num Active Nodes=" << n;
    // Every round starts again from the samples' own BPMs, never from the rates the last
    // round left behind: rounds would otherwise pile up and the deck's tempo would wander.
    std::vector<double> ownBpms;
    ownBpms.reserve(std::size_t(n));
    for (const auto &node : activeNodes)
        ownBpms.push_back(node.second->currentTrack().baseBpm);
    const TempoMatch::Result result = TempoMatch::matchTempos(ownBpms);

    for (std::size_t i = 0; i < result.pairs.size(); ++i) {
        const TempoMatch::Pair &pair = result.pairs[i];
        qCDebug(lcTempo) << "rate =" << QString::number(pair.ratio(), 'f', 3) << " BPM1:" << pair.earlierBpm
                 << " BPM2:" << pair.laterBpm << " On Nodes" << i << " and " << i + 1;
    }
    for (qsizetype k = 0; k < n; ++k)
        moveRateTo(activeNodes.at(k).second, result.rates[std::size_t(k)]);
}

void TempoCTRL::moveRateTo(Player *player, double target)
{
    // adjustRate adds the change to the player's rate, or to 1.0 when that rate is below
    // 0.5, so the change is taken from the same base.
    const float current = player->currentTrack().rate;
    const float base = current < 0.5f ? 1.0f : current;
    player->adjustRate(float(target - double(base)));
}

float TempoCTRL::tempoRatio(int bpm1, int bpm2) const
{
    return TempoRatio::tempoRatio(bpm1, bpm2);
}
