#pragma once

#include <memory>

#include <QString>

#include "player/loudness.h"

class FileStampCache;
struct DecodedSample;

// The loudness of a decoded sample, remembered per file next to the tempo cache (and dropped as
// it is, when the file changes size or time), so that a library is measured once. Meant for the
// decoding workers: safe on several threads at once.
class LoudnessScanner {
public:
    // Empty cacheFile: measures every time and remembers nothing.
    explicit LoudnessScanner(const QString &cacheFile = QString());
    ~LoudnessScanner();
    LoudnessScanner(const LoudnessScanner &) = delete;
    LoudnessScanner &operator=(const LoudnessScanner &) = delete;

    // The user's cache folder for this program (the tempo cache's), plus this cache's file name.
    static QString defaultFile();

    // Measures what the sample holds in memory: all of a loop, the first seconds of a song.
    Loudness loudnessOf(const DecodedSample &sample);
    // Writes what is new to the cache file (also done now and then, and on destruction).
    bool flush();

private:
    std::unique_ptr<FileStampCache> m_cache;
};
