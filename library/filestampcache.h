#pragma once

#include <functional>
#include <optional>

#include <QElapsedTimer>
#include <QHash>
#include <QLoggingCategory>
#include <QMutex>
#include <QString>
#include <QStringList>
#include <QVector>

class QFileInfo;

// Results measured from sample files, remembered per file so that a library is measured once.
// An entry holds only while the file keeps its size and modification time. The cache lives in
// one JSON file, read when constructed and rewritten atomically; a file that is not exactly what
// this class writes (its format name, version and fields) is discarded whole, never partly
// trusted. Thread-safe.
class FileStampCache {
public:
    using Values = QVector<double>;
    struct Layout {
        QString format;       // written into the file; another format is not read
        int version = 1;      // raised whenever the measure changes, so old results go
        QStringList fields;   // the numbers kept per file, in order
        std::function<bool(const Values &)> valid; // rejects a damaged entry
    };

    FileStampCache(const QString &cacheFile, Layout layout, const QLoggingCategory &log);
    ~FileStampCache(); // saves what is new
    FileStampCache(const FileStampCache &) = delete;
    FileStampCache &operator=(const FileStampCache &) = delete;

    // What is stored for the file as it is now; nothing when never measured or changed since.
    std::optional<Values> lookup(const QFileInfo &file) const;
    // Remembers a result; the file is saved now and then, and when the cache is destroyed.
    void store(const QFileInfo &file, const Values &values);
    // Writes the cache file if anything is new; false when it could not be written.
    bool save();

    QString fileName() const { return m_file; }

private:
    struct Entry {
        qint64 size = -1;
        qint64 modified = 0; // ms since the epoch
        Values values;
    };

    void load();
    bool saveLocked();

    const QString m_file;
    const Layout m_layout;
    const QLoggingCategory &m_log;
    mutable QMutex m_mutex;
    QHash<QString, Entry> m_entries; // by absolute path
    int m_unsaved = 0;
    QElapsedTimer m_sinceSave;
};
