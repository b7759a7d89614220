#pragma once

#include <QString>

// Where a sample's BPM came from, for the row's tool tip.
enum class BpmOrigin {
    None, // no tempo known: the sample plays at its own speed and is not matched
    FileName, // the digits in the file name; the name always wins
    Audio, // estimated from the sound (or, for MIDI, read from its tempo event)
};

struct SampleTempo {
    int bpm = -1;
    BpmOrigin origin = BpmOrigin::None;

    // One line for a tool tip, e.g. "120 BPM, from the file name".
    QString describe() const;
};
