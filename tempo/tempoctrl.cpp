#include "tempo/tempoctrl.h"

#include <exception>

#include <QDebug>
#include <QString>

#include "library/sampletypes.h"
#include "player/player.h"
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
    qDebug() << "got new BPM emitted";
    if (!matching)
        return;
    // A fault in one round of matching must not take the deck down with it: the rates
    // changed so far stay, the next new sample tries again.
    try {
        match();
    } catch (const std::exception &e) {
        qDebug() << "ERROR!:" << e.what();
    } catch (const QString &text) {
        qDebug() << "Error!" << text;
    } catch (const char *text) {
        qDebug() << "Error!" << text;
    } catch (const std::string &text) {
        qDebug() << "Error!" << text.c_str();
    } catch (...) {
        qDebug() << "unknown ERROR!!!!!";
    }
}

void TempoCTRL::IsStopped(int PID)
{
    qDebug() << "is stopped recieved from player " << PID;
    for (auto it = activeNodes.begin(); it != activeNodes.end(); ++it) {
        if (it->first == PID) {
            activeNodes.erase(it);
            return;
        }
    }
}

void TempoCTRL::IsPlaying(int PID)
{
    qDebug() << "is Paying from player " << PID;
    // A player that reports playing again moves to the end of the list.
    IsStopped(PID);

    Player *found = nullptr;
    for (int i = 0; i < kLibraryPlayers && !found; ++i)
        if (players[i] && players[i]->playerId() == PID)
            found = players[i];
    for (int i = 0; i < kImportPlayers && !found; ++i)
        if (importPlayers[i] && importPlayers[i]->playerId() == PID)
            found = importPlayers[i];

    // A sample without a usable BPM has nothing to match: its player never joins, so its
    // rate is never touched.
    if (found && found->bpm() > kMinUsableBpm) {
        activeNodes.append({ PID, found });
        qDebug() << PID << " is an active node";
    }
}

void TempoCTRL::match()
{
    const qsizetype n = activeNodes.size();
    if (n < 2)
        return;
    qDebug() << "num Active Nodes=" << n;
    for (qsizetype i = 0; i + 1 < n; ++i) {
        // Read now: the changes made for the earlier pairs are already in these tempos.
        const int a = activeNodes.at(i).second->bpm();
        const int b = activeNodes.at(i + 1).second->bpm();
        const float r = tempoRatio(a, b);
        qDebug() << "rate =" << QString::number(double(r), 'f', 3) << " BPM1:" << a << " BPM2:" << b
                 << " On Nodes" << i << " and " << i + 1;
        const TempoRatio::RateSplit split = TempoRatio::splitRatio(r);
        // Everything before the pair moves with its earlier side, so the pairs matched
        // already stay matched.
        for (qsizetype j = 0; j <= i; ++j)
            activeNodes.at(j).second->adjustRate(split.earlier);
        activeNodes.at(i + 1).second->adjustRate(split.later);
    }
}

float TempoCTRL::tempoRatio(int bpm1, int bpm2) const
{
    return TempoRatio::tempoRatio(bpm1, bpm2);
}
