// Songs of minutes stream from disk: a reader gets the file's frames in order across the head
// and the ring, after a repeat and after a seek, while the sample holds seconds in memory.
#include <chrono>
#include <thread>
#include <vector>

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "player/sampledecoder.h"
#include "player/timestretch.h"
#include "tools/audiogen.h"

namespace {

constexpr int kRate = 44100;
constexpr qint64 kPiece = 1024; // frames per read, as libvlc's demuxer asks for them

// Every frame carries its own number: the left sample its low 16 bits, the right its high ones.
AudioGen::Pcm numberedFrames(qint64 frames, int sampleRate = kRate)
{
    AudioGen::Pcm pcm;
    pcm.sampleRate = sampleRate;
    pcm.samples.resize(frames * 2);
    for (qint64 f = 0; f < frames; ++f) {
        pcm.samples[2 * f] = qint16(quint16(f & 0xFFFF));
        pcm.samples[2 * f + 1] = qint16(quint16(f >> 16));
    }
    return pcm;
}

qint64 numberOf(const qint16 *frame)
{
    return qint64(quint16(frame[0])) | (qint64(quint16(frame[1])) << 16);
}

// Reads like the stream's read side, piece by piece; where the stream would play silence
// because the worker is behind, this reader waits for it.
class Reader {
public:
    explicit Reader(const DecodedSample &sample)
        : m_sample(sample)
    {
    }

    // The frames read, in a buffer the next read reuses.
    const std::vector<qint16> &read(qint64 from, qint64 count)
    {
        m_pcm.resize(size_t(count) * 2);
        qint64 done = 0;
        int waits = 0;
        while (done < count && waits < 5000) {
            const qint64 got = m_sample.copy(m_pcm.data() + done * 2, from + done, std::min(kPiece, count - done));
            if (got == 0) {
                ++waits;
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
                continue;
            }
            done += got;
        }
        m_pcm.resize(size_t(done) * 2);
        return m_pcm;
    }

private:
    const DecodedSample &m_sample;
    std::vector<qint16> m_pcm;
};

// The first frame in `pcm` (read from `from` on) that does not carry its number, or -1.
qint64 firstWrongFrame(const std::vector<qint16> &pcm, qint64 from)
{
    for (size_t i = 0; i < pcm.size() / 2; ++i) {
        if (numberOf(pcm.data() + 2 * i) != from + qint64(i))
            return from + qint64(i);
    }
    return -1;
}

qint64 residentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    }
    return -1;
}

} // namespace

class TestPlayerLongTrack : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const qint64 length = SampleDecoder::streamAboveFrames() + 2 * kRate;
        QVERIFY(AudioGen::writeWav(path("song.wav"), numberedFrames(length)));
        QVERIFY(AudioGen::writeWav(path("song48k.wav"), numberedFrames(length * 48000 / kRate, 48000)));
        QVERIFY(AudioGen::writeWav(path("loop.wav"), numberedFrames(4 * kRate)));
    }

    void shortLoopsStayWholeSongsStream()
    {
        const auto loop = SampleDecoder::load(path("loop.wav"), nullptr);
        QVERIFY(loop && !loop->streamed());
        QCOMPARE(loop->frames(), 4LL * kRate);

        const auto song = SampleDecoder::load(path("song.wav"), nullptr);
        QVERIFY(song && song->streamed());
        QCOMPARE(song->frames(), SampleDecoder::streamAboveFrames() + 2LL * kRate);
        QCOMPARE(song->heldFrames(), SampleDecoder::headFrames());
        // At its own speed a song plays its own decoding, not a copy.
        QCOMPARE(TimeStretch::stretch(song, 1.0).get(), song.get());
    }

    // The same frames and outline as the whole file decoded at once, across the end of the head
    // and every turn of the ring, and again after a repeat. A file at another rate goes through
    // the resampler, which must not start over with a fade at the head's end.
    void readsAsTheWholeFile_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("44.1 kHz") << path("song.wav");
        QTest::newRow("48 kHz, resampled") << path("song48k.wav");
    }
    void readsAsTheWholeFile()
    {
        QFETCH(QString, file);
        const auto whole = SampleDecoder::decode(file, nullptr);
        const auto song = SampleDecoder::load(file, nullptr);
        QVERIFY(whole && song && song->streamed());
        QCOMPARE(song->frames(), whole->frames());
        // Its outline is the whole file's, though the file was never all in memory.
        QVERIFY(song->peaks && song->peaks->columns() == WavePeaks::kColumns);
        QVERIFY(song->peaks->low == whole->peaks->low && song->peaks->high == whole->peaks->high);
        // Straight through, then again from the start. Where the body starts over (at the head's
        // end) a resampled file may differ by the last bit from a straight decode.
        Reader reader(*song);
        for (const qint64 count : { song->frames(), SampleDecoder::headFrames() + 2 * kRate }) {
            const std::vector<qint16> &pcm = reader.read(0, count);
            QCOMPARE(qint64(pcm.size()), count * 2);
            int worst = 0;
            for (size_t i = 0; i < pcm.size(); ++i)
                worst = std::max(worst, std::abs(pcm[i] - whole->samples[i]));
            QVERIFY2(worst <= 1, qPrintable(QStringLiteral("%1 frames: off by %2").arg(count).arg(worst)));
        }
    }

    // A seek gets its frames ready before the reader arrives: the first piece is there at once,
    // and from then on every frame is the one that belongs there.
    void seeksLandOnTheirFrame()
    {
        const auto song = SampleDecoder::load(path("song.wav"), nullptr);
        QVERIFY(song);
        const qint64 head = SampleDecoder::headFrames();
        const qint64 end = song->frames();
        Reader reader(*song);
        QCOMPARE(firstWrongFrame(reader.read(0, kRate), 0), -1LL);
        // Forward into the body, back within it, back into the head, up to the last frame.
        for (const qint64 to : { end / 2 + 123, head + 5 * kRate + 7, head - kRate, end - kRate / 2 }) {
            song->prepare(to);
            std::vector<qint16> first(size_t(kPiece) * 2);
            QVERIFY2(song->copy(first.data(), to, kPiece) > 0, qPrintable(QString::number(to)));
            const qint64 count = std::min<qint64>(2 * kRate, end - to);
            const std::vector<qint16> &pcm = reader.read(to, count);
            QCOMPARE(qint64(pcm.size()) / 2, count);
            QCOMPARE(firstWrongFrame(pcm, to), -1LL);
        }
        QCOMPARE(song->copy(nullptr, end, kPiece), 0LL); // nothing past the end
    }

    // A jump made ready while the reader goes on in the body: the reader keeps its frames up to
    // the jump (no silence before a seek lands), then finds the new ones at once, and reads on
    // from there across the end of what was made ready.
    void readerKeepsItsFramesUntilTheJump()
    {
        const auto song = SampleDecoder::load(path("song.wav"), nullptr);
        QVERIFY(song);
        const qint64 at = SampleDecoder::headFrames() + kRate;
        const qint64 to = song->frames() - 5 * kRate + 11;
        Reader reader(*song);
        QCOMPARE(firstWrongFrame(reader.read(at - kRate, kRate), at - kRate), -1LL);
        song->prepare(to);
        std::vector<qint16> piece(size_t(kPiece) * 2);
        for (qint64 frame = at; frame < at + kRate / 2; frame += kPiece) {
            QVERIFY2(song->copy(piece.data(), frame, kPiece) == kPiece, qPrintable(QString::number(frame)));
            QCOMPARE(firstWrongFrame(piece, frame), -1LL);
        }
        QVERIFY(song->copy(piece.data(), to, kPiece) == kPiece);
        QCOMPARE(firstWrongFrame(piece, to), -1LL);
        QCOMPARE(firstWrongFrame(reader.read(to, 3 * kRate), to), -1LL);
    }

    // A five-minute song costs its head and its ring, a few megabytes, not the 50 MB it decodes to.
    void holdsSecondsNotTheSong()
    {
        QVERIFY(AudioGen::writeWavRepeated(path("five.wav"), numberedFrames(10 * kRate), 30));
        const qint64 before = residentKb();
        const auto song = SampleDecoder::load(path("five.wav"), nullptr);
        QVERIFY(song && song->streamed());
        QCOMPARE(song->frames(), 300LL * kRate);
        Reader reader(*song);
        for (const qint64 from : { 0LL, 200LL * kRate }) {
            song->prepare(from);
            for (qint64 second = 0; second < 10; ++second)
                QCOMPARE(qint64(reader.read(from + second * kRate, kRate).size()), 2LL * kRate);
        }
        const qint64 grownKb = residentKb() - before;
        QVERIFY2(grownKb < 12 * 1024, qPrintable(QStringLiteral("%1 kB more").arg(grownKb)));
    }
};

QTEST_GUILESS_MAIN(TestPlayerLongTrack)
#include "tst_player_longtrack.moc"
