#pragma once

#include "tools/audiogen.h"

class LoopBuffer;

// The few synthesised instruments the demo loops are played on. Each note is rendered
// from its MIDI description, so the same phrase can also be written as a MIDI file.
namespace Instruments {

enum class Voice {
    Drums,         // General MIDI drum keys: 36 kick, 37 rim, 38 snare, 39 clap, 42/46 hats
    SubBass,       // round, nearly sine bass
    AcidBass,      // saw through a resonant low-pass with a snappy envelope
    ElectricPiano, // two-operator FM tine
    Pluck,         // plucked string (Karplus-Strong)
    Stab,          // detuned saws with a closing filter
};

// The General MIDI program closest to the voice, for the MIDI versions of a phrase.
int midiProgram(Voice voice);

void play(LoopBuffer &bus, const AudioGen::MidiNote &note, Voice voice);

} // namespace Instruments
