#pragma once

#include <memory>
#include <vector>

#include <QString>
#include <QtGlobal>

#include "library/sampletempo.h"
#include "player/loudness.h"
#include "player/pcmformat.h"
#include "player/samplebody.h"
#include "player/wavepeaks.h"

// A sample decoded to PcmFormat: a short one whole, a long one (a song) as its first seconds
// with the rest streamed from disk by a SampleBody. Immutable once made and shared; players on
// several threads may share one through a std::shared_ptr<const DecodedSample>, but only one
// stream may read a long one at a time.
struct DecodedSample {
    QString file;
    std::vector<qint16> samples; // interleaved stereo at PcmFormat::kRate: all of it, or the head
    std::unique_ptr<SampleBody> body; // the rest of a long sample; null when it is held whole
    std::shared_ptr<const WavePeaks> peaks; // the outline of all of it, for drawing
    SampleTempo tempo; // what the decoding thread learnt of the sample's tempo, if it asked
    Loudness loudness; // measured by the decoding thread; a stretched copy plays at its source's

    qint64 heldFrames() const { return qint64(samples.size()) / PcmFormat::kChannels; }
    qint64 frames() const { return body ? body->totalFrames() : heldFrames(); }
    bool streamed() const { return body != nullptr; }

    // The read side: copies up to `count` frames from `frame` on; fewer when the streamed part
    // is not ready yet. Never waits, allocates or decodes.
    qint64 copy(qint16 *out, qint64 frame, qint64 count) const;
    // Gets the frames from `frame` on ready for a jump there (see SampleBody::prepare).
    void prepare(qint64 frame) const;
    // As prepare(), without waiting (see SampleBody::aim).
    void aim(qint64 frame) const;
    // The frame a streamed sample is read at; -1 for one held whole.
    qint64 readingAt() const { return body ? body->readingAt() : -1; }

    // A copy stretched in time (TimeStretch) plays the file at this rate: its frame k is the
    // source's frame k x rate. The file's own decoding has rate 1 and no source.
    double rate = 1.0;
    std::shared_ptr<const DecodedSample> source;
    // The file's own decoding, whatever this copy's rate.
    const DecodedSample &original() const { return source ? *source : *this; }
    // An empty copy of `source` (the file's own decoding) at `rate`, for the stretch to fill.
    static std::shared_ptr<DecodedSample> copyAt(const std::shared_ptr<const DecodedSample> &source, double rate);
};
