#pragma once

#include <QByteArray>
#include <QString>

// The tempo a Standard MIDI File plays at, read from its first tempo event: MIDI carries
// its tempo as data, so nothing needs to be heard.
namespace MidiTempo {

// The BPM of the file's first tempo event, rounded; 120 (the format's default) when it has
// none; -1 when the data is not a Standard MIDI File or ends inside an event.
int fromData(const QByteArray &data);

// fromData() of the file's contents; -1 when it cannot be read.
int fromFile(const QString &path);

} // namespace MidiTempo
