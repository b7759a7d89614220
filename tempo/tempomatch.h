#pragma once

#include <optional>
#include <vector>

#include "tempo/temporatio.h"

// Matching a row of tempos, oldest first, pair by pair. The result depends on the tempos
// and their order alone: matching the same samples again gives the same rates, whatever
// was matched before, so the deck's tempo never wanders from one new sample to the next.
namespace TempoMatch {

// One neighbouring pair as the walk met it.
struct Pair {
    double earlierBpm = 0.0; // after the pairs before it were matched
    double laterBpm = 0.0; // the later sample's own BPM
    std::optional<TempoRatio::Multiple> multiple; // none: the pair is left as it is

    double ratio() const { return multiple ? multiple->ratio(earlierBpm, laterBpm) : 1.0; }
};

struct Result {
    // One play-rate factor per tempo (1.0 is the sample's own speed).
    std::vector<double> rates;
    // Pair i is (tempo i, tempo i + 1).
    std::vector<Pair> pairs;
};

// Walks the pairs in order from every tempo at its own speed. Each pair's factor r comes
// from TempoRatio::nearestMultiple and is split multiplicatively: the earlier tempo and all
// before it by sqrt(r), the later one by 1 / sqrt(r). The pairs already matched keep their
// ratios (they all move together), and every matched pair ends exactly in its simple ratio.
Result matchTempos(const std::vector<double> &ownBpms);

} // namespace TempoMatch
