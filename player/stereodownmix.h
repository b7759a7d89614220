#pragma once

#include <vector>

#include <QtGlobal>

// Turns frames of any channel count into stereo. Each output side is a weighted average of
// the input channels (its weights add up to 1), so the result is never louder than the
// loudest input channel and a down-mix cannot clip. Left channels feed the left side, right
// channels the right side, and every other channel (centre, LFE, mono, unknown) both sides.
// A mono file therefore plays the same signal at full level on both sides, and stereo passes
// through unchanged.
class StereoDownmix {
public:
    enum class Side { Left, Right, Both };

    explicit StereoDownmix(const std::vector<Side> &sides);

    // The usual order of WAV and most other formats when a file names no positions:
    // front left, front right, centre, LFE, back left, back right, ...
    static std::vector<Side> defaultSides(int channels);

    int channels() const { return int(leftWeights.size()); }
    // `in` holds frames * channels() samples, `stereo` receives frames * 2.
    void apply(const float *in, float *stereo, qint64 frames) const;

private:
    std::vector<float> leftWeights;
    std::vector<float> rightWeights;
};
