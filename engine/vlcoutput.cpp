#include "engine/vlcoutput.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include "engine/deckmixer.h"
#include "engine/vlcplayback.h"
#include "player/pcmformat.h"
#include "player/wavheader.h"

namespace {

constexpr int kBytesPerFrame = PcmFormat::kChannels * int(sizeof(float));
// The pipe holds 4 KiB; the writer adds 1 KiB each time it has room. Measured here: libvlc then
// plays 200 ms behind the writer with no gaps (more in the pipe only adds to that).
constexpr int kPipeBytes = 4096;
constexpr qint64 kWriteFrames = 1024 / kBytesPerFrame;

} // namespace

VlcOutput::VlcOutput(DeckMixer &mixer, const QStringList &vlcArguments)
    : m_mixer(mixer)
    , m_playback(std::make_unique<VlcPlayback>(vlcArguments))
{
}

VlcOutput::~VlcOutput()
{
    stop();
}

void VlcOutput::start()
{
    stop();
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return;
    fcntl(fds[1], F_SETPIPE_SZ, kPipeBytes);
    fcntl(fds[1], F_SETFL, fcntl(fds[1], F_GETFL) | O_NONBLOCK);
    m_readFd = fds[0];
    m_stopWriter = false;
    m_writer = std::thread([this, fd = fds[1]] { writeLoop(fd); });
    m_playback->setFd(m_readFd);
    m_playback->play();
    m_running = true;
    m_paused = false;
}

void VlcOutput::pause()
{
    if (!m_running || m_paused)
        return;
    m_playback->pause();
    m_paused = true;
}

void VlcOutput::resume()
{
    if (!m_running || !m_paused)
        return;
    m_playback->play();
    m_paused = false;
}

void VlcOutput::stop()
{
    if (!m_running && !m_writer.joinable())
        return;
    // libvlc stops reading first; then the writer, which may be waiting for room, is let go.
    m_playback->stop();
    m_playback->clearMedia();
    stopWriter();
    if (m_readFd >= 0)
        close(m_readFd);
    m_readFd = -1;
    m_running = false;
    m_paused = false;
}

qint64 VlcOutput::playedMs() const
{
    return m_running ? m_playback->timeMs() : -1;
}

void VlcOutput::setTap(Tap tap)
{
    const std::lock_guard guard(m_tapLock);
    m_tap = std::move(tap);
}

void VlcOutput::stopWriter()
{
    m_stopWriter = true;
    if (m_writer.joinable())
        m_writer.join();
}

void VlcOutput::writeLoop(int fd)
{
    // A reader that went away must end the loop with EPIPE, not the process with SIGPIPE.
    sigset_t pipeSignal;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr);

    const std::array<unsigned char, 44> header = WavHeader::endless(WavHeader::kIeeeFloat, 32);
    std::vector<float> block(size_t(kWriteFrames * PcmFormat::kChannels));
    std::vector<unsigned char> pending(header.begin(), header.end());
    size_t sent = 0;
    while (!m_stopWriter.load()) {
        if (sent == pending.size()) {
            m_mixer.mix(block.data(), kWriteFrames);
            if (const std::lock_guard guard(m_tapLock); m_tap)
                m_tap(m_mixer.mixedFrames() - kWriteFrames, block.data(), kWriteFrames);
            const auto *bytes = reinterpret_cast<const unsigned char *>(block.data());
            pending.assign(bytes, bytes + block.size() * sizeof(float));
            sent = 0;
        }
        pollfd writable { fd, POLLOUT, 0 };
        if (poll(&writable, 1, 20) <= 0)
            continue;
        if (writable.revents & (POLLERR | POLLHUP))
            break;
        const ssize_t n = write(fd, pending.data() + sent, pending.size() - sent);
        if (n > 0)
            sent += size_t(n);
        else if (n < 0 && errno != EAGAIN && errno != EINTR)
            break;
    }
    close(fd);
}
