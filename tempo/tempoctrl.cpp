#include "tempo/tempoctrl.h"

#include <cmath>
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
    eachPlayer([this](Player *p) { connect(p, &Player::SeamKnown, this, &TempoCTRL::planNextSeam); });
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
    planNextSeam();
}

void TempoCTRL::planNextSeam()
{
    if (!matching || activeNodes.size() < 2)
        return;
    // The earliest seam ahead at which a matched row takes up another tempo: the new sample
    // makes the controller match again, from the rows' own tempos in the same order.
    const double now = Player::wallClockMs();
    std::vector<Player::Seam> seams;
    double at = -1.0;
    for (const auto &node : activeNodes) {
        const Player::Seam seam = node.second->nextSeam();
        seams.push_back(seam);
        // A seam heard a moment ago still counts: the rows of one bar line report it within a
        // poll or two of each other, and the rates wanted are those after the last of them.
        if (seam.heardMs > now - Player::kSameSeamMs && seam.bpm > kMinUsableBpm && seam.bpm != node.second->currentTrack().baseBpm
            && (at < 0 || seam.heardMs < at))
            at = seam.heardMs;
    }
    if (at < 0)
        return;
    std::vector<double> ownBpms;
    std::vector<Player *> rows;
    for (qsizetype k = 0; k < activeNodes.size(); ++k) {
        const Player::Seam &seam = seams[std::size_t(k)];
        double bpm = activeNodes.at(k).second->currentTrack().baseBpm;
        if (seam.heardMs >= 0 && std::abs(seam.heardMs - at) < Player::kSameSeamMs) {
            if (seam.bpm <= kMinUsableBpm)
                continue; // a row going on to a sample without a tempo leaves the matched rows
            bpm = seam.bpm;
        }
        ownBpms.push_back(bpm);
        rows.push_back(activeNodes.at(k).second);
    }
    if (rows.size() < 2)
        return;
    const TempoMatch::Result result = TempoMatch::matchTempos(ownBpms);
    qCDebug(lcTempo) << "next seam in" << at - now << "ms: tempos" << ownBpms << "rates" << result.rates;
    for (std::size_t k = 0; k < rows.size(); ++k)
        rows[k]->expectRate(float(result.rates[k]), at);
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
