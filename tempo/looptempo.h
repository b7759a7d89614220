#pragma once

// Turns a beat tracker's tempo estimate into a sample's BPM using the sample's length.
// Loops are cut to whole bars, so a loop's tempo is 240 x bars / seconds exactly; the tracker
// only has to say which bar count is meant. It is often off by an octave, or locks on a
// dotted pulse (4/3 or 2/3 of the beat) in syncopated bass and melody lines: both are
// recognised by their relation to the whole-bar tempos and resolved toward the tempos loops
// are usually made at. Pure arithmetic, so it can be checked by table.
namespace LoopTempo {

// Tempos outside this range are not reported: slower or faster pulses are read as half or
// double of one inside it.
constexpr double kMinBpm = 60.0;
constexpr double kMaxBpm = 200.0;

// Shorter than one bar at the fastest tempo: a one-shot, which has no tempo to match.
constexpr double kMinSeconds = 1.2;

// The BPM of a sample of the given length whose beat tracker estimated trackerBpm, or -1
// when it has none (too short, or no pulse found). Whole-bar loops of 1, 2, 4, 8 ... bars
// get their exact tempo; other samples get the tracker's estimate folded into the range.
int refine(double trackerBpm, double seconds);

} // namespace LoopTempo
