#pragma once

#include <QtGlobal>

struct soxr;

// Streaming sample-rate conversion of stereo float frames with libsoxr (high quality,
// linear phase: a transient keeps its place in time).
class Resampler {
public:
    Resampler(int inputRate, int outputRate);
    ~Resampler();
    Resampler(const Resampler &) = delete;
    Resampler &operator=(const Resampler &) = delete;

    bool isValid() const { return converter != nullptr; }
    double ratio() const { return outputRate / inputRate; }

    // Converts some of `in` (null once the input has ended, to drain what is held back) into
    // at most `outFrames` frames; sets *used to the input frames taken, returns frames made.
    qint64 process(const float *in, qint64 inFrames, qint64 *used, float *out, qint64 outFrames);
    // Ready for a new signal from its start.
    void clear();

private:
    double inputRate;
    double outputRate;
    soxr *converter = nullptr;
};
