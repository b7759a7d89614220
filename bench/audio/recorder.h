#pragma once

#include <thread>
#include <vector>

#include <QtGlobal>

// What the null sink played, as a mono signal (mean of both channels, full scale 1.0), with the
// wall time (Player::wallClockMs()) at which each frame was rendered.
class Recording {
public:
    static constexpr int kRate = 44100;

    // parec's output as it arrived: by wallMs, `frames` frames had been delivered.
    struct Arrival {
        double wallMs = 0;
        qint64 frames = 0;
    };

    Recording() = default;
    Recording(std::vector<float> mono, std::vector<Arrival> arrivals);

    const std::vector<float> &mono() const { return m_mono; }
    qint64 frames() const { return qint64(m_mono.size()); }

    // Wall time at which the sink rendered this frame; negative when the recording knows no time.
    double wallMsOf(qint64 frame) const;
    // The frame the sink rendered at wallMs (may lie outside the recording).
    qint64 frameAt(double wallMs) const;

    static double framesToMs(qint64 frames) { return double(frames) * 1000.0 / kRate; }

private:
    std::vector<float> m_mono;
    std::vector<Arrival> m_arrivals;
};

// Records the null sink's monitor with parec. A reader thread takes parec's output the moment it
// arrives and notes the wall time, so that frames can be put on the same clock as the players'
// signals. A low latency makes the null sink render in small blocks: at 20 ms every underrun would
// be rounded up to whole 20 ms blocks of silence and hide what the player itself does.
class Recorder {
public:
    Recorder() = default;
    ~Recorder();
    Recorder(const Recorder &) = delete;
    Recorder &operator=(const Recorder &) = delete;

    bool start();
    Recording stop();

private:
    void readAll();

    qint64 m_pid = -1;
    int m_fd = -1;
    std::thread m_reader;
    std::vector<char> m_bytes;
    std::vector<Recording::Arrival> m_arrivals;
};
