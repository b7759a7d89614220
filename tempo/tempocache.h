#pragma once

#include <optional>

#include <QString>

#include "library/filestampcache.h"

class QFileInfo;

// Tempos measured from the audio, remembered per file so that a library is analysed once.
// An entry holds only while the file keeps its size and modification time (FileStampCache).
// Thread-safe.
class TempoCache {
public:
    // cacheFile: where the cache is kept; a folder that does not exist yet is created when
    // the cache is first saved.
    explicit TempoCache(const QString &cacheFile);

    // The user's cache folder for this program, plus the cache's file name.
    static QString defaultFile();

    // The BPM stored for the file as it is now (-1: analysed, no tempo found); nothing when
    // the file was never analysed or has changed since.
    std::optional<int> lookup(const QFileInfo &file) const;

    // Remembers a result; the file is saved now and then, and when the cache is destroyed.
    void store(const QFileInfo &file, int bpm);

    // Writes the cache file if anything is new; false when it could not be written.
    bool save() { return m_cache.save(); }

    QString fileName() const { return m_cache.fileName(); }

private:
    FileStampCache m_cache;
};
