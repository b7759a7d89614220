#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include <QtGlobal>

#include "player/loudness.h"
#include "player/pcmformat.h"

struct DecodedSample;

// One endless PCM stream for one libvlc media player: a WAV header of unknown length, then
// frames forever. Which sample's frames come next is decided here, at the frame: when the
// current sample's last frame has been served, the next frame is the first frame of the same
// sample (repeat) or of the queued one, with no silence between them.
//
// The GUI thread gives orders (queue, repeat, jump); libvlc's input thread pulls frames
// through read(). The read side only copies frames that are decoded already: it never
// decodes, allocates or waits for more than the few instructions an order takes to hand over.
// Every switch is logged as an Event with the stream frame it happened at, so that the GUI
// can act when that frame is heard rather than when it was read.
class PcmStream {
public:
    using Sample = std::shared_ptr<const DecodedSample>;

    struct Event {
        // Continued: the same sample goes on from the same place in another copy (another rate).
        // Starved: a streamed sample's next frames were not decoded in time; silence until
        // Resumed, from the frame it stopped at.
        // Held: silent from streamFrame on, keeping its place (offset); Released: goes on from
        // that place at streamFrame.
        enum Kind { Opened, Started, Looped, Continued, RanDry, Starved, Resumed, Held, Released };
        Kind kind = Opened;
        qint64 streamFrame = 0; // frames served since the stream was opened
        quint64 token = 0;      // which sample (the caller's number for it)
        qint64 offset = 0;      // the sample frame served at streamFrame
        const DecodedSample *sample = nullptr; // the copy served from streamFrame on
        qint64 copySince = 0; // the frame from which that copy has been served (loops go on in it)
    };

    PcmStream();
    ~PcmStream();
    PcmStream(const PcmStream &) = delete;
    PcmStream &operator=(const PcmStream &) = delete;

    // Played again from its first frame when it ends, instead of the queued sample.
    void setRepeat(bool on);
    // The sample that follows the current one, in place of all queued; null clears the queue.
    void queue(Sample sample, quint64 token);
    // A sample that follows the last one queued (samples shorter than the output reads ahead
    // follow each other before the GUI hears the first). False when the queue is full.
    bool append(Sample sample, quint64 token);
    // Serves sample from offset from stream frame atFrame on (-1: from the next frame read);
    // null sample serves silence. A later jump replaces an earlier one that has not happened.
    void jump(Sample sample, quint64 token, qint64 offset = 0, qint64 atFrame = -1);
    // Another copy (another rate) in place of the sample of the jump pending under token, from
    // its first frame at the same stream frame; false when that jump has happened meanwhile.
    bool rejump(Sample sample, quint64 token);
    // As jump(), but silent from the next frame read until atFrame: a row joining others waits
    // for their bar line without what it played before.
    void startAt(Sample sample, quint64 token, qint64 offset, qint64 atFrame);
    // Like jump(), but into another copy of the sample playing then (logged as Continued), faded
    // over from the old copy in `crossfade` frames so that the change is not heard as a click.
    void continueIn(Sample sample, quint64 token, qint64 offset, qint64 atFrame, qint64 crossfade);
    // From the next frame read on, silent without moving on (a row's own pause while the deck
    // plays on); release() goes on from the same frame of the same sample. A jump that comes in
    // between is taken, and heard on release.
    void hold();
    void release();
    bool isHeld() const;
    bool jumpPending() const;
    // The jump pending is a continueIn(): another copy of the same sample, which a switch may replace.
    bool continuationPending() const;
    // Takes the last queued sample back, if it is still queued under token: false when the read
    // side has already gone on to it (it will be heard).
    bool unqueue(quint64 token);
    // Puts another copy in the place of a queued sample, if it is still queued under token.
    bool requeue(Sample sample, quint64 token);
    // The last switch served (Started, Looped or Continued), taken or not; false before any.
    bool lastSwitch(Event *event) const;

    qint64 servedFrames() const { return m_served.load(std::memory_order_acquire); }

    // As a voice of the deck's mixer rather than a media of its own: frames are pulled without a
    // header, and counted from the mixer's frame at the moment the voice joins it.
    void startCountingAt(qint64 frame);
    void pull(qint16 *out, qint64 frames);
    // Pulled offline (an export) rather than by a sound card: a streamed sample's frames that
    // are not decoded yet are waited for, a while, instead of being skipped in silence.
    void setWaitsForFrames(bool on);
    // As pull(), in float (full scale at 1.0) at the sample's loudness gain when `even`, else as
    // it is. A sample's gain starts at its first frame and holds to its last; when `even`
    // changes, the gain moves over kGainRampFrames so that the change is not heard as a click.
    void pull(float *out, qint64 frames, bool even);
    static constexpr qint64 kGainRampFrames = 2205; // 50 ms

    // The oldest event not yet taken; false when there is none.
    bool peekEvent(Event *event) const;
    void popEvent();

    // libvlc_media_new_callbacks callbacks; opaque is the PcmStream.
    static int open(void *opaque, void **data, uint64_t *size);
    static long read(void *data, unsigned char *buffer, size_t length);
    static int seek(void *data, uint64_t offset);
    static void close(void *data);

private:
    struct Jump {
        Sample sample;
        quint64 token = 0;
        qint64 offset = 0;
        qint64 atFrame = -1;
        bool silentUntil = false;
        qint64 crossfade = 0;
        bool continues = false;
    };

    struct Queued {
        Sample sample;
        quint64 token = 0;
    };
    static constexpr size_t kQueueDepth = 16;

    static void aimAt(const Sample &sample, qint64 offset);
    long serve(unsigned char *buffer, size_t length);
    bool takeQueued(qint64 served); // the first queued sample becomes the current one
    void fillFrames(qint16 *out, qint64 frames);
    void serveCurrent(qint16 *out, qint64 span, qint64 served);
    qint64 waitForFrames(qint16 *out, qint64 span, qint64 got);
    void log(Event::Kind kind, qint64 frame, quint64 token, qint64 offset);
    void fadeOut(qint16 *out, qint64 frames);
    void noteSampleStart(qint64 frame);
    void applyGain(const qint16 *in, float *out, qint64 frames, qint64 firstFrame);

    // Shared with the GUI thread, under m_lock (held for a handful of instructions).
    mutable std::mutex m_lock;
    bool m_repeat = false;
    std::array<Queued, kQueueDepth> m_queue;
    size_t m_queued = 0; // how many of m_queue are in use, first to be served first
    bool m_hasJump = false;
    Jump m_jump;
    bool m_holdWanted = false;
    bool m_waitsForFrames = false;

    // Read side only.
    Sample m_current;
    quint64 m_currentToken = 0;
    qint64 m_position = 0;
    // The copy left by a continueIn(), still heard under the new one while it fades out.
    Sample m_fading;
    qint64 m_fadingPosition = 0;
    qint64 m_fadeLeft = 0;
    qint64 m_fadeLength = 0;
    bool m_starving = false;
    bool m_held = false;
    size_t m_headerSent = 0;
    std::atomic<qint64> m_served { 0 };
    Event m_lastSwitch; // under m_lock
    qint64 m_copySince = 0;
    bool m_hasSwitched = false;

    // Read side only: the loudness gain. Samples that start within one pull are noted with
    // their first frame, so that each is played at its own gain from exactly there.
    struct GainMark {
        qint64 frame = 0;
        Loudness loudness;
    };
    static constexpr size_t kGainMarks = 8;
    std::array<GainMark, kGainMarks> m_gainMarks;
    size_t m_gainMarkCount = 0;
    Loudness m_loudness;
    bool m_even = false;
    float m_gain = 1.0f;
    float m_gainTarget = 1.0f;
    float m_gainStep = 0.0f;
    static constexpr qint64 kScratchFrames = 256;
    std::array<qint16, kScratchFrames * PcmFormat::kChannels> m_scratch {};

    // Single-producer (read side), single-consumer (GUI) ring of events.
    static constexpr size_t kEvents = 256;
    std::array<Event, kEvents> m_events;
    std::atomic<size_t> m_eventHead { 0 }; // next to write
    std::atomic<size_t> m_eventTail { 0 }; // next to read
};
