#include "player/stereodownmix.h"

#include <algorithm>
#include <iterator>
#include <numeric>

namespace {

// Weights for one output side: full for channels on that side, half for shared ones,
// scaled to add up to 1. A file with nothing on this side hears only its shared channels,
// and one with no shared channels either (all on the other side) hears those instead.
std::vector<float> weightsFor(const std::vector<StereoDownmix::Side> &sides, StereoDownmix::Side side)
{
    std::vector<float> weights(sides.size(), 0.0f);
    for (size_t i = 0; i < sides.size(); ++i) {
        if (sides[i] == side)
            weights[i] = 1.0f;
        else if (sides[i] == StereoDownmix::Side::Both)
            weights[i] = 0.5f;
    }
    float sum = std::accumulate(weights.begin(), weights.end(), 0.0f);
    if (sum == 0.0f) {
        std::fill(weights.begin(), weights.end(), 1.0f);
        sum = float(weights.size());
    }
    for (float &w : weights)
        w /= sum;
    return weights;
}

} // namespace

StereoDownmix::StereoDownmix(const std::vector<Side> &sides)
    : leftWeights(weightsFor(sides, Side::Left))
    , rightWeights(weightsFor(sides, Side::Right))
{
}

std::vector<StereoDownmix::Side> StereoDownmix::defaultSides(int channels)
{
    if (channels == 1)
        return { Side::Both };
    static const Side order[] = {
        Side::Left, Side::Right, // front
        Side::Both, Side::Both, // centre, LFE
        Side::Left, Side::Right, // back
        Side::Left, Side::Right, // front left and right of centre
        Side::Both, // back centre
        Side::Left, Side::Right, // side
    };
    std::vector<Side> sides;
    for (int i = 0; i < channels; ++i)
        sides.push_back(i < int(std::size(order)) ? order[i] : Side::Both);
    return sides;
}

void StereoDownmix::apply(const float *in, float *stereo, qint64 frames) const
{
    const int n = channels();
    if (n == 2 && leftWeights[0] == 1.0f && rightWeights[1] == 1.0f) {
        std::copy(in, in + frames * 2, stereo);
        return;
    }
    for (qint64 f = 0; f < frames; ++f) {
        const float *frame = in + f * n;
        float left = 0.0f;
        float right = 0.0f;
        for (int c = 0; c < n; ++c) {
            left += leftWeights[c] * frame[c];
            right += rightWeights[c] * frame[c];
        }
        stereo[2 * f] = left;
        stereo[2 * f + 1] = right;
    }
}
