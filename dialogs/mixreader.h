#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

// Reads a project folder written by the save dialog back: the info file's lines become the
// copies to load, slot by slot. A folder changed by hand opens as far as it can; every line
// or copy that cannot be used is named in `skipped`. Nothing in the folder is ever written.
namespace MixReader {

// Play rates a copy may be loaded at; the player cannot play further out of its own tempo.
constexpr double kMinRate = 0.25;
constexpr double kMaxRate = 4.0;

struct SavedCopy {
    int slot = 0; // 1-3: the library rows, 4-5: the added tracks
    QString path; // the copy inside the project folder
    int bpm = -1; // from the copy's name; -1 when the name has none
    float rate = 1.0f;
};

struct OpenedMix {
    QString project; // the name the mix was saved under
    QString folder;
    QVector<SavedCopy> copies; // in slot order, at most one per slot
    QStringList skipped; // one sentence per line or copy left out
    QString error; // set when nothing could be read at all
};

// path: the project's info file ("<project> Info.txt"), or the project folder holding it.
OpenedMix read(const QString &path);

// The slot and BPM a copy's file name carries ("<project>_<slot>[_<bpm>BPM][.<ext>]");
// false when the name does not have that form.
bool parseCopyName(const QString &project, const QString &fileName, int *slot, int *bpm);

} // namespace MixReader
