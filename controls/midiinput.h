#pragma once

#include <QObject>
#include <QStringList>
#include <QThread>

#include "controls/midimessage.h"

class MidiPortWatcher;

// Every MIDI input port of the system, opened and listened to on a thread of its own: ports
// that appear later (a controller plugged in) are opened within a second, and a port that
// goes away is dropped quietly. Sampora also offers a port of its own ("Sampora") that other
// programs may connect to. What arrives is handed on as MidiMessages through received(),
// queued to the thread of whoever listens.
//
// Through the ALSA sequencer where it exists, else through a JACK server (a system without
// the snd-seq module, such as a container). With neither there are no ports, and nothing is
// printed.
class MidiInput : public QObject {
    Q_OBJECT

public:
    explicit MidiInput(QObject *parent = nullptr);
    ~MidiInput() override;

    // The back end both Sampora and the tests' sending client use: SAMPORA_MIDI_API ("alsa"
    // or "jack") when set, else ALSA when the sequencer device exists, else JACK. An RtMidi
    // Api value.
    static int chosenApi();

signals:
    void received(const MidiMessage &message);
    // The controllers' ports open now, by name.
    void portsChanged(const QStringList &ports);

private:
    QThread thread;
    MidiPortWatcher *watcher = nullptr;
};
