// The heard clock on real libvlc: however often a stream is stopped and started again, paused
// and resumed, the frame the clock says is heard is one libvlc has already been served, and
// never further behind the frames served than libvlc reads ahead.
#include <algorithm>
#include <cmath>
#include <memory>
#include <random>

#include <QElapsedTimer>
#include <QTest>

#include "engine/vlcplayback.h"
#include "player/decodedsample.h"
#include "player/heardclock.h"
#include "player/pcmformat.h"
#include "player/pcmstream.h"
#include "support/streamsamples.h"
#include "support/testsupport.h"

using namespace StreamSamples;

class TestPlayerHeardClock : public QObject {
    Q_OBJECT

private slots:
    void clockStaysBetweenServedAndReadAheadAcrossRestarts()
    {
        if (!TestSupport::audioServerAnswers())
            QSKIP("needs an audio server: libvlc's play time means nothing without one");
        PcmStream stream;
        stream.setRepeat(true);
        stream.jump(quietTone(1.0), 1);
        VlcPlayback vlc({});
        vlc.setStream(&stream);
        HeardClock clock;
        QElapsedTimer wall;
        wall.start();

        // Stops and starts (the stream opens again from frame 0) and pauses and resumes, at
        // intervals longer and shorter than libvlc's read-ahead.
        std::mt19937 random(19);
        std::uniform_int_distribution<int> interval(400, 2600);
        vlc.play();
        clock.start(wall.elapsed());
        double worstAheadMs = 0;
        double worstBehindMs = 0;
        int checks = 0;
        for (int restart = 0; restart < 14; ++restart) {
            const qint64 until = wall.elapsed() + interval(random);
            while (wall.elapsed() < until) {
                QTest::qWait(5);
                const qint64 now = wall.elapsed();
                clock.observe(now, vlc.timeMs());
                if (!clock.anchored() || !clock.running())
                    continue;
                const double gapMs = framesToMs(stream.servedFrames()) - clock.heardMs(now);
                worstAheadMs = std::max(worstAheadMs, -gapMs);
                worstBehindMs = std::max(worstBehindMs, gapMs);
                ++checks;
            }
            if (restart % 3 == 2) {
                vlc.pause();
                clock.pause(wall.elapsed());
                QTest::qWait(300);
                vlc.play();
                clock.resume(wall.elapsed());
            } else {
                vlc.stop();
                vlc.play();
                clock.start(wall.elapsed());
            }
        }
        vlc.stop();
        QVERIFY(checks > 500);
        QVERIFY2(worstAheadMs <= 5.0, qPrintable(QStringLiteral("ahead of the frames served by %1 ms").arg(worstAheadMs)));
        // libvlc reads about half a second ahead of the loudspeaker (more right after a start).
        QVERIFY2(worstBehindMs <= 1000.0, qPrintable(QStringLiteral("behind by %1 ms").arg(worstBehindMs)));
    }
};

QTEST_MAIN(TestPlayerHeardClock)
#include "tst_player_heardclock.moc"
