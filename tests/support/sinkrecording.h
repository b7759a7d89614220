#pragma once

#include <vector>

#include <QByteArray>
#include <QProcess>

#include "tools/audiogen.h"

// What the test's null sink plays, recorded from its monitor with parec as interleaved 16-bit
// stereo at 44.1 kHz: what a listener hears.
class SinkRecording {
public:
    // False when parec cannot be started.
    bool start();
    // Everything recorded since start().
    std::vector<qint16> stop();

private:
    QProcess m_parec;
};

namespace TestSupport {

// A WAV file's bytes, for a sample written as it is (PlayerRig's raw samples).
QByteArray wavBytes(const AudioGen::Pcm &pcm);

// Frames where the left channel of `interleaved` rises above `level` after at least
// `quietFrames` frames below it.
std::vector<qint64> onsets(const std::vector<qint16> &interleaved, int level, qint64 quietFrames);

} // namespace TestSupport
