#pragma once

#include <QString>

// The file handed out when a row's sample is dragged out of the deck: the sample as it is heard.
// At rate 1 that is the sample's own file. At any other rate it is a WAV of the sample
// stretched to that rate with its pitch kept (as the row plays it), written to a cache folder
// and named with the tempo it is heard at, so that the library and a DAW read its BPM.
class HeardCopy {
public:
    // bpm: the sample's own tempo, -1 when it has none. Returns the file to hand out; empty
    // with *error set when the sample cannot be read or the copy cannot be written. A song
    // long enough to be streamed from disk is handed out as it is: the row plays it at its
    // own speed.
    static QString make(const QString &file, double rate, int bpm, const QString &folder, QString *error);
    // Below the user's cache folder.
    static QString defaultFolder();
    // "<name> <BPM heard>.wav", or "<name> at <rate>.wav" without a BPM.
    static QString copyName(const QString &file, double rate, int bpm);
};
