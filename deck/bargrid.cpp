#include "deck/bargrid.h"

#include "player/player.h"

double BarGrid::nextBarLine(double earliestMs) const
{
    if (!enabled)
        return -1.0;
    for (const Player *player : players) {
        if (!player)
            continue;
        const double bar = player->nextBarLineMs(earliestMs);
        if (bar >= 0)
            return bar;
    }
    return -1.0;
}
