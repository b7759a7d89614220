#include "player/pcmstream.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "player/decodedsample.h"
#include "player/pcmformat.h"
#include "player/wavheader.h"

namespace {

constexpr int kBytesPerFrame = PcmFormat::kChannels * 2;
// The old copy's frames are mixed in pieces of this many, through the stack.
constexpr qint64 kFadePiece = 256;

const std::array<unsigned char, 44> kHeader = WavHeader::endless(WavHeader::kPcm, 16);

// How long an offline pull waits for a streamed sample's next frames before it gives up and
// goes on in silence (a disk that stalls for longer): a cancel is never kept waiting longer.
constexpr auto kFrameWait = std::chrono::seconds(2);

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
    // The samples let go here are dropped on this thread, not on the read side.
    for (size_t i = 0; i < m_queued; ++i)
        m_queue[i] = {};
    m_queued = 0;
    if (sample)
        m_queue[m_queued++] = { std::move(sample), token };
}

bool PcmStream::append(Sample sample, quint64 token)
{
    const std::lock_guard guard(m_lock);
    if (!sample || m_queued == kQueueDepth)
        return false;
    m_queue[m_queued++] = { std::move(sample), token };
    return true;
}

void PcmStream::jump(Sample sample, quint64 token, qint64 offset, qint64 atFrame)
{
    aimAt(sample, offset);
    const std::lock_guard guard(m_lock);
    m_jump = { std::move(sample), token, std::max<qint64>(0, offset), atFrame };
    m_hasJump = true;
}

bool PcmStream::rejump(Sample sample, quint64 token)
{
    const std::lock_guard guard(m_lock);
    if (!m_hasJump || m_jump.token != token || m_jump.continues || m_jump.offset != 0)
        return false;
    std::swap(m_jump.sample, sample); // the old copy is let go here, on the caller's thread
    return true;
}

void PcmStream::startAt(Sample sample, quint64 token, qint64 offset, qint64 atFrame)
{
    aimAt(sample, offset);
    const std::lock_guard guard(m_lock);
    m_jump = { std::move(sample), token, std::max<qint64>(0, offset), atFrame, true };
    m_hasJump = true;
}

void PcmStream::continueIn(Sample sample, quint64 token, qint64 offset, qint64 atFrame, qint64 crossfade)
{
    aimAt(sample, offset);
    const std::lock_guard guard(m_lock);
    m_jump = { std::move(sample), token, std::max<qint64>(0, offset), atFrame, false, std::max<qint64>(0, crossfade), true };
    m_hasJump = true;
}

void PcmStream::aimAt(const Sample &sample, qint64 offset)
{
    // A streamed sample that is not read yet gets its frames there ready before the jump (a
    // streamed copy at another rate, taking over in the middle of a song).
    if (sample && offset > 0)
        sample->aim(offset);
}

bool PcmStream::unqueue(quint64 token)
{
    const std::lock_guard guard(m_lock);
    if (m_queued == 0 || m_queue[m_queued - 1].token != token)
        return false;
    m_queue[--m_queued] = {};
    return true;
}

bool PcmStream::requeue(Sample sample, quint64 token)
{
    const std::lock_guard guard(m_lock);
    for (size_t i = 0; i < m_queued; ++i) {
        if (m_queue[i].token == token) {
            m_queue[i].sample = std::move(sample);
            return true;
        }
    }
    return false;
}

bool PcmStream::lastSwitch(Event *event) const
{
    const std::lock_guard guard(m_lock);
    if (m_hasSwitched)
        *event = m_lastSwitch;
    return m_hasSwitched;
}

void PcmStream::hold()
{
    const std::lock_guard guard(m_lock);
    m_holdWanted = true;
}

void PcmStream::release()
{
    const std::lock_guard guard(m_lock);
    m_holdWanted = false;
}

bool PcmStream::isHeld() const
{
    const std::lock_guard guard(m_lock);
    return m_holdWanted;
}

bool PcmStream::jumpPending() const
{
    const std::lock_guard guard(m_lock);
    return m_hasJump;
}

bool PcmStream::continuationPending() const
{
    const std::lock_guard guard(m_lock);
    return m_hasJump && m_jump.continues;
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
    if (kind != Event::Looped && kind != Event::Held && kind != Event::Released)
        m_copySince = frame;
    const Event event { kind, frame, token, offset, m_current.get(), m_copySince };
    if (kind == Event::Started || kind == Event::Continued)
        noteSampleStart(frame);
    if (kind == Event::Started || kind == Event::Looped || kind == Event::Continued) {
        m_lastSwitch = event;
        m_hasSwitched = true;
    }
    const size_t head = m_eventHead.load(std::memory_order_relaxed);
    // A full ring drops the news rather than block libvlc; the GUI drains it every few ms.
    if (head - m_eventTail.load(std::memory_order_acquire) >= kEvents)
        return;
    m_events[head % kEvents] = event;
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

void PcmStream::startCountingAt(qint64 frame)
{
    const std::lock_guard guard(m_lock);
    m_served.store(frame, std::memory_order_release);
}

void PcmStream::pull(qint16 *out, qint64 frames)
{
    fillFrames(out, frames);
}

void PcmStream::setWaitsForFrames(bool on)
{
    const std::lock_guard guard(m_lock);
    m_waitsForFrames = on;
}

void PcmStream::pull(float *out, qint64 frames, bool even)
{
    if (even != m_even) {
        m_even = even;
        m_gainTarget = m_loudness.gain(even);
        m_gainStep = (m_gainTarget - m_gain) / float(kGainRampFrames);
        // A voice that has served nothing yet starts at its gain (an export from the middle of
        // the deck's mix starts as the deck plays there).
        if (m_served.load(std::memory_order_relaxed) == 0)
            m_gain = m_gainTarget;
    }
    while (frames > 0) {
        const qint64 n = std::min(frames, kScratchFrames);
        const qint64 first = m_served.load(std::memory_order_relaxed);
        m_gainMarkCount = 0;
        fillFrames(m_scratch.data(), n);
        applyGain(m_scratch.data(), out, n, first);
        out += n * PcmFormat::kChannels;
        frames -= n;
    }
}

void PcmStream::noteSampleStart(qint64 frame)
{
    // More starts in one pull than marks (samples of a few frames) keep the latest one's gain.
    const size_t at = std::min(m_gainMarkCount, kGainMarks - 1);
    m_gainMarks[at] = { frame, m_current ? m_current->original().loudness : Loudness {} };
    m_gainMarkCount = at + 1;
}

void PcmStream::applyGain(const qint16 *in, float *out, qint64 frames, qint64 firstFrame)
{
    constexpr float kScale = 1.0f / 32768.0f;
    size_t mark = 0;
    for (qint64 i = 0; i < frames; ++i) {
        while (mark < m_gainMarkCount && m_gainMarks[mark].frame <= firstFrame + i) {
            // A new sample: its own gain from its first frame, no ramp.
            m_loudness = m_gainMarks[mark++].loudness;
            m_gain = m_gainTarget = m_loudness.gain(m_even);
        }
        if (m_gain != m_gainTarget) {
            const float next = m_gain + m_gainStep;
            m_gain = (m_gainStep == 0.0f || (m_gainStep > 0.0f) == (next > m_gainTarget)) ? m_gainTarget : next;
        }
        for (int c = 0; c < PcmFormat::kChannels; ++c)
            out[i * PcmFormat::kChannels + c] = float(in[i * PcmFormat::kChannels + c]) * kScale * m_gain;
    }
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

// Copies span frames of the current sample. A streamed sample whose frames are not decoded yet
// gets silence and waits at its frame, so that nothing of it is lost.
void PcmStream::serveCurrent(qint16 *out, qint64 span, qint64 served)
{
    qint64 got = m_current->copy(out, m_position, span);
    if (got < span && m_waitsForFrames)
        got = waitForFrames(out, span, got);
    if (got > 0 && m_starving) {
        m_starving = false;
        log(Event::Resumed, served, m_currentToken, m_position);
    }
    if (got < span) {
        std::memset(out + got * PcmFormat::kChannels, 0, size_t(span - got) * kBytesPerFrame);
        if (!m_starving) {
            m_starving = true;
            log(Event::Starved, served + got, m_currentToken, m_position + got);
        }
    }
    m_position += got;
}

qint64 PcmStream::waitForFrames(qint16 *out, qint64 span, qint64 got)
{
    const auto deadline = std::chrono::steady_clock::now() + kFrameWait;
    while (got < span && std::chrono::steady_clock::now() < deadline) {
        m_current->prepare(m_position + got);
        const qint64 more = m_current->copy(out + got * PcmFormat::kChannels, m_position + got, span - got);
        if (more == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        got += more;
    }
    return got;
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
            if (m_jump.continues && m_current && m_jump.crossfade > 0) {
                m_fading = std::move(m_current);
                m_fadingPosition = m_position;
                m_fadeLeft = m_fadeLength = m_jump.crossfade;
            }
            m_current = std::move(m_jump.sample);
            m_currentToken = m_jump.token;
            m_position = m_current ? std::min(m_jump.offset, m_current->frames()) : 0;
            m_hasJump = false;
            log(m_jump.continues ? Event::Continued : Event::Started, served, m_currentToken, m_position);
        }
        qint64 span = frames;
        if (m_hasJump)
            span = std::min(span, m_jump.atFrame - served);
        if (m_holdWanted != m_held) {
            m_held = m_holdWanted;
            log(m_held ? Event::Held : Event::Released, served, m_currentToken, m_position);
        }
        if (m_held) {
            std::memset(out, 0, size_t(span) * kBytesPerFrame);
            out += span * PcmFormat::kChannels;
            frames -= span;
            served += span;
            m_served.store(served, std::memory_order_release);
            continue;
        }

        if (!m_current && !m_hasJump && takeQueued(served))
            continue;
        if (!m_current) {
            std::memset(out, 0, size_t(span) * kBytesPerFrame);
        } else if (m_position >= m_current->frames()) {
            if (m_repeat && m_current->frames() > 0) {
                m_position = 0;
                log(Event::Looped, served, m_currentToken, 0);
            } else if (takeQueued(served)) {
            } else {
                m_current.reset();
                log(Event::RanDry, served, m_currentToken, 0);
            }
            continue;
        } else {
            span = std::min(span, m_current->frames() - m_position);
            serveCurrent(out, span, served);
            if (m_fadeLeft > 0)
                fadeOut(out, span);
        }
        out += span * PcmFormat::kChannels;
        frames -= span;
        served += span;
        m_served.store(served, std::memory_order_release);
    }
}

bool PcmStream::takeQueued(qint64 served)
{
    if (m_queued == 0)
        return false;
    // Moves only: the sample that ended is still held by its owner, so no memory is freed here.
    m_current = std::move(m_queue[0].sample);
    m_currentToken = m_queue[0].token;
    std::move(m_queue.begin() + 1, m_queue.begin() + qsizetype(m_queued), m_queue.begin());
    m_queue[--m_queued] = {};
    m_position = 0;
    log(Event::Started, served, m_currentToken, 0);
    return true;
}

void PcmStream::fadeOut(qint16 *out, qint64 frames)
{
    // The old copy goes on around its loop while its share falls from 1 to 0, the new one's
    // rises from 0 to 1. The old copy is only let go once no longer heard: its owner keeps it.
    // A streamed copy gives what its worker has ready; a frame it lacks fades out from silence.
    const qint64 length = m_fading->frames();
    qint64 done = 0;
    while (m_fadeLeft > 0 && done < frames && length > 0) {
        if (m_fadingPosition >= length)
            m_fadingPosition = 0;
        const qint64 n = std::min({ frames - done, m_fadeLeft, length - m_fadingPosition, kFadePiece });
        alignas(16) qint16 old[kFadePiece * PcmFormat::kChannels];
        const qint64 got = m_fading->copy(old, m_fadingPosition, n);
        std::memset(old + got * PcmFormat::kChannels, 0, size_t(n - got) * kBytesPerFrame);
        qint16 *mixedOut = out + done * PcmFormat::kChannels;
        for (qint64 i = 0; i < n; ++i) {
            const float oldShare = float(m_fadeLeft - i) / float(m_fadeLength);
            for (int c = 0; c < PcmFormat::kChannels; ++c) {
                const qint64 at = i * PcmFormat::kChannels + c;
                const float mixed = float(mixedOut[at]) * (1.0f - oldShare) + float(old[at]) * oldShare;
                mixedOut[at] = qint16(std::clamp(mixed, -32768.0f, 32767.0f));
            }
        }
        m_fadingPosition += n;
        m_fadeLeft -= n;
        done += n;
    }
    if (m_fadeLeft == 0 || length == 0)
        m_fading.reset();
}
