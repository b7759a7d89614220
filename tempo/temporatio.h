#pragma once

#include <optional>

// The arithmetic of BPM matching, kept free of players and widgets so it can be checked
// against a table of tempo pairs.
namespace TempoRatio {

// Tempos below this carry no information to match on.
constexpr int kMinBpm = 1;

// The simple ratios a pair of tempos is bent toward are accepted only within these bounds;
// anything further away would audibly distort the samples.
constexpr float kMinRatio = 0.8f;
constexpr float kMaxRatio = 2.5f;

// One of the simple multiples a pair is bent toward: the earlier tempo A is to meet
// B x timesB / timesA, so the pair ends with later / earlier = timesA / timesB.
struct Multiple {
    int timesB = 1;
    int timesA = 1;

    // The factor by which A would have to be multiplied to get there.
    double ratio(double bpm1, double bpm2) const { return timesB * bpm2 / (timesA * bpm1); }
    // The tempo ratio later / earlier of a matched pair.
    double targetRatio() const { return double(timesA) / timesB; }
};

// The nearest of B, B/2, B/4, 2B, 4B, B/3, 3B, 2B/3 and 3B/2 (B = bpm2) to the earlier
// tempo bpm1, or nothing when either tempo is unusable (below kMinBpm) or the factor
// bpm1 would need lies outside [kMinRatio, kMaxRatio]. Of two equally near multiples the
// one earlier in that list wins; for whole tempos the distances are compared exactly.
std::optional<Multiple> nearestMultiple(double bpm1, double bpm2);

// The factor by which the earlier tempo bpm1 would have to be multiplied to reach the
// nearest multiple above, or 1.0 when there is none. Exact for every pair of ints.
float tempoRatio(int bpm1, int bpm2);

// How a pair's factor is shared: the earlier side (and every node before it) multiplies its
// rate by `earlier`, the later side by `later`, so that earlier / later = the factor.
struct RateSplit {
    double earlier = 1.0;
    double later = 1.0;
};

// Half of the bend on each side, multiplicatively: sqrt(ratio) and 1 / sqrt(ratio).
RateSplit splitRatio(double ratio);

} // namespace TempoRatio
