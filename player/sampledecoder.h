#pragma once

#include <memory>

#include <QString>

#include "player/decodedsample.h"

// Decodes a whole file at once, for samples short enough to hold in memory.
class SampleDecoder {
public:
    // Decodes WAV, AIFF, MP3 and MIDI files to PcmFormat (see FileDecoder). Safe to call on
    // several threads at once. On failure returns null and sets *reason (if given) to the text
    // the player shows: "file not found", "file is empty", "file cannot be read" or
    // "not a playable audio file". The sample comes with its outline (peaks); the caller may
    // add what else it knows of it before sharing it.
    static std::shared_ptr<DecodedSample> decode(const QString &path, QString *reason);
};
