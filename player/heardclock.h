#pragma once

#include <array>

#include <QtGlobal>

// Which frame of a libvlc stream is being heard now. libvlc reads about half a second ahead
// of the loudspeaker, so the frames served are no guide; libvlc's own play time is, but it
// moves only a few times a second. The clock takes each new play time as an anchor and runs
// on from it. libvlc plays every stream at rate 1: a row's rate is in the frames it serves.
class HeardClock {
public:
    // The stream was (re)started at wall time nowMs; its first frame is frame originMs of the
    // timeline the clock tells (a deck's mixer goes on counting across restarts of its output).
    void start(qint64 nowMs, double originMs = 0.0);
    void pause(qint64 nowMs);
    void resume(qint64 nowMs);
    void stop();

    // Feeds libvlc's play time (ms of stream, -1 if unknown) as read at nowMs.
    void observe(qint64 nowMs, qint64 vlcTimeMs);
    bool running() const { return m_running && !m_paused; }
    // True once libvlc has reported a play time since the start: before that the clock guesses.
    bool anchored() const { return m_anchored; }
    // The stream time heard at nowMs, in ms, and as a frame.
    double heardMs(qint64 nowMs) const;
    qint64 heardFrame(qint64 nowMs) const;
    // The stream time heard at wall time wallMs, in the past or the future.
    double streamMsAt(double wallMs) const;
    // The wall time at which stream time streamMs will be (or was) heard.
    double wallMsFor(double streamMs) const;

private:
    void anchorAt(qint64 wallMs, double streamMs);
    // Offsets from before a restart belong to another start of the stream: none may be read again.
    void forgetOffsets()
    {
        m_offsetCount = 0;
        m_offsetNext = 0;
    }

    bool m_running = false;
    bool m_paused = false;
    bool m_anchored = false;
    qint64 m_lastVlcTime = -1;
    double m_originMs = 0;
    // stream time streamMs is heard at wall time wallMs; the clock runs on from there
    double m_anchorWall = 0;
    double m_anchorStream = 0;
    double m_pausedAt = 0;
    // Wall time less stream time at the latest play times seen. Each is seen up to a poll late,
    // so the smallest is the truest.
    std::array<double, 16> m_offsets {};
    size_t m_offsetCount = 0;
    size_t m_offsetNext = 0;
};
