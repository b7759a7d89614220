#pragma once

#include <QtGlobal>

#include "player/loudness.h"

// The loudness of a whole decoded sample, for the decoding workers: the integrated measure
// LoudnessMeter makes (the same K-weighting and gating, to within a hundredth of a LU), at a
// tenth of its cost, and the true peak only where it can change the gain the sample plays at.
// Where it cannot (a sample that is lowered, or raised too little to reach the ceiling), the
// peak kept is a bound above the true peak: the sample peak plus the most the oversampling can
// add. So Loudness::gainDb() comes out as the full measure's, and a bound kept in the cache
// stays safe should the target ever change.
class SampleLoudness {
public:
    // Interleaved PcmFormat frames.
    static Loudness measure(const qint16 *frames, qint64 count);

    // The most a true peak lies above the sample peak of the frames around it, in dB. Measured
    // with libebur128's oversampling: a minute of random full-scale +1/-1 frames, which holds
    // every sign pattern its taps can see and so reaches the filter's worst case, peaks 5.4 dB
    // over; white noise 4.7 dB, a sine at a quarter of the rate 3.1 dB, clipped or band-limited
    // loops well under 1 dB. 6 dB leaves room for rounding.
    static constexpr double kMaxOvershootDb = 6.0;
};
