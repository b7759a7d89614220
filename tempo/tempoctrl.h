#pragma once

#include <QList>
#include <QObject>
#include <QPair>

class Player;
class Sampora;

// BPM matching. Keeps the players that play a sample with a usable BPM, oldest first, and
// whenever one of them starts a new sample bends their play rates pair by pair toward a
// simple tempo ratio. It learns what the players do only from their signals and acts only
// through Player::adjustRate().
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

private:
    void match();
    float tempoRatio(int bpm1, int bpm2) const;

    Player **players;
    Player **importPlayers;
    bool matching = true;
    QList<QPair<int, Player *>> activeNodes;
    Sampora **library;
};
