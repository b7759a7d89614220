#pragma once

#include <QHash>
#include <QObject>
#include <QString>

#include "controls/midimessage.h"

// Which controller message drives which of the deck's controls, and MIDI learn: a control
// armed with learn() is tied to the next message that arrives. A message drives one control
// at most; learning it for another control moves it there. Kept in a settings file of the
// user's (never in config.xml, which describes the library), read at construction and written
// on every change.
class MidiMap : public QObject {
    Q_OBJECT

public:
    // settingsFile empty: the user's own, defaultSettingsFile().
    explicit MidiMap(const QString &settingsFile = QString(), QObject *parent = nullptr);

    static QString defaultSettingsFile();

    MidiMessage binding(const QString &control) const { return bindings.value(control); }
    QString controlFor(const MidiMessage &message) const;

    // Arms the control: the next message received is tied to it. An empty id disarms.
    void learn(const QString &control);
    QString learning() const { return armed; }
    void clear(const QString &control);

public slots:
    void handle(const MidiMessage &message);

signals:
    // A message that is tied to a control arrived. value is the message's value (0 to 127);
    // pressed is true for a note on and for a control change that crosses 64 upwards (a
    // button's press, not its release; a knob only once per pass over the middle).
    void triggered(const QString &control, int value, bool pressed);
    void learned(const QString &control, const MidiMessage &message);
    // A binding was added, moved or cleared.
    void changed();

private:
    void store(const QString &control) const;

    QString file;
    QHash<QString, MidiMessage> bindings;
    QString armed;
    // The last value of each controller, for the presses of buttons sent as control changes.
    QHash<QString, int> lastValues;
};
