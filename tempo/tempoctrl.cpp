#include "tempo/tempoctrl.h"

#include <algorithm>
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
    // The seams ahead, earliest first; seams of several rows this close together are one. A
    // seam heard a moment ago still counts: the rows of one bar line report it within a poll or
    // two of each other, and the rates wanted are those after the last of them.
    const double now = Player::wallClockMs();
    std::vector<Player::Seam> seams;
    std::vector<double> moments;
    for (const auto &node : activeNodes) {
        const Player::Seam seam = node.second->nextSeam();
        seams.push_back(seam);
        if (seam.heardMs > now - Player::kSameSeamMs)
            moments.push_back(seam.heardMs);
    }
    std::sort(moments.begin(), moments.end());
    for (std::size_t m = 0; m < moments.size(); ++m) {
        if (m > 0 && moments[m] - moments[m - 1] < Player::kSameSeamMs)
            continue;
        const std::vector<double> rates = ratesAfterSeamsAt(seams, moments[m]);
        bool changes = false;
        for (qsizetype k = 0; k < activeNodes.size(); ++k)
            changes = changes || std::abs(rates[std::size_t(k)] - double(activeNodes.at(k).second->currentTrack().rate)) > 1e-6;
        if (!changes)
            continue; // a seam that leaves every rate as it is needs no warning
        qCDebug(lcTempo) << "next seam in" << moments[m] - now << "ms: rates" << rates;
        for (qsizetype k = 0; k < activeNodes.size(); ++k)
            activeNodes.at(k).second->expectRate(float(rates[std::size_t(k)]), moments[m]);
        return;
    }
}

std::vector<double> TempoCTRL::ratesAfterSeamsAt(const std::vector<Player::Seam> &seams, double at) const
{
    // Plays through what the rows at that seam will report, in the order of the matched rows:
    // each new sample is matched where its row stands (NewBPM), then a pressed row goes to the
    // end (Playing); a row going back leaves the matched rows first and comes back unmatched.
    std::vector<double> rates;
    std::vector<double> bpms;
    std::vector<std::size_t> order; // indexes into activeNodes, as the rows will stand
    for (qsizetype k = 0; k < activeNodes.size(); ++k) {
        rates.push_back(double(activeNodes.at(k).second->currentTrack().rate));
        bpms.push_back(activeNodes.at(k).second->currentTrack().baseBpm);
        order.push_back(std::size_t(k));
    }
    const auto matchInOrder = [&] {
        if (order.size() < 2)
            return;
        std::vector<double> ownBpms;
        for (std::size_t k : order)
            ownBpms.push_back(bpms[k]);
        const TempoMatch::Result result = TempoMatch::matchTempos(ownBpms);
        for (std::size_t i = 0; i < order.size(); ++i)
            rates[order[i]] = result.rates[i];
    };
    const auto leave = [&](std::size_t k) { order.erase(std::find(order.begin(), order.end(), k)); };
    for (std::size_t k = 0; k < seams.size(); ++k) {
        const Player::Seam &seam = seams[k];
        if (seam.heardMs < 0 || std::abs(seam.heardMs - at) >= Player::kSameSeamMs)
            continue;
        bpms[k] = seam.bpm;
        if (seam.bpm <= kMinUsableBpm) {
            leave(k); // a sample without a tempo has nothing to match: its row leaves
            rates[k] = 1.0;
            continue;
        }
        if (seam.previous) {
            leave(k);
            matchInOrder();
            rates[k] = 1.0;
            order.push_back(k);
            continue;
        }
        matchInOrder();
        if (seam.pressed) {
            leave(k);
            order.push_back(k);
        }
    }
    return rates;
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
