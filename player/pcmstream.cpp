#include "player/pcmstream.h"

#include <algorithm>
#include <cstring>

#include <QtEndian>

#include "player/decodedsample.h"
#include "player/pcmformat.h"

namespace {

constexpr int kBytesPerFrame = PcmFormat::kChannels * 2;

// RIFF/WAVE, PCM, 16-bit stereo; both sizes "unknown" so that the demuxer never reaches an end.
std::array<unsigned char, 44> wavHeader()
{
    std::array<unsigned char, 44> h {};
    auto put32 = [&](size_t at, quint32 v) { qToLittleEndian(v, h.data() + at); };
    auto put16 = [&](size_t at, quint16 v) { qToLittleEndian(v, h.data() + at); };
    std::memcpy(h.data(), "RIFF", 4);
    put32(4, 0xFFFFFFFFu);
    std::memcpy(h.data() + 8, "WAVEfmt ", 8);
    put32(16, 16);
    put16(20, 1);
    put16(22, PcmFormat::kChannels);
    put32(24, PcmFormat::kRate);
    put32(28, PcmFormat::kRate * kBytesPerFrame);
    put16(32, kBytesPerFrame);
    put16(34, 16);
    std::memcpy(h.data() + 36, "data", 4);
    put32(40, 0xFFFFFFFFu);
    return h;
}

const std::array<unsigned char, 44> kHeader = wavHeader();

} // namespace

PcmStream::PcmStream() = default;
PcmStream::~PcmStream() = default;

void PcmStream::setRepeat(bool on)
{
    const std::lock_guard guard(m_lock);
    m_repeat = on;
}

void PcmStream::queue(Sample sample, quint64 token)
{
    const std::lock_guard guard(m_lock);
    m_queued = std::move(sample);
    m_queuedToken = token;
}

void PcmStream::jump(Sample sample, quint64 token, qint64 offset, qint64 atFrame)
{
    const std::lock_guard guard(m_lock);
    m_jump = { std::move(sample), token, std::max<qint64>(0, offset), atFrame };
    m_hasJump = true;
}

void PcmStream::startAt(Sample sample, quint64 token, qint64 offset, qint64 atFrame)
{
    const std::lock_guard guard(m_lock);
    m_jump = { std::move(sample), token, std::max<qint64>(0, offset), atFrame, true };
    m_hasJump = true;
}

bool PcmStream::jumpPending() const
{
    const std::lock_guard guard(m_lock);
    return m_hasJump;
}

bool PcmStream::peekEvent(Event *event) const
{
    const size_t tail = m_eventTail.load(std::memory_order_relaxed);
    if (tail == m_eventHead.load(std::memory_order_acquire))
        return false;
    *event = m_events[tail % kEvents];
    return true;
}

void PcmStream::popEvent()
{
    m_eventTail.fetch_add(1, std::memory_order_release);
}

void PcmStream::log(Event::Kind kind, qint64 frame, quint64 token, qint64 offset)
{
    const size_t head = m_eventHead.load(std::memory_order_relaxed);
    // A full ring drops the news rather than block libvlc; the GUI drains it every few ms.
    if (head - m_eventTail.load(std::memory_order_acquire) >= kEvents)
        return;
    m_events[head % kEvents] = { kind, frame, token, offset };
    m_eventHead.store(head + 1, std::memory_order_release);
}

int PcmStream::open(void *opaque, void **data, uint64_t *size)
{
    auto *self = static_cast<PcmStream *>(opaque);
    *data = self;
    *size = UINT64_MAX;
    // Each start of the media player opens the stream anew: its clock starts again at 0.
    self->m_headerSent = 0;
    self->m_served.store(0, std::memory_order_release);
    const std::lock_guard guard(self->m_lock);
    self->log(Event::Opened, 0, self->m_currentToken, self->m_position);
    return 0;
}

long PcmStream::read(void *data, unsigned char *buffer, size_t length)
{
    return static_cast<PcmStream *>(data)->serve(buffer, length);
}

int PcmStream::seek(void *, uint64_t)
{
    return -1; // an endless stream: libvlc only ever reads on
}

void PcmStream::close(void *)
{
}

long PcmStream::serve(unsigned char *buffer, size_t length)
{
    size_t written = 0;
    if (m_headerSent < kHeader.size()) {
        const size_t n = std::min(length, kHeader.size() - m_headerSent);
        std::memcpy(buffer, kHeader.data() + m_headerSent, n);
        m_headerSent += n;
        written = n;
    }
    const qint64 frames = qint64((length - written) / kBytesPerFrame);
    if (frames > 0) {
        // The buffer handed in by libvlc's demuxer is byte-aligned only.
        alignas(16) qint16 chunk[1024 * PcmFormat::kChannels];
        qint64 left = frames;
        while (left > 0) {
            const qint64 n = std::min<qint64>(left, 1024);
            fillFrames(chunk, n);
            std::memcpy(buffer + written, chunk, size_t(n) * kBytesPerFrame);
            written += size_t(n) * kBytesPerFrame;
            left -= n;
        }
    }
    return long(written);
}

void PcmStream::fillFrames(qint16 *out, qint64 frames)
{
    const std::lock_guard guard(m_lock);
    qint64 served = m_served.load(std::memory_order_relaxed);
    while (frames > 0) {
        if (m_hasJump && m_jump.silentUntil) {
            m_current.reset();
            m_jump.silentUntil = false;
        }
        if (m_hasJump && (m_jump.atFrame < 0 || m_jump.atFrame <= served)) {
            m_current = std::move(m_jump.sample);
            m_currentToken = m_jump.token;
            m_position = m_current ? std::min(m_jump.offset, m_current->frames()) : 0;
            m_hasJump = false;
            log(Event::Started, served, m_currentToken, m_position);
        }
        qint64 span = frames;
        if (m_hasJump)
            span = std::min(span, m_jump.atFrame - served);

        if (!m_current && m_queued && !m_hasJump) {
            m_current = std::move(m_queued);
            m_currentToken = m_queuedToken;
            m_position = 0;
            log(Event::Started, served, m_currentToken, 0);
            continue;
        }
        if (!m_current) {
            std::memset(out, 0, size_t(span) * kBytesPerFrame);
        } else if (m_position >= m_current->frames()) {
            if (m_repeat && m_current->frames() > 0) {
                m_position = 0;
                log(Event::Looped, served, m_currentToken, 0);
            } else if (m_queued) {
                m_current = std::move(m_queued);
                m_currentToken = m_queuedToken;
                m_position = 0;
                log(Event::Started, served, m_currentToken, 0);
            } else {
                m_current.reset();
                log(Event::RanDry, served, m_currentToken, 0);
            }
            continue;
        } else {
            span = std::min(span, m_current->frames() - m_position);
            std::memcpy(out, m_current->samples.data() + m_position * PcmFormat::kChannels,
                size_t(span) * kBytesPerFrame);
            m_position += span;
        }
        out += span * PcmFormat::kChannels;
        frames -= span;
        served += span;
        m_served.store(served, std::memory_order_release);
    }
}
