#pragma once

#include <array>

#include <QtGlobal>

#include "render/renderjob.h"

class Player;

// The deck's mix as an export renders it: each playing row with the copy it plays and where
// that copy stands at one bar line of the grid, so that the file starts as the deck sounded
// on that bar and every row keeps its place against the others.
namespace MixSnapshot {

// The bar line is the latest start of a pass of the first row with a BPM (rows 1 to 3, then
// the added tracks) at or before `nowFrame` (a deck frame: the mixer's read head); with no
// such row, the first playing row's. `volume` is the deck's slider (0 when muted).
RenderJob of(const std::array<Player *, 5> &players, qint64 nowFrame, int volume, bool evenLoudness);

} // namespace MixSnapshot
