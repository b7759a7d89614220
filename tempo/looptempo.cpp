#include "tempo/looptempo.h"

#include <cmath>
#include <vector>

namespace LoopTempo {

namespace {

// Where loops of unknown style most likely sit: between hip hop and house. Of two whole-bar
// tempos an octave apart that the tracker cannot tell between, the one nearer wins.
constexpr double kUsualBpm = 110.0;

// Longer samples are songs or takes, not loops.
constexpr double kMaxBars = 32.0;

// How far, in octaves, the tracker may read from a whole-bar tempo (or an octave of it) and
// still mean it; it reads about 1-2 % fast, and MP3 lengths are known to half an MP3 frame.
constexpr double kOnGrid = 0.04;
// The same for a dotted pulse, kept tighter: a sample that is not a loop at all should
// rarely be mistaken for one.
constexpr double kOnDottedPulse = 0.03;

double octaves(double from, double to)
{
    return std::log2(to / from);
}

double distanceToWhole(double x)
{
    return std::abs(x - std::round(x));
}

int folded(double bpm)
{
    while (bpm < kMinBpm)
        bpm *= 2.0;
    while (bpm > kMaxBpm)
        bpm /= 2.0;
    return int(std::lround(bpm));
}

} // namespace

int refine(double trackerBpm, double seconds)
{
    if (!(seconds >= kMinSeconds) || !(trackerBpm > 0.0) || !std::isfinite(trackerBpm))
        return -1;

    // Loops of 1, 2, 4, 8 ... bars: the tempos they can have are an octave apart.
    std::vector<double> wholeBars;
    for (double bars = 1.0; bars <= kMaxBars; bars *= 2.0) {
        const double bpm = 240.0 * bars / seconds;
        if (bpm > kMaxBpm)
            break;
        if (bpm >= kMinBpm)
            wholeBars.push_back(bpm);
    }
    if (wholeBars.empty())
        return folded(trackerBpm);

    for (double bpm : wholeBars) {
        if (std::abs(octaves(bpm, trackerBpm)) < kOnGrid)
            return int(std::lround(bpm));
    }

    // The tracker heard an octave of the bar grid, or a pulse of three sixteenths or three
    // eighths (4/3 or 2/3 of a whole-bar tempo, which are one octave class).
    const double position = octaves(wholeBars.front(), trackerBpm);
    const double withinOctave = position - std::floor(position);
    const bool onGrid = distanceToWhole(position) < kOnGrid;
    const bool onDottedPulse = std::abs(withinOctave - std::log2(4.0 / 3.0)) < kOnDottedPulse
        || std::abs(withinOctave - std::log2(3.0 / 2.0)) < kOnDottedPulse;
    if (!onGrid && !onDottedPulse)
        return folded(trackerBpm);

    double best = wholeBars.front();
    for (double bpm : wholeBars) {
        if (std::abs(octaves(kUsualBpm, bpm)) < std::abs(octaves(kUsualBpm, best)))
            best = bpm;
    }
    return int(std::lround(best));
}

} // namespace LoopTempo
