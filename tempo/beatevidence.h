#pragma once

#include <QVector>

// What a listen to a sample found, and whether it holds a beat a loop can be matched by. The
// beat tracker names a tempo for anything, a sine or a pad included; a beat needs enough onsets
// (notes, hits) that fall on one grid of sixteenth notes at the tempo found. The thresholds were
// measured on the demo loops and on generated sounds without a beat (the tempo detection
// benchmark): sines, noise, pads, single hits and reversed swells of 0.5-10 s give at most 3
// onsets, the loops at least 6, each with 95-100 % of them on the grid. Pure arithmetic,
// checked by table.
struct BeatEvidence {
    double trackerBpm = 0.0;
    // The tracker's own confidence. Kept for the benchmark's report, not used: it is 0 for
    // most of the demo loops and up to 0.8 for a plain sine.
    double confidence = 0.0;
    double seconds = 0.0;
    // When a note or hit began, in seconds; not those far below the sound's loudest moments.
    QVector<double> onsets;

    static constexpr int kMinOnsets = 6;
    static constexpr double kMinOnGrid = 0.8;
    // How far from a grid line an onset may lie, in sixteenth notes: aubio places onsets to
    // within one analysis step (11.6 ms, a tenth of a sixteenth at 130 BPM), and a swung
    // groove plays every other sixteenth late by a quarter of one.
    static constexpr double kGridTolerance = 0.2;

    // The share of the onsets that lie within kGridTolerance of one grid of sixteenth notes at
    // bpm, placed where it holds the most; 0 without onsets.
    double onGrid(double bpm) const;

    // Whether the sound has a beat at bpm (the tempo refined from the tracker's).
    bool isBeat(double bpm) const;
};
