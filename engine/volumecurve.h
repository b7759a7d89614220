#pragma once

#include <algorithm>

// The deck's level (libvlc's 0-100 scale) as the factor the loudspeaker hears. libvlc hands
// its volume to the audio server as a cubic amplitude: 50 is 0.125 x, 70 about 0.34 x. The
// live output keeps libvlc's volume; an export scales its mix by the same factor, so that a
// file sounds as loud as the deck did.
namespace VolumeCurve {

inline double gain(int volume)
{
    const double v = std::clamp(volume, 0, 100) / 100.0;
    return v * v * v;
}

} // namespace VolumeCurve
