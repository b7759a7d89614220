#pragma once

#include <optional>

#include <QElapsedTimer>
#include <QHash>
#include <QMutex>
#include <QString>

class QFileInfo;

// Tempos measured from the audio, remembered per file so that a library is analysed once.
// An entry holds only while the file keeps its size and modification time. The cache lives
// in one file, read when constructed and rewritten atomically; a file that is not exactly
// what this class writes is discarded whole, never partly trusted. Thread-safe.
class TempoCache {
public:
    // cacheFile: where the cache is kept; a folder that does not exist yet is created when
    // the cache is first saved.
    explicit TempoCache(const QString &cacheFile);
    ~TempoCache(); // saves what is new
    TempoCache(const TempoCache &) = delete;
    TempoCache &operator=(const TempoCache &) = delete;

    // The user's cache folder for this program, plus the cache's file name.
    static QString defaultFile();

    // The BPM stored for the file as it is now (-1: analysed, no tempo found); nothing when
    // the file was never analysed or has changed since.
    std::optional<int> lookup(const QFileInfo &file) const;

    // Remembers a result; the file is saved now and then, and when the cache is destroyed.
    void store(const QFileInfo &file, int bpm);

    // Writes the cache file if anything is new; false when it could not be written.
    bool save();

    QString fileName() const { return m_file; }

private:
    struct Entry {
        qint64 size = -1;
        qint64 modified = 0; // ms since the epoch
        int bpm = -1;
    };

    void load();
    bool saveLocked();

    const QString m_file;
    mutable QMutex m_mutex;
    QHash<QString, Entry> m_entries; // by absolute path
    int m_unsaved = 0;
    QElapsedTimer m_sinceSave;
};
