#include "controls/midimessage.h"

#include <QCoreApplication>
#include <QStringList>

MidiMessage MidiMessage::parse(const std::vector<unsigned char> &bytes)
{
    MidiMessage message;
    if (bytes.size() < 3)
        return message;
    const int status = bytes[0] & 0xF0;
    if (status == 0x90 && bytes[2] > 0)
        message.kind = NoteOn;
    else if (status == 0xB0)
        message.kind = ControlChange;
    else
        return message;
    message.channel = (bytes[0] & 0x0F) + 1;
    message.number = bytes[1] & 0x7F;
    message.value = bytes[2] & 0x7F;
    return message;
}

QString MidiMessage::describe() const
{
    switch (kind) {
    case NoteOn:
        return QCoreApplication::translate("MidiMessage", "Note %1, channel %2").arg(number).arg(channel);
    case ControlChange:
        return QCoreApplication::translate("MidiMessage", "CC %1, channel %2").arg(number).arg(channel);
    case None:
        break;
    }
    return QString();
}

QString MidiMessage::toKey() const
{
    if (!isValid())
        return QString();
    return QStringLiteral("%1:%2:%3").arg(kind == NoteOn ? QStringLiteral("note") : QStringLiteral("cc")).arg(channel).arg(number);
}

MidiMessage MidiMessage::fromKey(const QString &key)
{
    MidiMessage message;
    const QStringList parts = key.split(QLatin1Char(':'));
    if (parts.size() != 3)
        return message;
    bool channelOk = false;
    bool numberOk = false;
    const int channel = parts[1].toInt(&channelOk);
    const int number = parts[2].toInt(&numberOk);
    if (!channelOk || !numberOk || channel < 1 || channel > 16 || number < 0 || number > 127)
        return message;
    if (parts[0] == QLatin1String("note"))
        message.kind = NoteOn;
    else if (parts[0] == QLatin1String("cc"))
        message.kind = ControlChange;
    else
        return message;
    message.channel = channel;
    message.number = number;
    return message;
}
