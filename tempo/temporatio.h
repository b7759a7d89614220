#pragma once

// The arithmetic of BPM matching, kept free of players and widgets so it can be checked
// against a table of tempo pairs.
namespace TempoRatio {

// Tempos below this carry no information to match on.
constexpr int kMinBpm = 1;

// The simple ratios a pair of tempos is bent toward are accepted only within these bounds;
// anything further away would audibly distort the samples.
constexpr float kMinRatio = 0.8f;
constexpr float kMaxRatio = 2.5f;

// The factor by which the earlier tempo bpm1 would have to be multiplied to reach the
// nearest of B, B/2, B/4, 2B, 4B, B/3, 3B, 2B/3 and 3B/2 (B = bpm2), or 1.0 when either
// tempo is unusable or that factor lies outside [kMinRatio, kMaxRatio]. Distances are
// compared exactly, so of two equally near ratios the one earlier in that list wins.
float tempoRatio(int bpm1, int bpm2);

// A pair's ratio split between its two sides: the earlier side (and every node before it)
// changes its rate by `earlier`, the later side by `later`.
struct RateSplit {
    float earlier = 0.0f;
    float later = 0.0f;
};

// Half of (ratio - 1) up on one side and down on the other, each side's new factor
// rounded to single precision as the players store it.
RateSplit splitRatio(float ratio);

} // namespace TempoRatio
