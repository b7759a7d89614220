#pragma once

#include <array>

class Player;
class QAbstractButton;
class QAbstractSlider;
class QTplayerCtl;

// The widgets of one row of the deck, by player id (0 to 2 the library rows, 3 and 4 the added
// tracks, which have no previous and next buttons).
struct DeckRow {
    Player *player = nullptr;
    QAbstractSlider *position = nullptr;
    QAbstractSlider *tempo = nullptr;
    QAbstractButton *hold = nullptr; // the row's play/pause sign
    QAbstractButton *repeat = nullptr;
    QAbstractButton *previous = nullptr;
    QAbstractButton *next = nullptr;

    static std::array<DeckRow, 5> of(const QTplayerCtl *deck);
};
