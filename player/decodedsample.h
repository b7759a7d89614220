#pragma once

#include <vector>

#include <QString>
#include <QtGlobal>

#include "player/pcmformat.h"

// A whole sample decoded to PcmFormat. Immutable once made, so players on several threads
// may share one through a std::shared_ptr<const DecodedSample>.
struct DecodedSample {
    QString file;
    std::vector<qint16> samples; // interleaved stereo at PcmFormat::kRate
    qint64 frames() const { return qint64(samples.size()) / PcmFormat::kChannels; }
};
