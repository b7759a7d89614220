#include "tempo/miditempo.h"

#include <cmath>
#include <optional>
#include <variant>

#include <QFile>

namespace MidiTempo {

namespace {

constexpr int kDefaultBpm = 120;
// MIDI files are small; anything far larger is not one worth reading whole.
constexpr qint64 kMaxFileSize = 16 * 1024 * 1024;

// Reads big-endian numbers and variable-length quantities without running past the end.
class Reader {
public:
    Reader(const QByteArray &data, qsizetype begin, qsizetype end)
        : m_data(data)
        , m_pos(begin)
        , m_end(end)
    {
    }

    bool atEnd() const { return m_pos >= m_end; }
    qsizetype pos() const { return m_pos; }

    std::optional<quint32> number(int bytes)
    {
        if (m_end - m_pos < bytes)
            return std::nullopt;
        quint32 value = 0;
        for (int i = 0; i < bytes; ++i)
            value = (value << 8) | quint8(m_data.at(m_pos++));
        return value;
    }

    std::optional<quint32> variableLength()
    {
        quint32 value = 0;
        for (int i = 0; i < 4; ++i) {
            const std::optional<quint32> byte = number(1);
            if (!byte)
                return std::nullopt;
            value = (value << 7) | (*byte & 0x7f);
            if (!(*byte & 0x80))
                return value;
        }
        return std::nullopt;
    }

    bool skip(quint32 bytes)
    {
        if (quint64(m_end - m_pos) < bytes)
            return false;
        m_pos += qsizetype(bytes);
        return true;
    }

private:
    const QByteArray &m_data;
    qsizetype m_pos;
    qsizetype m_end;
};

enum class Track { Malformed, NoTempo };

// The microseconds per quarter note of the track's first tempo event, or why there is none.
std::variant<quint32, Track> trackTempo(Reader track)
{
    int runningStatus = 0;
    while (!track.atEnd()) {
        if (!track.variableLength())
            return Track::Malformed;
        const std::optional<quint32> first = track.number(1);
        if (!first)
            return Track::Malformed;
        int status = int(*first);
        if (status < 0x80) {
            // Running status: the byte just read was the first data byte.
            if (runningStatus == 0)
                return Track::Malformed;
            status = runningStatus;
            if (!track.skip(status >= 0xc0 && status < 0xe0 ? 0 : 1))
                return Track::Malformed;
            continue;
        }
        if (status == 0xff) {
            const std::optional<quint32> type = track.number(1);
            const std::optional<quint32> length = track.variableLength();
            if (!type || !length)
                return Track::Malformed;
            if (*type == 0x51 && *length == 3) {
                const std::optional<quint32> tempo = track.number(3);
                if (!tempo || *tempo == 0)
                    return Track::Malformed;
                return *tempo;
            }
            if (!track.skip(*length))
                return Track::Malformed;
            continue;
        }
        if (status == 0xf0 || status == 0xf7) {
            const std::optional<quint32> length = track.variableLength();
            if (!length || !track.skip(*length))
                return Track::Malformed;
            continue;
        }
        if (status > 0xf0)
            return Track::Malformed;
        runningStatus = status;
        if (!track.skip(status >= 0xc0 && status < 0xe0 ? 1 : 2))
            return Track::Malformed;
    }
    return Track::NoTempo;
}

} // namespace

int fromData(const QByteArray &data)
{
    if (!data.startsWith("MThd"))
        return -1;
    Reader file(data, 4, data.size());
    const std::optional<quint32> headerLength = file.number(4);
    if (!headerLength || *headerLength < 6 || !file.skip(*headerLength))
        return -1;
    while (!file.atEnd()) {
        const qsizetype chunkStart = file.pos();
        const std::optional<quint32> id = file.number(4);
        const std::optional<quint32> length = file.number(4);
        if (!id || !length)
            return -1;
        const qsizetype bodyStart = file.pos();
        if (!file.skip(*length))
            return -1;
        if (data.mid(chunkStart, 4) != "MTrk")
            continue;
        const std::variant<quint32, Track> tempo = trackTempo(Reader(data, bodyStart, file.pos()));
        if (std::holds_alternative<quint32>(tempo))
            return int(std::lround(60'000'000.0 / std::get<quint32>(tempo)));
        if (std::get<Track>(tempo) == Track::Malformed)
            return -1;
    }
    return kDefaultBpm;
}

int fromFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxFileSize)
        return -1;
    return fromData(file.readAll());
}

} // namespace MidiTempo
