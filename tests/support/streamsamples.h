#pragma once

// Samples and event logs for the tests of the row's stream and the deck's mixer (header only:
// only tests that link the player's core include it).
#include <cmath>
#include <memory>
#include <vector>

#include "player/decodedsample.h"
#include "player/pcmformat.h"
#include "player/pcmstream.h"

namespace StreamSamples {

// A sample whose frame i holds (base + i) on both channels, so every frame says where it is from.
inline std::shared_ptr<const DecodedSample> numbered(qint16 base, qint64 frames)
{
    auto sample = std::make_shared<DecodedSample>();
    sample->file = QStringLiteral("s%1").arg(base);
    for (qint64 i = 0; i < frames; ++i) {
        sample->samples.push_back(qint16(base + i));
        sample->samples.push_back(qint16(base + i));
    }
    return sample;
}

// A quiet sine, for what needs real audio and no particular content.
inline std::shared_ptr<const DecodedSample> quietTone(double seconds, double frequency = 220.0)
{
    auto sample = std::make_shared<DecodedSample>();
    sample->file = QStringLiteral("tone");
    const auto frames = qint64(seconds * PcmFormat::kRate);
    for (qint64 i = 0; i < frames; ++i) {
        const auto v = qint16(1000 * std::sin(2 * M_PI * frequency * double(i) / PcmFormat::kRate));
        sample->samples.push_back(v);
        sample->samples.push_back(v);
    }
    return sample;
}

// Takes every event the stream has logged.
inline std::vector<PcmStream::Event> events(PcmStream &stream)
{
    std::vector<PcmStream::Event> all;
    PcmStream::Event e;
    while (stream.peekEvent(&e)) {
        all.push_back(e);
        stream.popEvent();
    }
    return all;
}

inline double framesToMs(qint64 frames)
{
    return 1000.0 * double(frames) / PcmFormat::kRate;
}

} // namespace StreamSamples
