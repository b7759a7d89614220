#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include <QStringList>

#include "engine/mixoutput.h"

class DeckMixer;
class VlcPlayback;

// The deck's mix through libvlc to the loudspeaker. A writer thread moves the mix into a small
// pipe that libvlc reads as an endless WAV file of float frames. libvlc reads a pipe about 200 ms
// ahead of the loudspeaker (media callbacks: about 490 ms, whatever the options), and that
// read-ahead is how late a move placed at the mixer's read head is heard.
class VlcOutput : public MixOutput {
public:
    VlcOutput(DeckMixer &mixer, const QStringList &vlcArguments);
    ~VlcOutput() override;
    VlcOutput(const VlcOutput &) = delete;
    VlcOutput &operator=(const VlcOutput &) = delete;

    void start() override;
    void pause() override;
    void resume() override;
    void stop() override;
    bool isRunning() const override { return m_running; }
    bool isPaused() const override { return m_paused; }
    qint64 playedMs() const override;

    // Sees every block of the mix on its way to libvlc, with the deck frame of its first frame,
    // on the writer's thread: what the deck sends to the loudspeaker, for measuring it.
    using Tap = std::function<void(qint64 firstFrame, const float *frames, qint64 count)>;
    void setTap(Tap tap);

    VlcPlayback &playback() { return *m_playback; }
    const VlcPlayback &playback() const { return *m_playback; }

private:
    void writeLoop(int fd);
    void stopWriter();

    DeckMixer &m_mixer;
    std::unique_ptr<VlcPlayback> m_playback;
    std::thread m_writer;
    std::atomic<bool> m_stopWriter { false };
    int m_readFd = -1;
    std::mutex m_tapLock;
    Tap m_tap;
    bool m_running = false;
    bool m_paused = false;
};
