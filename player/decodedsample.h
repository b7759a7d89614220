#pragma once

#include <memory>
#include <vector>

#include <QString>
#include <QtGlobal>

#include "library/sampletempo.h"
#include "player/pcmformat.h"
#include "player/wavepeaks.h"

// A whole sample decoded to PcmFormat. Immutable once made and shared, so players on several
// threads may share one through a std::shared_ptr<const DecodedSample>.
struct DecodedSample {
    QString file;
    std::vector<qint16> samples; // interleaved stereo at PcmFormat::kRate
    std::shared_ptr<const WavePeaks> peaks; // the outline, for drawing
    SampleTempo tempo; // what the decoding thread learnt of the sample's tempo, if it asked
    qint64 frames() const { return qint64(samples.size()) / PcmFormat::kChannels; }

    // A copy stretched in time (TimeStretch) plays the file at this rate: its frame k is the
    // source's frame k x rate. The file's own decoding has rate 1 and no source.
    double rate = 1.0;
    std::shared_ptr<const DecodedSample> source;
    // The file's own decoding, whatever this copy's rate.
    const DecodedSample &original() const { return source ? *source : *this; }
};
