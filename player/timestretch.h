#pragma once

#include <memory>

#include "player/decodedsample.h"

// Plays a sample faster or slower with its pitch kept, by making a stretched copy of it
// (Rubber Band). The copy is made as a loop: its end runs on into its start without a seam,
// and it lasts exactly as long as the sample at that rate, to the frame, so that repeats and
// matched rows stay on the beat for as long as they play.
class TimeStretch {
public:
    // The copy that plays `source` (or the file `source` is a copy of) at `rate` (1.1 is 10%
    // faster); the file's own decoding when the rate is 1. A song streamed from disk gets a
    // copy that is stretched as it streams (SongStretch), ready where `source` is read now.
    // Safe to call on several threads at once; takes tens of milliseconds per second of audio,
    // so it belongs on a worker thread.
    static std::shared_ptr<const DecodedSample> stretch(const std::shared_ptr<const DecodedSample> &source, double rate);

    // The length of that copy in frames.
    static qint64 stretchedFrames(qint64 sourceFrames, double rate);
};
