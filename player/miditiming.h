#pragma once

#include <optional>

#include <QByteArray>

// Where a Standard MIDI File ends in time: the latest end-of-track of its tracks, in
// seconds, through the file's tempo changes. A MIDI loop is as long as this, however long its
// last notes ring on, so that a loop player repeating it keeps the bar. An end of track long
// after the last note (a damaged or hostile delta time) is not believed: the song then ends
// kReleaseSeconds after its last event, when the last note has died away.
namespace MidiTiming {

constexpr double kReleaseSeconds = 4.0;

// Empty when the data is not a Standard MIDI File.
std::optional<double> lengthSeconds(const QByteArray &smf);

} // namespace MidiTiming
