#pragma once

#include <QVector>

#include "instruments.h"
#include "tools/audiogen.h"

// The musical content of the demo loops. Everything sits in A minor (hip hop on
// Am7 | Fmaj7, techno on an A pedal), so any melody, bass and beat of the demo library
// sound right together once their tempos are matched.
struct Phrase {
    QVector<AudioGen::MidiNote> notes;
    double beats = 8.0; // the loop's length: always whole 4/4 bars
    Instruments::Voice voice = Instruments::Voice::Drums;
};

namespace Patterns {

// variation 0 or 1 picks one of two loops of the same kind.
Phrase hipHopDrums(int variation);
Phrase hipHopBass(int variation);
Phrase hipHopMelody(int variation);
Phrase technoDrums(int variation);
Phrase technoBass(int variation);
Phrase technoMelody(int variation);

} // namespace Patterns
