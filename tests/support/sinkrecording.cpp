#include "sinkrecording.h"

#include <cstdlib>
#include <cstring>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

bool SinkRecording::start()
{
    // A low latency makes the sink hand over small blocks, so that what is heard is timed finely.
    m_parec.start(QStringLiteral("parec"),
        { QStringLiteral("-d"), QStringLiteral("ci_sink.monitor"), QStringLiteral("--raw"),
            QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"), QStringLiteral("--channels=2"),
            QStringLiteral("--latency-msec=5") });
    if (!m_parec.waitForStarted(3000))
        return false;
    QTest::qWait(300);
    return true;
}

std::vector<qint16> SinkRecording::stop()
{
    m_parec.terminate();
    m_parec.waitForFinished(3000);
    const QByteArray raw = m_parec.readAllStandardOutput();
    std::vector<qint16> frames(size_t(raw.size() / 4) * 2);
    std::memcpy(frames.data(), raw.constData(), frames.size() * sizeof(qint16));
    return frames;
}

QByteArray TestSupport::wavBytes(const AudioGen::Pcm &pcm)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("x.wav"));
    AudioGen::writeWav(file, pcm);
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly))
        return {};
    return in.readAll();
}

std::vector<qint64> TestSupport::onsets(const std::vector<qint16> &interleaved, int level, qint64 quietFrames)
{
    std::vector<qint64> found;
    qint64 quiet = quietFrames;
    for (size_t i = 0; i < interleaved.size() / 2; ++i) {
        if (std::abs(interleaved[2 * i]) > level) {
            if (quiet >= quietFrames)
                found.push_back(qint64(i));
            quiet = 0;
        } else {
            ++quiet;
        }
    }
    return found;
}
