#pragma once

#include <array>

class Player;

// The deck's grid for quantized moves: the bar lines of the first playing row with a BPM
// (rows 1, 2, 3, then the added tracks). A row that moves on or starts while quantizing is on
// lands its new loop's first beat on the grid's next bar line, so that loops stay on the beat.
class BarGrid {
public:
    explicit BarGrid(const std::array<Player *, 5> &players)
        : players(players)
    {
    }

    void setEnabled(bool on) { enabled = on; }
    bool isEnabled() const { return enabled; }

    // The wall time (Player::wallClockMs()) of the first bar line at or after earliestMs;
    // negative when quantizing is off or no row gives a grid, so that moves act at once.
    double nextBarLine(double earliestMs) const;

private:
    std::array<Player *, 5> players;
    bool enabled = true;
};
