#include "engine/deckmixer.h"

#include <algorithm>

#include "player/pcmformat.h"
#include "player/pcmstream.h"

DeckMixer::DeckMixer()
{
    m_voices.reserve(kMaxVoices);
    m_scratch.resize(size_t(kBlockFrames * PcmFormat::kChannels));
}

void DeckMixer::addVoice(PcmStream *voice)
{
    const std::lock_guard guard(m_lock);
    if (!voice || std::find(m_voices.begin(), m_voices.end(), voice) != m_voices.end()
        || m_voices.size() >= size_t(kMaxVoices))
        return;
    voice->startCountingAt(m_mixed.load(std::memory_order_relaxed));
    m_voices.push_back(voice);
}

void DeckMixer::removeVoice(PcmStream *voice)
{
    const std::lock_guard guard(m_lock);
    m_voices.erase(std::remove(m_voices.begin(), m_voices.end(), voice), m_voices.end());
}

void DeckMixer::setVoiceTap(VoiceTap *tap)
{
    const std::lock_guard guard(m_lock);
    m_tap = tap;
}

void DeckMixer::mix(float *out, qint64 frames)
{
    const bool even = evenLoudness();
    const std::lock_guard guard(m_lock);
    std::fill(out, out + frames * PcmFormat::kChannels, 0.0f);
    for (qint64 done = 0; done < frames; done += kBlockFrames) {
        const qint64 n = std::min(kBlockFrames, frames - done);
        float *block = out + done * PcmFormat::kChannels;
        for (PcmStream *voice : m_voices) {
            voice->pull(m_scratch.data(), n, even);
            if (m_tap)
                m_tap->voiceFrames(voice, m_scratch.data(), n);
            for (qint64 i = 0; i < n * PcmFormat::kChannels; ++i)
                block[i] += m_scratch[size_t(i)];
        }
        m_limiter.process(block, n);
    }
    m_mixed.fetch_add(frames, std::memory_order_release);
}
