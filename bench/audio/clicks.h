#pragma once

#include <vector>

#include <QtGlobal>

// Finds the marks the generated loops leave in a recording (see AudioGen::pulseLoop and
// AudioGen::clickLoop). Frames are indices into Recording::mono().
namespace Clicks {

// Where each positive pulse starts and where each negative pulse starts: a pulse loop's first
// and last frames.
struct Pulses {
    std::vector<qint64> starts;
    std::vector<qint64> ends;
};
Pulses findPulses(const std::vector<float> &mono, double amplitude);

// One seam between two passes of pulse loops: the frames between the end of one pass (its
// negative pulse) and the start of the next, less none expected; negative when frames went
// missing. The pass is the distance between the two start pulses.
struct Seam {
    qint64 gapFrames = 0;
    qint64 passFrames = 0;
};
std::vector<Seam> seams(const Pulses &pulses, int pulseFrames);

// Onsets of the click bursts at one frequency, found by demodulating the recording at that
// frequency over a window short enough for a click and long enough to ignore the other rows'
// pitches (multiples of 300 Hz are apart). `level` is the click's amplitude as played; onsets
// closer than `minSpacingFrames` to the one before (the time-stretch may repeat a click) are one.
std::vector<qint64> burstOnsets(const std::vector<float> &mono, double frequency, double level,
    qint64 minSpacingFrames);

// The distance from `frame` to the nearest of `onsets` (sorted), in frames; -1 if there is none.
qint64 distanceToNearest(const std::vector<qint64> &onsets, qint64 frame);

} // namespace Clicks
