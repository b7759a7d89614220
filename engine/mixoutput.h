#pragma once

#include <QtGlobal>

// Where the deck's mix goes: the loudspeaker through libvlc, or a file. An output pulls frames
// from the mixer at its own pace; the mixer does not know which output it feeds.
class MixOutput {
public:
    virtual ~MixOutput() = default;

    // Starts a fresh stream: what the output held of an earlier one is dropped. Its first frame
    // is the mixer's read head now.
    virtual void start() = 0;
    // Holds what was read ahead and resumes with it, so that nothing is lost or heard twice.
    virtual void pause() = 0;
    virtual void resume() = 0;
    virtual void stop() = 0;
    virtual bool isRunning() const = 0; // started and not stopped (paused or not)
    virtual bool isPaused() const = 0;
    // Stream time being played, in ms since start(); -1 while unknown.
    virtual qint64 playedMs() const = 0;
};
