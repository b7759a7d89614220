#pragma once

// The one format every decoded sample is played in: CD rate, stereo, signed 16-bit
// little-endian interleaved frames.
namespace PcmFormat {
constexpr int kRate = 44100;
constexpr int kChannels = 2;
} // namespace PcmFormat
