#include "controls/midimap.h"

#include <QSettings>
#include <QStandardPaths>

namespace {

const char kGroup[] = "MidiMap";

} // namespace

MidiMap::MidiMap(const QString &settingsFile, QObject *parent)
    : QObject(parent)
    , file(settingsFile.isEmpty() ? defaultSettingsFile() : settingsFile)
{
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(QLatin1String(kGroup));
    const QStringList controls = settings.childKeys();
    for (const QString &control : controls) {
        // A line the user broke by hand is left out, not guessed at.
        const MidiMessage message = MidiMessage::fromKey(settings.value(control).toString());
        if (message.isValid())
            bindings.insert(control, message);
    }
}

QString MidiMap::defaultSettingsFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/controllers.ini");
}

QString MidiMap::controlFor(const MidiMessage &message) const
{
    for (auto it = bindings.cbegin(); it != bindings.cend(); ++it) {
        if (it.value().sameSource(message))
            return it.key();
    }
    return QString();
}

void MidiMap::learn(const QString &control)
{
    armed = control;
}

void MidiMap::clear(const QString &control)
{
    if (bindings.remove(control) == 0)
        return;
    store(control);
    emit changed();
}

void MidiMap::handle(const MidiMessage &message)
{
    if (!message.isValid())
        return;
    const QString source = message.toKey();
    const int last = lastValues.value(source, 0);
    lastValues.insert(source, message.value);

    if (!armed.isEmpty()) {
        const QString control = armed;
        armed.clear();
        const QString previous = controlFor(message);
        if (!previous.isEmpty()) {
            bindings.remove(previous);
            store(previous);
        }
        bindings.insert(control, message);
        store(control);
        emit learned(control, message);
        emit changed();
        return;
    }

    const QString control = controlFor(message);
    if (control.isEmpty())
        return;
    const bool pressed = message.kind == MidiMessage::NoteOn || (last < 64 && message.value >= 64);
    emit triggered(control, message.value, pressed);
}

// One key at a time: lines of the file this version does not know stay as they were.
void MidiMap::store(const QString &control) const
{
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(QLatin1String(kGroup));
    if (bindings.contains(control))
        settings.setValue(control, bindings.value(control).toKey());
    else
        settings.remove(control);
    settings.endGroup();
    settings.sync();
}
