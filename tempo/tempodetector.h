#pragma once

#include <optional>

#include <QString>

#include "library/sampletempo.h"
#include "tempo/beatevidence.h"
#include "tempo/tempocache.h"

// The BPM of a sample file: the one in its name, else one estimated from the file's content
// and remembered in a cache, so that a library is analysed once. Meant for a worker thread:
// every method may be called from several threads at once. An analysis takes tens of
// milliseconds for a loop, so the GUI thread should not wait for one.
class TempoDetector {
public:
    // cacheFile: where results are remembered; tests pass a file in a temporary folder.
    explicit TempoDetector(const QString &cacheFile = TempoCache::defaultFile());

    // The name's BPM when it has one; otherwise the cached or newly estimated one (BPM -1 and
    // origin None when the sound has no tempo, e.g. a one-shot, or cannot be read).
    SampleTempo tempoFor(const QString &path);
    int bpmFor(const QString &path) { return tempoFor(path).bpm; }

    // The tempo from the file's content alone (no name, no cache); -1 when none is found.
    // WAV, AIFF, MP3 and the other formats the decoder knows are listened to; MIDI files are
    // read for their tempo event.
    static int analyse(const QString &path);

    // What the tracker heard in an audio file (not MIDI); nothing when it cannot be read.
    static std::optional<BeatEvidence> listen(const QString &path);

    // One line for a tool tip, e.g. "120 BPM, from the file name".
    static QString describe(const SampleTempo &tempo) { return tempo.describe(); }

    // Writes what is new to the cache file (also done now and then, and on destruction).
    bool flush() { return m_cache.save(); }

private:
    TempoCache m_cache;
};
