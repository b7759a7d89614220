#pragma once

#include <QtGlobal>

// Keeps the deck's mix from clipping however many loud rows add up. Below the ceiling it does
// nothing at all (every frame passes as it is); a frame that would pass it lowers the gain at
// once to exactly the ceiling, the gain holds for a while and then comes back slowly, so that
// the loud passage is turned down rather than clipped wave by wave.
//
// It looks at no frame ahead: the mix goes out the frame it is made, and the deck's timeline
// (every move placed at a mixer frame) is not delayed.
class MasterLimiter {
public:
    // -1 dBFS: what a converter or an MP3 encoder makes of the mix stays below full scale.
    static constexpr float kCeiling = 0.891251f;

    // Interleaved stereo frames, limited in place.
    void process(float *frames, qint64 count);
    float gain() const { return m_gain; }

private:
    float m_gain = 1.0f;
    qint64 m_holdLeft = 0;
};
