#include "render/renderjob.h"

#include <algorithm>
#include <cmath>

int RenderJob::barsCovering(double seconds, double gridBpm)
{
    const double barSeconds = 4 * 60.0 / gridBpm;
    // A loop cut to exactly n bars must not get an extra bar from rounding in its length.
    const double bars = std::ceil(seconds / barSeconds - 1e-3);
    return std::max(1, int(bars));
}
