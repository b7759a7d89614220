#pragma once

#include <optional>

#include <QByteArray>

// Where a Standard MIDI File ends in time: the latest end-of-track of its tracks, in
// seconds, through the file's tempo changes. A MIDI loop is as long as this, however long its
// last notes ring on, so that a loop player repeating it keeps the bar.
namespace MidiTiming {

// Empty when the data is not a Standard MIDI File.
std::optional<double> lengthSeconds(const QByteArray &smf);

} // namespace MidiTiming
