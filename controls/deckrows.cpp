#include "controls/deckrows.h"

#include "deck/qtplayerctl.h"

std::array<DeckRow, 5> DeckRow::of(const QTplayerCtl *deck)
{
    const auto *d = deck;
    return {{
        {d->players[0], d->musicSlider, d->BPMSlider_1, d->playPause_1, d->song1Pin, d->previous1, d->next_1},
        {d->players[1], d->musicSlider_2, d->BPMSlider_2, d->playPause_2, d->song2Pin, d->previous2, d->next_2},
        {d->players[2], d->musicSlider_3, d->BPMSlider_3, d->playPause_3, d->song3Pin, d->previous3, d->next_3},
        {d->importPlayers[0], d->musicSlider_5, d->BPMSlider_5, d->playPause_5, d->songPin5, nullptr, nullptr},
        {d->importPlayers[1], d->musicSlider_4, d->BPMSlider_4, d->playPause_4, d->songPin4, nullptr, nullptr},
    }};
}
