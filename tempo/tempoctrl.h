#pragma once

#include <QList>
#include <QObject>
#include <QPair>

#include <vector>

#include "player/player.h"

class Sampora;

// BPM matching. Keeps the players that play a sample with a usable BPM, oldest first, and
// whenever one of them starts a new sample sets their play rates so that each neighbouring
// pair plays in a simple tempo ratio (see TempoMatch). It learns what the players do only
// from their signals and acts only through Player::adjustRate().
class TempoCTRL : public QObject {
    Q_OBJECT
public:
    // The deck passes the addresses of its three library players, its two added-track
    // players and its library model; the sequences are read at every use, never copied.
    TempoCTRL(Player **players, Player **importPlayers, Sampora **library);

    void toggleMatching();
    bool isMatching() const { return matching; }

    // Player ids of the active nodes, oldest first.
    QList<int> activeIds() const;

public slots:
    void GotNewBPM();
    void IsStopped(int PID);
    void IsPlaying(int PID);
    // Works out the rates the next seam heard will bring (a matched row going on to a sample
    // of another tempo) and tells every matched row in advance, so that all change together.
    void planNextSeam();

private:
    void match();
    // The rate factor of every matched row (in the order of activeNodes) once the rows whose
    // seams are heard at wall time `at` have gone on.
    std::vector<double> ratesAfterSeamsAt(const std::vector<Player::Seam> &seams, double at) const;
    // Hands the player the change that takes its rate factor to `target`.
    static void moveRateTo(Player *player, double target);
    float tempoRatio(int bpm1, int bpm2) const;

    Player **players;
    Player **importPlayers;
    bool matching = true;
    QList<QPair<int, Player *>> activeNodes;
    Sampora **library;
};
