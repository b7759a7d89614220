#include "recorder.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstring>

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTest>

#include "player/player.h"

extern char **environ;

namespace {

constexpr int kBytesPerFrame = 4; // s16le stereo

} // namespace

Recording::Recording(std::vector<float> mono, std::vector<Arrival> arrivals)
    : m_mono(std::move(mono))
    , m_arrivals(std::move(arrivals))
{
}

double Recording::wallMsOf(qint64 frame) const
{
    // Each arrival is a late bound on when its frames were rendered (the pipe and the scheduler
    // only add delay); the tightest bound of the arrivals around the frame is the estimate.
    auto it = std::lower_bound(m_arrivals.begin(), m_arrivals.end(), frame,
        [](const Arrival &a, qint64 f) { return a.frames <= f; });
    double best = -1;
    for (; it != m_arrivals.end() && it->frames <= frame + kRate; ++it) {
        const double bound = it->wallMs - framesToMs(it->frames - frame);
        if (best < 0 || bound < best)
            best = bound;
    }
    return best;
}

qint64 Recording::frameAt(double wallMs) const
{
    if (m_arrivals.empty())
        return 0;
    auto it = std::lower_bound(m_arrivals.begin(), m_arrivals.end(), wallMs,
        [](const Arrival &a, double w) { return a.wallMs < w; });
    if (it == m_arrivals.end())
        --it;
    const double at = wallMsOf(it->frames - 1);
    return it->frames - 1 + qint64((wallMs - at) * kRate / 1000.0);
}

Recorder::~Recorder()
{
    if (m_pid > 0)
        stop();
}

bool Recorder::start()
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
    const char *argv[] = { "parec", "-d", "ci_sink.monitor", "--raw", "--format=s16le", "--rate=44100",
        "--channels=2", "--latency-msec=2", nullptr };
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, "parec", &actions, nullptr, const_cast<char **>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (spawned != 0) {
        close(pipeFds[0]);
        return false;
    }
    m_pid = pid;
    m_fd = pipeFds[0];
    m_bytes.clear();
    m_bytes.reserve(size_t(kBytesPerFrame) * Recording::kRate * 60);
    m_arrivals.clear();
    m_reader = std::thread([this] { readAll(); });
    QTest::qWait(400); // the stream is connected and recording silence
    return true;
}

void Recorder::readAll()
{
    char buffer[16384];
    for (;;) {
        const ssize_t got = read(m_fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return;
        const double now = Player::wallClockMs();
        m_bytes.insert(m_bytes.end(), buffer, buffer + got);
        m_arrivals.push_back({ now, qint64(m_bytes.size() / kBytesPerFrame) });
    }
}

Recording Recorder::stop()
{
    if (m_pid <= 0)
        return {};
    kill(pid_t(m_pid), SIGTERM);
    if (m_reader.joinable())
        m_reader.join();
    int status = 0;
    waitpid(pid_t(m_pid), &status, 0);
    close(m_fd);
    m_pid = -1;
    m_fd = -1;

    std::vector<float> mono(m_bytes.size() / kBytesPerFrame);
    for (size_t i = 0; i < mono.size(); ++i) {
        int16_t lr[2];
        std::memcpy(lr, m_bytes.data() + i * kBytesPerFrame, sizeof lr);
        mono[i] = float((int(lr[0]) + int(lr[1])) / 65536.0);
    }
    m_bytes = {};
    return Recording(std::move(mono), std::move(m_arrivals));
}
