#pragma once

#include <vector>

#include <QMetaType>
#include <QString>

// One message from a controller that can drive a control: a note on (a pad or a key) or a
// control change (a knob, a fader or a button). Everything else a controller sends (clock,
// note off, pitch bend, system messages) is of no use to the deck and is not parsed.
struct MidiMessage {
    enum Kind { None, NoteOn, ControlChange };

    Kind kind = None;
    int channel = 1; // 1 to 16, as controllers and their manuals count them
    int number = 0;  // note or controller number, 0 to 127
    int value = 0;   // velocity or controller value, 0 to 127

    // None for what is not a note on or a control change; a note on with velocity 0 is a
    // note off by the standard's running-status convention.
    static MidiMessage parse(const std::vector<unsigned char> &bytes);

    bool isValid() const { return kind != None; }
    // Whether two messages come from the same key, pad or knob.
    bool sameSource(const MidiMessage &other) const
    {
        return kind == other.kind && channel == other.channel && number == other.number;
    }
    // "CC 7, channel 1" or "Note 36, channel 10".
    QString describe() const;

    // The settings form, "cc:1:7" or "note:10:36"; an empty or broken text gives None.
    QString toKey() const;
    static MidiMessage fromKey(const QString &key);
};

Q_DECLARE_METATYPE(MidiMessage)
