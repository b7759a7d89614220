#include "loopbuffer.h"

#include <algorithm>
#include <cmath>

LoopBuffer::LoopBuffer(int bpm, double beats, int sampleRate)
    : m_bpm(bpm)
    , m_sampleRate(sampleRate)
    , m_mix(size_t(std::lround(beats * 60.0 / bpm * sampleRate)), 0.0f)
{
}

AudioGen::Pcm LoopBuffer::toPcm(double peak) const
{
    float loudest = 0.0f;
    for (float v : m_mix)
        loudest = std::max(loudest, std::abs(v));
    const double gain = loudest > 0.0f ? peak / loudest : 0.0;
    AudioGen::Pcm pcm;
    pcm.sampleRate = m_sampleRate;
    pcm.channels = 1;
    pcm.samples.reserve(qsizetype(m_mix.size()));
    for (float v : m_mix)
        pcm.samples.append(qint16(std::lround(std::clamp(v * gain, -1.0, 1.0) * 32767.0)));
    return pcm;
}
