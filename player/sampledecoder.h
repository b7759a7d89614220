#pragma once

#include <memory>

#include <QString>

#include "player/decodedsample.h"

// Decodes sample files for the player: short ones whole, long ones (songs) as a head held in
// memory and a body streamed from disk.
class SampleDecoder {
public:
    // Decodes WAV, AIFF, MP3 and MIDI files to PcmFormat (see FileDecoder), all of the file at
    // once. Safe to call on several threads at once. On failure returns null and sets *reason
    // (if given) to the text the player shows: "file not found", "file is empty",
    // "file cannot be read" or "not a playable audio file". The sample comes with its outline
    // (peaks); the caller may add what else it knows of it before sharing it.
    static std::shared_ptr<DecodedSample> decode(const QString &path, QString *reason);
    // As decode(), but a file longer than streamAboveFrames() keeps only its first
    // headFrames() in memory and streams the rest: a song of minutes costs a few megabytes.
    // Its outline is still the whole file's, read once piece by piece.
    static std::shared_ptr<DecodedSample> load(const QString &path, QString *reason);

    static qint64 streamAboveFrames();
    // Long enough that a repeat or a restart is heard at once while the stream's worker moves
    // back to the body's start.
    static qint64 headFrames();
};
