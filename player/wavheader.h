#pragma once

#include <array>

#include <QtGlobal>

// The header of a WAV stream that never ends, at PcmFormat's rate and channels: RIFF and data
// sizes "unknown", so that libvlc's demuxer reads on for ever.
namespace WavHeader {
constexpr quint16 kPcm = 1;       // integer samples
constexpr quint16 kIeeeFloat = 3; // float samples

std::array<unsigned char, 44> endless(quint16 format, quint16 bitsPerSample);
} // namespace WavHeader
