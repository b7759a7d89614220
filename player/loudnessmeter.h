#pragma once

#include <memory>

#include <QtGlobal>

#include "player/loudness.h"

// Measures PcmFormat frames with libebur128: integrated loudness and true peak. A sample too
// short for the integrated measure (one 400 ms block) gets its loudness over its own length,
// as the short-term measure does for the last seconds. Frames may be added in pieces. The whole
// measure, true peak of every frame and all: it measures what the mixer gives out; a decoded
// sample is measured by SampleLoudness, which gives the same gain at a fraction of the cost.
class LoudnessMeter {
public:
    LoudnessMeter();
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter &) = delete;
    LoudnessMeter &operator=(const LoudnessMeter &) = delete;

    void add(const qint16 *frames, qint64 count);
    void add(const float *frames, qint64 count);
    Loudness result() const;

    static Loudness measure(const qint16 *frames, qint64 count);

private:
    struct State;
    std::unique_ptr<State> m_state;
    qint64 m_frames = 0;
};
