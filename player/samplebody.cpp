#include "player/samplebody.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <limits>

#include "player/filedecoder.h"
#include "player/pcmformat.h"

namespace {

// Four seconds: libvlc reads about half a second ahead, the worker looks every few ms.
constexpr qint64 kCapacity = qint64(PcmFormat::kRate) * 4;
constexpr qint64 kPieceFrames = 8192;
constexpr auto kWorkerPause = std::chrono::milliseconds(10);
// A seek waits this long for its first frames; a slow one (a MIDI song replayed up to the
// frame) starts in silence and is heard once the worker gets there.
constexpr auto kPrepareWait = std::chrono::milliseconds(250);
constexpr qint64 kPreparedFrames = PcmFormat::kRate / 2;
// A jump made ready lands within this many frames of where it was aimed (another copy takes
// over a moment after it was made).
constexpr qint64 kLandingFrames = PcmFormat::kRate;
// A jump is made ready once the ring holds this much ahead of the reader; while it is awaited
// the ring is topped up only once the reader is half as close to its end: the source stays where
// the landing left it, ready to go on after it.
constexpr qint64 kRingReserveFrames = kCapacity / 4;
// A start from a new frame decodes from a whole second at least this much before it: a file at
// another rate then reaches the frame with the resampler's history filled as in a straight read
// (a cleared resampler starts with a short fade), and a whole second lies on the file's own
// frame grid at any rate.
constexpr qint64 kLeadInFrames = PcmFormat::kRate / 4;

// The file's own frames, decoded.
class DecodedBody : public BodySource {
public:
    explicit DecodedBody(std::unique_ptr<FileDecoder> decoder)
        : m_decoder(std::move(decoder))
        , m_leadIn(size_t(kPieceFrames) * PcmFormat::kChannels)
    {
    }

    bool startAt(qint64 frame) override
    {
        const qint64 leadInFrom = std::max<qint64>(0, (frame - kLeadInFrames) / PcmFormat::kRate * PcmFormat::kRate);
        if (!m_decoder->seek(leadInFrom))
            return false;
        for (qint64 at = leadInFrom; at < frame;) {
            const qint64 got = m_decoder->read(m_leadIn.data(), std::min(kPieceFrames, frame - at));
            if (got == 0)
                return false;
            at += got;
        }
        return true;
    }

    qint64 read(qint16 *out, qint64 frames) override { return m_decoder->read(out, frames); }

private:
    std::unique_ptr<FileDecoder> m_decoder;
    std::vector<qint16> m_leadIn; // decoded before a new start's frame, and dropped
};

// Copies (copyFrames(n, from)) up to `count` frames from `frame` on out of a window [from, to)
// that the worker rewrites without a lock: it counts `changes` up around a rewrite (odd while it
// moves the window) and raises `from` before it reuses a slot. 0 when the window does not hold
// the frame or changed while it was copied.
template<typename CopyFrames>
qint64 readGuarded(const std::atomic<quint64> &changes, const std::atomic<qint64> &from,
    const std::atomic<qint64> &to, qint64 frame, qint64 count, CopyFrames copyFrames)
{
    const quint64 before = changes.load(std::memory_order_acquire);
    if (before & 1)
        return 0;
    const qint64 first = from.load(std::memory_order_acquire);
    const qint64 end = to.load(std::memory_order_acquire);
    if (frame < first || frame >= end)
        return 0;
    const qint64 n = std::min(count, end - frame);
    copyFrames(n, first);
    std::atomic_thread_fence(std::memory_order_acquire);
    if (changes.load(std::memory_order_relaxed) != before || from.load(std::memory_order_relaxed) > frame)
        return 0;
    return n;
}

} // namespace

SampleBody::SampleBody(std::unique_ptr<FileDecoder> decoder, qint64 firstFrame, qint64 totalFrames)
    : SampleBody(std::make_unique<DecodedBody>(std::move(decoder)), firstFrame, totalFrames)
{
}

SampleBody::SampleBody(std::unique_ptr<BodySource> source, qint64 firstFrame, qint64 totalFrames)
    : m_first(firstFrame)
    , m_total(std::max(firstFrame, totalFrames))
    , m_ring(size_t(kCapacity) * PcmFormat::kChannels)
    , m_wanted(firstFrame)
    , m_from(-1) // nothing yet: the worker starts by seeking to firstFrame
    , m_to(-1)
    , m_landing(size_t(kLandingFrames) * PcmFormat::kChannels)
    , m_source(std::move(source))
{
    m_worker = std::thread([this] { run(); });
}

SampleBody::~SampleBody()
{
    {
        const std::lock_guard guard(m_wakeLock);
        m_quit = true;
    }
    m_wake.notify_all();
    m_worker.join();
}

qint64 SampleBody::capacityFrames()
{
    return kCapacity;
}

qint64 SampleBody::copy(qint16 *out, qint64 frame, qint64 count)
{
    m_wanted.store(frame, std::memory_order_release);
    if (count <= 0)
        return 0;
    qint64 n = copyFromRing(out, frame, count);
    if (n == 0)
        n = copyFromLanding(out, frame, count);
    if (n > 0)
        m_wanted.store(frame + n, std::memory_order_release);
    return n;
}

qint64 SampleBody::copyFromRing(qint16 *out, qint64 frame, qint64 count)
{
    return readGuarded(m_resets, m_from, m_to, frame, count, [&](qint64 n, qint64) {
        const qint64 slot = frame % kCapacity;
        const qint64 first = std::min(n, kCapacity - slot);
        std::memcpy(out, m_ring.data() + slot * PcmFormat::kChannels, size_t(first) * PcmFormat::kChannels * sizeof(qint16));
        std::memcpy(out + first * PcmFormat::kChannels, m_ring.data(), size_t(n - first) * PcmFormat::kChannels * sizeof(qint16));
    });
}

qint64 SampleBody::copyFromLanding(qint16 *out, qint64 frame, qint64 count)
{
    return readGuarded(m_landings, m_landFrom, m_landTo, frame, count, [&](qint64 n, qint64 from) {
        std::memcpy(out, m_landing.data() + (frame - from) * PcmFormat::kChannels, size_t(n) * PcmFormat::kChannels * sizeof(qint16));
    });
}

void SampleBody::follow(qint64 frame)
{
    m_wanted.store(frame, std::memory_order_release);
}

void SampleBody::prepare(qint64 frame)
{
    aim(frame);
    if (frame < m_first || frame >= m_total)
        return;
    const qint64 target = std::min(m_total, frame + kPreparedFrames);
    const auto ready = [this, frame, target] {
        if (m_landFrom.load(std::memory_order_acquire) <= frame && m_landTo.load(std::memory_order_acquire) >= target)
            return true;
        return m_from.load(std::memory_order_acquire) <= frame && m_to.load(std::memory_order_acquire) >= target;
    };
    const auto deadline = std::chrono::steady_clock::now() + kPrepareWait;
    while (std::chrono::steady_clock::now() < deadline && !ready())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void SampleBody::aim(qint64 frame)
{
    m_aim.store(std::clamp(frame, m_first, m_total), std::memory_order_release);
    m_wake.notify_all();
}

void SampleBody::run()
{
    for (;;) {
        bool busy = true;
        while (busy) {
            busy = fillStep();
            const std::lock_guard guard(m_wakeLock);
            if (m_quit)
                return;
        }
        std::unique_lock lock(m_wakeLock);
        if (m_wake.wait_for(lock, kWorkerPause, [this] { return m_quit; }))
            return;
    }
}

void SampleBody::restartAt(qint64 frame)
{
    // Odd while the window moves: a reader that sees it, or sees it change, takes nothing.
    m_resets.fetch_add(1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    m_from.store(frame, std::memory_order_relaxed);
    m_to.store(frame, std::memory_order_relaxed);
    m_resets.fetch_add(1, std::memory_order_release);

    m_sourceEnded = !m_source->startAt(frame);
    m_sourceAt = frame;
}

bool SampleBody::landingHolds(qint64 frame) const
{
    return frame >= m_landFrom.load(std::memory_order_relaxed) && frame < m_landTo.load(std::memory_order_relaxed);
}

void SampleBody::dropLanding()
{
    m_landings.fetch_add(1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    m_landFrom.store(-1, std::memory_order_relaxed);
    m_landTo.store(-1, std::memory_order_relaxed);
    m_landings.fetch_add(1, std::memory_order_release);
}

void SampleBody::fillLanding(qint64 frame)
{
    m_landings.fetch_add(1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    m_landFrom.store(-1, std::memory_order_relaxed);
    m_landTo.store(-1, std::memory_order_relaxed);
    const qint64 n = std::min(kLandingFrames, m_total - frame);
    m_sourceEnded = !m_source->startAt(frame);
    const qint64 got = m_sourceEnded ? 0 : m_source->read(m_landing.data(), n);
    std::fill(m_landing.begin() + got * PcmFormat::kChannels, m_landing.begin() + n * PcmFormat::kChannels, qint16(0));
    m_sourceEnded = m_sourceEnded || got < n;
    m_sourceAt = frame + n;
    m_landFrom.store(frame, std::memory_order_relaxed);
    m_landTo.store(frame + n, std::memory_order_relaxed);
    m_landings.fetch_add(1, std::memory_order_release);
}

void SampleBody::adoptLanding()
{
    const qint64 from = m_landFrom.load(std::memory_order_relaxed);
    const qint64 to = m_landTo.load(std::memory_order_relaxed);
    m_resets.fetch_add(1, std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    m_from.store(from, std::memory_order_relaxed);
    m_to.store(from, std::memory_order_relaxed);
    for (qint64 f = from; f < to;) {
        const qint64 slot = f % kCapacity;
        const qint64 n = std::min(to - f, kCapacity - slot);
        std::copy_n(m_landing.begin() + (f - from) * PcmFormat::kChannels, n * PcmFormat::kChannels,
            m_ring.begin() + slot * PcmFormat::kChannels);
        f += n;
    }
    m_to.store(to, std::memory_order_relaxed);
    m_resets.fetch_add(1, std::memory_order_release);
    // The reader takes the landing's frames from the ring from now on.
    dropLanding();
    m_aim.store(-1, std::memory_order_relaxed);
}

bool SampleBody::fillStep()
{
    const qint64 wanted = std::clamp(m_wanted.load(std::memory_order_acquire), m_first, m_total);
    qint64 from = m_from.load(std::memory_order_relaxed);
    qint64 to = m_to.load(std::memory_order_relaxed);
    if (landingHolds(wanted)) {
        adoptLanding();
        return true;
    }
    const qint64 aim = m_aim.load(std::memory_order_acquire);
    const bool inRing = wanted >= from && wanted <= to;
    if (!inRing) {
        // The reader went elsewhere (a repeat, a jump not made ready): a jump awaited is stale.
        // Before the first frames the aim is the first news of where the reader will join.
        if (from >= 0)
            m_aim.store(-1, std::memory_order_relaxed);
        restartAt(wanted);
        dropLanding();
        from = to = wanted;
    } else if (aim >= 0 && aim < m_total && (aim < from || aim > to) && !landingHolds(aim)
        && to >= std::min(m_total, wanted + kRingReserveFrames)) {
        fillLanding(aim);
        return true;
    } else if (aim >= from && aim <= to) {
        qint64 reached = aim;
        m_aim.compare_exchange_strong(reached, -1);
    }
    const bool awaited = m_landTo.load(std::memory_order_relaxed) > 0;
    const qint64 limit = std::min(m_total, wanted + kCapacity);
    if (to >= limit || (awaited && to - wanted > kRingReserveFrames / 2))
        return false;
    if (m_sourceAt != to) {
        // A jump made ready that never came: the reader goes on in the ring, and so does the source.
        dropLanding();
        m_aim.store(-1, std::memory_order_relaxed);
        m_sourceEnded = !m_source->startAt(to);
        m_sourceAt = to;
    }
    const qint64 slot = to % kCapacity;
    const qint64 n = std::min({ limit - to, kPieceFrames, kCapacity - slot });
    // The slots about to be written held frames the reader has passed; it must no longer take them.
    m_from.store(std::max(from, to + n - kCapacity), std::memory_order_relaxed);
    std::atomic_thread_fence(std::memory_order_release);
    qint16 *out = m_ring.data() + slot * PcmFormat::kChannels;
    const qint64 got = m_sourceEnded ? 0 : m_source->read(out, n);
    if (got < n) {
        // A file that ends before the length it announced plays out in silence.
        std::fill(out + got * PcmFormat::kChannels, out + n * PcmFormat::kChannels, qint16(0));
        m_sourceEnded = true;
    }
    m_sourceAt = to + n;
    m_to.store(to + n, std::memory_order_release);
    return true;
}
