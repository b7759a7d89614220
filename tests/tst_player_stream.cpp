// The endless stream that feeds a row's libvlc player: frames follow each other with nothing
// missing or inserted at a seam, switches happen at the frame asked for and are logged with it,
// and the clock turns libvlc's play time into the frame heard.
#include <memory>
#include <vector>

#include <QTest>

#include "player/decodedsample.h"
#include "player/heardclock.h"
#include "player/pcmformat.h"
#include "player/pcmstream.h"
#include "support/streamsamples.h"

namespace {

using namespace StreamSamples;

using Sample = std::shared_ptr<const DecodedSample>;

// Opens the stream as libvlc does and reads frames in libvlc-like odd-sized chunks.
class Reader {
public:
    explicit Reader(PcmStream &stream)
        : stream(stream)
    {
        void *data = nullptr;
        uint64_t size = 0;
        QCOMPARE(PcmStream::open(&stream, &data, &size), 0);
        QCOMPARE(size, UINT64_MAX);
        unsigned char header[44];
        QCOMPARE(PcmStream::read(&stream, header, sizeof header), 44L);
        QVERIFY(std::equal(header, header + 4, "RIFF"));
        QVERIFY(std::equal(header + 36, header + 40, "data"));
    }

    // The left channel of the next frames.
    std::vector<qint16> frames(qint64 count, size_t chunkBytes = 1000)
    {
        std::vector<unsigned char> bytes;
        while (qint64(bytes.size()) < count * 4) {
            std::vector<unsigned char> chunk(std::min<size_t>(chunkBytes, size_t(count * 4) - bytes.size()));
            const long n = PcmStream::read(&stream, chunk.data(), chunk.size());
            bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + n);
        }
        std::vector<qint16> left;
        for (size_t i = 0; i + 3 < bytes.size(); i += 4)
            left.push_back(qint16(bytes[i] | (bytes[i + 1] << 8)));
        return left;
    }

    PcmStream &stream;
};


std::vector<qint16> run(qint16 base, qint64 from, qint64 count)
{
    std::vector<qint16> v;
    for (qint64 i = 0; i < count; ++i)
        v.push_back(qint16(base + from + i));
    return v;
}

std::vector<qint16> operator+(std::vector<qint16> a, const std::vector<qint16> &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace

class TestPlayerStream : public QObject {
    Q_OBJECT

private slots:
    void repeatAndNextAreSeamless()
    {
        PcmStream stream;
        const Sample a = numbered(1000, 300);
        const Sample b = numbered(5000, 200);
        stream.jump(a, 1);
        stream.setRepeat(true);
        Reader reader(stream);
        // A pass and a half of a, back to back, read across the seam in chunks of 7 frames.
        QCOMPARE(reader.frames(450, 28), run(1000, 0, 300) + run(1000, 0, 150));

        // Repeat off with b queued: the frame after a's last one is b's first.
        stream.queue(b, 2);
        stream.setRepeat(false);
        QCOMPARE(reader.frames(350), run(1000, 150, 150) + run(5000, 0, 200));

        // Nothing queued: the stream runs dry into silence instead of stopping libvlc.
        QCOMPARE(reader.frames(3), std::vector<qint16>(3, 0));

        const auto log = events(stream);
        QCOMPARE(int(log.size()), 5);
        QCOMPARE(log[0].kind, PcmStream::Event::Opened);
        QCOMPARE(log[1].kind, PcmStream::Event::Started);
        QCOMPARE(log[2].kind, PcmStream::Event::Looped);
        QCOMPARE(log[2].streamFrame, 300);
        QCOMPARE(log[3].kind, PcmStream::Event::Started);
        QCOMPARE(log[3].token, quint64(2));
        QCOMPARE(log[3].streamFrame, 600);
        QCOMPARE(log[4].kind, PcmStream::Event::RanDry);
        QCOMPARE(log[4].streamFrame, 800);
        QCOMPARE(stream.servedFrames(), 803);
    }

    void jumpLandsOnItsFrame()
    {
        PcmStream stream;
        const Sample a = numbered(1000, 1000);
        const Sample b = numbered(5000, 1000);
        stream.jump(a, 1);
        Reader reader(stream);
        QCOMPARE(reader.frames(100), run(1000, 0, 100));
        // A switch placed ahead (a bar line) happens exactly there, from the offset asked for.
        stream.jump(b, 2, 10, 250);
        QVERIFY(stream.jumpPending());
        QCOMPARE(reader.frames(300, 404), run(1000, 100, 150) + run(5000, 10, 150));
        QVERIFY(!stream.jumpPending());
        // A jump without a frame happens at the next frame read.
        stream.jump(a, 3, 500);
        QCOMPARE(reader.frames(2), run(1000, 500, 2));
        const auto log = events(stream);
        QCOMPARE(log.back().streamFrame, 400);
        QCOMPARE(log.back().offset, 500);
        QCOMPARE(log[log.size() - 2].streamFrame, 250);
    }

    void reopeningStartsTheStreamClockAgain()
    {
        PcmStream stream;
        stream.jump(numbered(1000, 100), 1);
        {
            Reader reader(stream);
            reader.frames(50);
        }
        Reader again(stream); // libvlc stopped and started: the header comes first again
        QCOMPARE(stream.servedFrames(), 0);
        QCOMPARE(again.frames(10), run(1000, 50, 10));
    }

    void clockFollowsLibvlcTime()
    {
        HeardClock clock;
        clock.start(1000);
        QVERIFY(!clock.anchored());
        QCOMPARE(clock.heardMs(1000), 0.0); // a fresh stream is not heard at once
        clock.observe(1300, 300);
        QVERIFY(clock.anchored());
        const double at1300 = clock.heardMs(1300);
        QVERIFY(at1300 > 250 && at1300 <= 300);
        // Between libvlc's updates the clock runs on at the rate; a pause holds it.
        QCOMPARE(clock.heardMs(1400), at1300 + 100);
        clock.pause(1400);
        QCOMPARE(clock.heardMs(2000), at1300 + 100);
        clock.resume(2000);
        QCOMPARE(clock.heardMs(2050), at1300 + 150);
        QCOMPARE(clock.wallMsFor(at1300 + 150), 2050.0);
        QCOMPARE(clock.heardFrame(2050), qint64((at1300 + 150) * PcmFormat::kRate / 1000));
    }

    void clockTakesThePlayTimeSeenSoonest()
    {
        // libvlc's play time moves every 250 ms; the poll sees each change 0 to 5 ms late. The
        // clock keeps to the stream within a millisecond rather than follow each late sighting.
        HeardClock clock;
        clock.start(0);
        const double truthOffset = 1000.0; // stream time t is heard at wall time t + 1000
        const int lateBy[] = { 4, 1, 5, 3, 0, 2, 5, 4, 1, 3, 5, 2 };
        double worst = 0;
        for (int k = 0; k < 12; ++k) {
            const qint64 vlcTime = 250 * (k + 1);
            const qint64 seenAt = qint64(truthOffset) + vlcTime - 30 + lateBy[k]; // 30: output latency
            clock.observe(seenAt, vlcTime);
            if (k >= 5)
                worst = std::max(worst, std::abs(clock.heardMs(seenAt) - (double(seenAt) - truthOffset)));
        }
        QVERIFY2(worst <= 1.0, qPrintable(QString::number(worst)));
    }

    void clockForgetsEarlierStartsOfTheStream()
    {
        // The stream starts again every 3 s (a seek, a next): play times of an earlier start
        // must never place the new one, which is heard 45 ms after its start.
        HeardClock clock;
        double worstAhead = 0;
        for (int start = 0; start < 6; ++start) {
            const qint64 startedAt = 3000 * start;
            clock.start(startedAt);
            for (qint64 vlcTime = 250; vlcTime < 2900; vlcTime += 250) {
                const qint64 seenAt = startedAt + 45 + vlcTime - 30;
                clock.observe(seenAt, vlcTime);
                worstAhead = std::max(worstAhead, clock.heardMs(seenAt) - double(vlcTime - 30));
            }
        }
        QVERIFY2(worstAhead <= 1.0, qPrintable(QString::number(worstAhead)));
    }
};

QTEST_GUILESS_MAIN(TestPlayerStream)
#include "tst_player_stream.moc"
