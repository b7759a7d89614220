#pragma once

#include <memory>
#include <vector>

#include <QtGlobal>

#include "player/decodedsample.h"

namespace RubberBand {
class RubberBandStretcher;
}

// One row's sample repeated without end and played at a rate with its pitch kept, pulled
// frame by frame. The passes stay on the grid: pass k starts on output frame
// round(k * frames / rate), so no rounding adds up however many passes are played.
class LoopStretcher {
public:
    LoopStretcher(std::shared_ptr<const DecodedSample> sample, double rate);
    ~LoopStretcher();
    LoopStretcher(const LoopStretcher &) = delete;
    LoopStretcher &operator=(const LoopStretcher &) = delete;

    // Adds the next `frames` frames times `gain` to `mix` (interleaved stereo).
    void addTo(float *mix, qint64 frames, float gain);

private:
    qint64 passStart(qint64 pass) const;
    void addUnstretched(float *mix, qint64 frames, float gain);
    void addRepeated(float *mix, qint64 frames, float gain);
    void addStreamed(float *mix, qint64 frames, float gain);
    void retrieve(float *toLeft, float *toRight, qint64 frames);
    void feedStretcher();

    double rate;
    double passFrames; // one pass of the output, fraction included
    std::vector<float> left, right; // the sample, one channel each
    qint64 readFrame = 0; // next frame of the sample to hand on
    qint64 made = 0; // output frames handed out so far

    std::unique_ptr<RubberBand::RubberBandStretcher> stretcher; // none at rate 1
    qint64 delayLeft = 0; // output frames still to drop: the stretcher's start delay
    std::vector<float> inLeft, inRight, outLeft, outRight;

    // The first two passes as stretched, and one frame more: the second pass, which was made
    // with the end of a pass before it and the start of one after it, is then repeated.
    std::vector<float> headLeft, headRight;
    qint64 pass = 2; // the repeated pass being played
};
