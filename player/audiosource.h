#pragma once

#include <QtGlobal>

// Decoded audio in stereo float frames (interleaved, full scale = 1.0) at the source's own
// rate, read from the start to the end. FileDecoder turns any source into PcmFormat.
class AudioSource {
public:
    virtual ~AudioSource() = default;

    virtual int sampleRate() const = 0;
    // The length the file announces, in frames at sampleRate(); a damaged file may end sooner.
    virtual qint64 totalFrames() const = 0;
    // Fills up to `frames` stereo frames; returns how many, 0 at the end or on a read error.
    virtual qint64 read(float *stereo, qint64 frames) = 0;
    // Reading goes on from this frame (at sampleRate()); false when the file cannot get there.
    virtual bool seek(qint64 frame) = 0;
};
