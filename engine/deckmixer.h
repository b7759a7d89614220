#pragma once

#include <atomic>
#include <mutex>
#include <vector>

#include <QtGlobal>

#include "engine/masterlimiter.h"

class PcmStream;

// Adds the voices of the deck's rows into one stream of frames. Every voice is pulled for every
// frame the mixer makes, playing or silent, so that each voice counts the deck's frames: frame N
// of one voice is heard together with frame N of every other, by construction. Each voice plays
// at its sample's loudness gain while "Even Loudness" is on; the sum goes through the master
// limiter, so the mix never clips.
//
// Voices join and leave on the GUI thread; the output's thread mixes. The read side holds the
// lock for one block, allocates nothing and never waits on anything but that lock.
class DeckMixer {
public:
    static constexpr int kMaxVoices = 8;
    // Frames mixed per pull of each voice.
    static constexpr qint64 kBlockFrames = 256;

    // Sees each voice's frames as they go into the mix: after its gain, before the sum and the
    // limiter (one file per row). Called on the mixing thread, with the mixer's lock held.
    class VoiceTap {
    public:
        virtual ~VoiceTap() = default;
        virtual void voiceFrames(const PcmStream *voice, const float *frames, qint64 count) = 0;
    };

    DeckMixer();
    DeckMixer(const DeckMixer &) = delete;
    DeckMixer &operator=(const DeckMixer &) = delete;

    // From now on the voice is pulled with every block; it counts from the mixer's read head.
    void addVoice(PcmStream *voice);
    void removeVoice(PcmStream *voice);

    // Every voice at its sample's loudness gain (on) or as the files are (off).
    void setEvenLoudness(bool on) { m_even.store(on, std::memory_order_relaxed); }
    bool evenLoudness() const { return m_even.load(std::memory_order_relaxed); }
    // Null removes it.
    void setVoiceTap(VoiceTap *tap);

    // The read side: the next `frames` frames of the mix, interleaved stereo, full scale at 1.0.
    void mix(float *out, qint64 frames);
    // Frames mixed so far: the read head of the deck's timeline.
    qint64 mixedFrames() const { return m_mixed.load(std::memory_order_acquire); }

private:
    std::mutex m_lock;
    std::vector<PcmStream *> m_voices;
    std::vector<float> m_scratch;
    VoiceTap *m_tap = nullptr;
    MasterLimiter m_limiter;
    std::atomic<bool> m_even { false }; // files as they are until the deck turns it on
    std::atomic<qint64> m_mixed { 0 };
};
