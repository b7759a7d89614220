#pragma once

#include <QString>
#include <QVector>

#include "patterns.h"

// The demo sample library: a few loops per genre and sample type, at the genre's usual
// tempos, in every format the program plays. Writing is deterministic and only adds
// what is missing, so it is safe to run on every build and every start.
class DemoLibrary {
public:
    // Relative to the program's directory, as the config registers it.
    static constexpr const char *kFolder = "demo-samples";

    struct Loop {
        QString folder;  // e.g. "demo-samples/techno/bass"
        QString file;    // e.g. "acid-line_128bpm.wav"
        int bpm = 0;
        double peak = 0.5;
        Phrase phrase;
    };

    struct Folder {
        QString path;   // relative to the program's directory
        QString type;   // "melody", "beat" or "bass": the config attribute that is set
        QString genre;  // "hipHop" or "techno"
    };

    explicit DemoLibrary(bool haveMp3Encoder);

    const QVector<Loop> &loops() const { return m_loops; }
    const QVector<Folder> &folders() const { return m_folders; }

    // Writes every loop missing below programDir; returns the number written, -1 on error.
    int writeMissing(const QString &programDir) const;

    // Writes programDir/config.xml registering the demo folders, unless a config exists.
    // Returns true when a config is in place afterwards.
    bool writeConfigIfMissing(const QString &programDir, bool *written) const;

private:
    QVector<Loop> m_loops;
    QVector<Folder> m_folders;
};
