#pragma once

#include <cmath>
#include <limits>

#include <QCoreApplication>
#include <QString>

// How loud a sample is (EBU R128) and how much the deck changes it when "Even Loudness" is on:
// every sample is brought to one target loudness, but a quiet sample is never raised so far that
// its true peak would pass the ceiling.
struct Loudness {
    Q_DECLARE_TR_FUNCTIONS(Loudness)

public:
    // Loud enough to sit with commercial loops, quiet enough that three rows at once leave the
    // master limiter little to do.
    static constexpr double kTargetLufs = -16.0;
    static constexpr double kCeilingDbtp = -1.0;

    double lufs = -std::numeric_limits<double>::infinity(); // integrated, or over the sample's length
    // The true peak; or, where it cannot limit the gain, a bound above it (SampleLoudness).
    double truePeakDb = -std::numeric_limits<double>::infinity();

    // False for silence and for what was never measured: such a sample plays as it is.
    bool known() const { return std::isfinite(lufs) && std::isfinite(truePeakDb); }
    // The change in dB that brings the sample to the target, within the ceiling.
    double gainDb() const;
    // True when the ceiling keeps gainDb() short of the target.
    bool limitedByPeak() const { return gainDb() < kTargetLufs - lufs; }
    // The factor a voice plays the sample at: gainDb() when even, else 1.
    float gain(bool even) const;
    // One line for the row's tool tip, e.g. "Loudness -22.4 LUFS, played 6.4 dB louder".
    QString describe(bool even) const;
};
