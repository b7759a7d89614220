#pragma once

#include <memory>
#include <vector>

#include <QtGlobal>

#include "player/decodedsample.h"

namespace RubberBand {
class RubberBandStretcher;
}

// One row's sample repeated without end and played at a rate with its pitch kept, pulled
// frame by frame. The passes stay on the grid: after any number of them the output has
// advanced by exactly passes * frames / rate frames (to the frame), the fraction carried on.
class LoopStretcher {
public:
    LoopStretcher(std::shared_ptr<const DecodedSample> sample, double rate);
    ~LoopStretcher();
    LoopStretcher(const LoopStretcher &) = delete;
    LoopStretcher &operator=(const LoopStretcher &) = delete;

    // Adds the next `frames` frames times `gain` to `mix` (interleaved stereo).
    void addTo(float *mix, qint64 frames, float gain);

private:
    void addUnstretched(float *mix, qint64 frames, float gain);
    void feedStretcher();
    void retrieve(qint64 frames);

    std::shared_ptr<const DecodedSample> sample;
    double rate;
    std::vector<float> left, right; // the sample, one channel each
    qint64 readFrame = 0; // next frame of the sample to hand on
    std::unique_ptr<RubberBand::RubberBandStretcher> stretcher; // none at rate 1
    qint64 delayLeft = 0; // output frames still to drop: the stretcher's start delay
    std::vector<float> inLeft, inRight, outLeft, outRight;
};
