#include "player/miditiming.h"

#include <algorithm>
#include <map>

namespace {

constexpr quint32 kDefaultTempo = 500000; // microseconds per quarter note (120 BPM)

class ByteReader {
public:
    ByteReader(const QByteArray &data, qsizetype begin, qsizetype end)
        : data(data)
        , pos(begin)
        , end(end)
    {
    }
    bool atEnd() const { return pos >= end; }
    bool ok() const { return !failed; }
    quint8 byte()
    {
        if (pos >= end) {
            failed = true;
            return 0;
        }
        return quint8(data[pos++]);
    }
    quint32 bigEndian(int bytes)
    {
        quint32 value = 0;
        for (int i = 0; i < bytes; ++i)
            value = (value << 8) | byte();
        return value;
    }
    quint32 variableLength()
    {
        quint32 value = 0;
        for (int i = 0; i < 4; ++i) {
            const quint8 b = byte();
            value = (value << 7) | (b & 0x7f);
            if (!(b & 0x80))
                return value;
        }
        failed = true;
        return value;
    }
    void skip(quint32 bytes)
    {
        if (bytes > quint32(end - pos))
            failed = true;
        pos = std::min(end, pos + qsizetype(bytes));
    }

private:
    const QByteArray &data;
    qsizetype pos;
    qsizetype end;
    bool failed = false;
};

int dataBytes(quint8 status) { return (status & 0xf0) == 0xc0 || (status & 0xf0) == 0xd0 ? 1 : 2; }

// Walks one track chunk: collects its tempo changes, raises lastEvent to the tick of its last
// channel message (a note off, usually) and returns the tick it ends at.
quint64 readTrack(ByteReader track, std::multimap<quint64, quint32> &tempos, quint64 &lastEvent)
{
    quint64 tick = 0;
    quint8 runningStatus = 0; // of channel messages; meta and system events leave it alone
    while (!track.atEnd() && track.ok()) {
        tick += track.variableLength();
        const quint8 b = track.byte();
        if (b == 0xff) {
            const quint8 type = track.byte();
            const quint32 length = track.variableLength();
            if (type == 0x2f)
                return tick;
            if (type == 0x51 && length == 3)
                tempos.emplace(tick, track.bigEndian(3));
            else
                track.skip(length);
        } else if (b == 0xf0 || b == 0xf7) {
            track.skip(track.variableLength());
        } else if (b >= 0x80 && b < 0xf0) {
            runningStatus = b;
            track.skip(dataBytes(b));
            lastEvent = std::max(lastEvent, tick);
        } else if (b < 0x80 && runningStatus) {
            track.skip(dataBytes(runningStatus) - 1); // b was the first data byte
            lastEvent = std::max(lastEvent, tick);
        } else {
            break; // not a track we can read further
        }
    }
    return tick;
}

// The time of a tick through the tempo changes; empty for a division that names no time.
std::optional<double> secondsAt(quint64 endTick, quint16 division, const std::multimap<quint64, quint32> &tempos)
{
    if (division & 0x8000) { // SMPTE: frames per second and ticks per frame, no tempo
        const int framesPerSecond = -qint8(division >> 8);
        const int ticksPerFrame = division & 0xff;
        const double fps = framesPerSecond == 29 ? 29.97 : framesPerSecond;
        return fps > 0 && ticksPerFrame > 0 ? std::optional(endTick / (fps * ticksPerFrame)) : std::nullopt;
    }
    double seconds = 0.0;
    quint64 tick = 0;
    quint32 tempo = kDefaultTempo;
    for (const auto &[changeTick, newTempo] : tempos) {
        if (changeTick >= endTick)
            break;
        seconds += double(changeTick - tick) * tempo / division / 1e6;
        tick = changeTick;
        tempo = newTempo;
    }
    return seconds + double(endTick - tick) * tempo / division / 1e6;
}

} // namespace

std::optional<double> MidiTiming::lengthSeconds(const QByteArray &smf)
{
    ByteReader file(smf, 0, smf.size());
    if (!smf.startsWith("MThd"))
        return std::nullopt;
    file.skip(4);
    const quint32 headerLength = file.bigEndian(4);
    if (headerLength < 6)
        return std::nullopt;
    file.skip(4); // format and track count: all tracks play together either way
    const quint16 division = quint16(file.bigEndian(2));
    file.skip(headerLength - 6);
    if (!file.ok() || division == 0)
        return std::nullopt;

    std::multimap<quint64, quint32> tempos;
    quint64 endTick = 0;
    quint64 lastEvent = 0;
    qsizetype pos = 8 + headerLength;
    while (pos + 8 <= smf.size()) {
        ByteReader chunk(smf, pos, smf.size());
        const QByteArray id = smf.mid(pos, 4);
        chunk.skip(4);
        const quint32 length = chunk.bigEndian(4);
        const qsizetype bodyEnd = std::min<qsizetype>(smf.size(), pos + 8 + qsizetype(length));
        if (id == "MTrk")
            endTick = std::max(endTick, readTrack(ByteReader(smf, pos + 8, bodyEnd), tempos, lastEvent));
        pos = bodyEnd;
    }

    const std::optional<double> end = secondsAt(endTick, division, tempos);
    if (!end)
        return std::nullopt;
    return std::min(*end, *secondsAt(std::min(lastEvent, endTick), division, tempos) + kReleaseSeconds);
}
