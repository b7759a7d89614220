#include "player/wavheader.h"

#include <cstring>

#include <QtEndian>

#include "player/pcmformat.h"

namespace WavHeader {

std::array<unsigned char, 44> endless(quint16 format, quint16 bitsPerSample)
{
    const quint16 bytesPerFrame = quint16(PcmFormat::kChannels * bitsPerSample / 8);
    std::array<unsigned char, 44> h {};
    auto put32 = [&](size_t at, quint32 v) { qToLittleEndian(v, h.data() + at); };
    auto put16 = [&](size_t at, quint16 v) { qToLittleEndian(v, h.data() + at); };
    std::memcpy(h.data(), "RIFF", 4);
    put32(4, 0xFFFFFFFFu);
    std::memcpy(h.data() + 8, "WAVEfmt ", 8);
    put32(16, 16);
    put16(20, format);
    put16(22, PcmFormat::kChannels);
    put32(24, PcmFormat::kRate);
    put32(28, quint32(PcmFormat::kRate) * bytesPerFrame);
    put16(32, bytesPerFrame);
    put16(34, bitsPerSample);
    std::memcpy(h.data() + 36, "data", 4);
    put32(40, 0xFFFFFFFFu);
    return h;
}

} // namespace WavHeader
