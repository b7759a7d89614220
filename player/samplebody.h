#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <QtGlobal>

class FileDecoder;

// Where a SampleBody's frames come from, on its worker thread: the file's decoding, or a copy
// of it stretched as it streams.
class BodySource {
public:
    virtual ~BodySource() = default;
    // Reading goes on from `frame`; false when the frames from there cannot be had (they play
    // as silence).
    virtual bool startAt(qint64 frame) = 0;
    // Up to `frames` frames on from where the last read ended; fewer (0) at the end.
    virtual qint64 read(qint16 *out, qint64 frames) = 0;
};

// The part of a long sample after its head, streamed from disk: a worker thread decodes it
// into a ring of a few seconds just ahead of where the stream reads, so that a song of minutes
// costs the same memory as a short loop.
//
// The read side (libvlc's input thread) only copies what is in the ring: it never waits,
// allocates or decodes, and gets fewer frames than asked for when the worker is behind. It tells
// the worker where it reads through an atomic; the worker follows, and starts over from a new
// frame when the reading jumped (a repeat from the head, a seek). One reader at a time.
//
// A jump placed ahead of time (a seek, another copy taking over) is made ready in a landing
// area of its own while the reader goes on in the ring: the reader is never left without its
// frames before the jump, and finds the new ones there when it lands.
class SampleBody {
public:
    // decoder is open (at any position); the body holds frames [firstFrame, totalFrames).
    SampleBody(std::unique_ptr<FileDecoder> decoder, qint64 firstFrame, qint64 totalFrames);
    SampleBody(std::unique_ptr<BodySource> source, qint64 firstFrame, qint64 totalFrames);
    ~SampleBody();
    SampleBody(const SampleBody &) = delete;
    SampleBody &operator=(const SampleBody &) = delete;

    qint64 firstFrame() const { return m_first; }
    qint64 totalFrames() const { return m_total; }

    // Read side: copies up to `count` frames from sample frame `frame` on; returns how many were
    // ready (0 when the ring does not hold that frame yet).
    qint64 copy(qint16 *out, qint64 frame, qint64 count);
    // Read side: the reader is at `frame` of the head; the worker gets the body's start ready.
    void follow(qint64 frame);
    // Gets the frames from `frame` on ready for a jump there and, when it lies in the body,
    // waits a moment for the first of them. For the thread that places the jump, before the
    // reader gets there.
    void prepare(qint64 frame);
    // As prepare(), without waiting: a copy not read yet gets ready where the reader will join it.
    void aim(qint64 frame);
    // Where the reader is (or where the worker was last pointed).
    qint64 readingAt() const { return m_wanted.load(std::memory_order_acquire); }

    // How many frames the ring holds: what reading ahead may cost in memory.
    static qint64 capacityFrames();

private:
    void run();
    // Decodes one piece ahead of the reader; false when there is nothing to do.
    bool fillStep();
    void restartAt(qint64 frame);
    qint64 copyFromRing(qint16 *out, qint64 frame, qint64 count);
    qint64 copyFromLanding(qint16 *out, qint64 frame, qint64 count);
    void fillLanding(qint64 frame);
    // The reader has landed: the landing becomes the ring's window, and the source goes on after it.
    void adoptLanding();
    void dropLanding();
    bool landingHolds(qint64 frame) const;

    const qint64 m_first;
    const qint64 m_total;
    std::vector<qint16> m_ring; // frame f lives in slot f % capacity

    std::atomic<qint64> m_wanted; // the frame the reader needs next
    // The ring holds frames [m_from, m_to). The worker raises m_from before it overwrites a slot,
    // and counts m_resets up around a start from a new frame (odd while it moves the window).
    std::atomic<qint64> m_from;
    std::atomic<qint64> m_to;
    std::atomic<quint64> m_resets { 0 };
    // A jump to come: where (-1: none), and the frames [m_landFrom, m_landTo) made ready for it,
    // counted up in m_landings around a rewrite as m_resets is.
    std::atomic<qint64> m_aim { -1 };
    std::vector<qint16> m_landing;
    std::atomic<qint64> m_landFrom { -1 };
    std::atomic<qint64> m_landTo { -1 };
    std::atomic<quint64> m_landings { 0 };

    // The worker's alone.
    std::unique_ptr<BodySource> m_source;
    bool m_sourceEnded = false; // the file ended before m_total: the rest is silence
    qint64 m_sourceAt = -1; // the frame the source gives next

    std::mutex m_wakeLock;
    std::condition_variable m_wake;
    bool m_quit = false;
    std::thread m_worker;
};
