#pragma once

#include <vector>

#include "tools/audiogen.h"

// A mono mix bus exactly one loop long. Sound that rings past the loop's end wraps round
// to its start, so the written file loops without a gap or a click at the seam.
class LoopBuffer {
public:
    LoopBuffer(int bpm, double beats, int sampleRate = 44100);

    int sampleRate() const { return m_sampleRate; }
    double secondsPerBeat() const { return 60.0 / m_bpm; }

    // Adds voice(t) for t = 0 .. seconds (seconds since the note's start), starting at the
    // given beat. The voice is called with increasing t, so it may keep state.
    template <typename Voice>
    void render(double beat, double seconds, Voice &&voice)
    {
        const int first = int(beat * secondsPerBeat() * m_sampleRate + 0.5);
        const int count = int(seconds * m_sampleRate);
        const int frames = int(m_mix.size());
        for (int i = 0; i < count; ++i)
            m_mix[size_t((first + i) % frames)] += float(voice(double(i) / m_sampleRate));
    }

    // The mix scaled so that its loudest sample reaches peak (0..1), as 16-bit mono.
    AudioGen::Pcm toPcm(double peak) const;

private:
    int m_bpm;
    int m_sampleRate;
    std::vector<float> m_mix;
};
