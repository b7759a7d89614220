// The deck's one timeline: the mixer adds every voice frame for frame and every voice counts the
// mixer's frames; a held voice keeps its place; the one output plays the mix through libvlc and
// the clock tells which of its frames is heard, across a pause of the output.
#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include <QTest>

#include "engine/deckengine.h"
#include "engine/deckmixer.h"
#include "player/decodedsample.h"
#include "player/pcmformat.h"
#include "player/pcmstream.h"
#include "support/streamsamples.h"
#include "support/testsupport.h"

namespace {

using namespace StreamSamples;

// The left channel of the next frames of the mix, back in the voices' 16-bit units.
std::vector<int> mixLeft(DeckMixer &mixer, qint64 frames)
{
    std::vector<float> out(size_t(frames * PcmFormat::kChannels));
    mixer.mix(out.data(), frames);
    std::vector<int> left;
    for (qint64 i = 0; i < frames; ++i)
        left.push_back(int(std::lround(out[size_t(i * PcmFormat::kChannels)] * 32768.0f)));
    return left;
}

} // namespace

class TestEngineMixer : public QObject {
    Q_OBJECT

private slots:
    void voicesAreAddedFrameForFrameOnOneCount()
    {
        DeckMixer mixer;
        PcmStream a, b, late;
        a.setRepeat(true);
        a.jump(numbered(1000, 300), 1);
        b.jump(numbered(-500, 600), 2);
        mixer.addVoice(&a);
        mixer.addVoice(&b);
        const std::vector<int> mixed = mixLeft(mixer, 700);
        QCOMPARE(mixed[0], 1000 - 500);
        QCOMPARE(mixed[299], 1299 + 299 - 500); // a's last frame
        QCOMPARE(mixed[300], 1000 + 300 - 500); // a again from its first, b on
        QCOMPARE(mixed[650], 1000 + 50);        // b has run out: a alone
        QCOMPARE(mixer.mixedFrames(), 700);
        QCOMPARE(a.servedFrames(), 700);
        QCOMPARE(b.servedFrames(), 700);

        // A voice that joins later counts from the read head: its frame N is the deck's.
        late.jump(numbered(7, 100), 3, 0, 720);
        mixer.addVoice(&late);
        QCOMPARE(late.servedFrames(), 700);
        const std::vector<int> more = mixLeft(mixer, 40);
        QCOMPARE(more[19], 1000 + (719 % 300)); // late still waits for frame 720
        QCOMPARE(more[20], 1000 + (720 % 300) + 7);
        mixer.removeVoice(&late);
        QCOMPARE(mixLeft(mixer, 1)[0], 1000 + (740 % 300));
    }

    void heldVoiceKeepsItsPlace()
    {
        DeckMixer mixer;
        PcmStream voice;
        voice.jump(numbered(0, 1000), 5);
        mixer.addVoice(&voice);
        mixLeft(mixer, 100);
        voice.hold();
        const std::vector<int> held = mixLeft(mixer, 50);
        QVERIFY(std::all_of(held.begin(), held.end(), [](int v) { return v == 0; }));
        voice.release();
        QCOMPARE(mixLeft(mixer, 3), (std::vector<int> { 100, 101, 102 }));
        const std::vector<PcmStream::Event> log = events(voice);
        QCOMPARE(log.size(), size_t(3));
        QCOMPARE(log[1].kind, PcmStream::Event::Held);
        QCOMPARE(log[1].streamFrame, 100);
        QCOMPARE(log[2].kind, PcmStream::Event::Released);
        QCOMPARE(log[2].streamFrame, 150);
        QCOMPARE(log[2].offset, 100);
    }

    void outputPlaysTheMixAndPausesInPlace()
    {
        if (!TestSupport::audioServerAnswers())
            QSKIP("needs an audio server: libvlc's play time means nothing without one");
        DeckEngine engine(DeckEngine::standardArguments());
        PcmStream voice;
        voice.setRepeat(true);
        voice.jump(quietTone(1.0), 1);
        engine.addVoice(&voice);
        engine.playVoice(&voice);
        QTRY_VERIFY_WITH_TIMEOUT(engine.clock().anchored(), 5000);
        QTest::qWait(1500);

        // What is heard lies behind what the mixer has made by libvlc's read-ahead, no more.
        double worstAhead = -1e9, worstBehind = 0;
        for (int i = 0; i < 100; ++i) {
            QTest::qWait(10);
            const double gap = framesToMs(engine.readHead()) - engine.clock().heardMs(qint64(DeckEngine::wallClockMs()));
            worstAhead = std::max(worstAhead, -gap);
            worstBehind = std::max(worstBehind, gap);
        }
        QVERIFY2(worstAhead <= 5.0 && worstBehind <= 400.0,
            qPrintable(QStringLiteral("heard %1 ms ahead, %2 ms behind the read head").arg(-worstAhead).arg(worstBehind)));

        // Alone on the deck, the voice pauses with the output: the mixer stops where it was and
        // the clock holds; both go on from there.
        engine.pauseVoice(&voice);
        QVERIFY(engine.outputPaused());
        QVERIFY(engine.voiceWaitsInOutput(&voice));
        const qint64 headAtPause = engine.readHead();
        const double heardAtPause = engine.clock().heardMs(qint64(DeckEngine::wallClockMs()));
        QTest::qWait(500);
        QVERIFY(engine.readHead() - headAtPause <= 2 * DeckMixer::kBlockFrames);
        QCOMPARE(engine.clock().heardMs(qint64(DeckEngine::wallClockMs())), heardAtPause);
        engine.playVoice(&voice);
        QVERIFY(!engine.outputPaused());
        QTest::qWait(300);
        const double heard = engine.clock().heardMs(qint64(DeckEngine::wallClockMs()));
        QVERIFY2(heard > heardAtPause + 200 && heard < heardAtPause + 400, qPrintable(QString::number(heard - heardAtPause)));
        engine.stopVoice(&voice);
        QVERIFY(!engine.outputRunning());
        engine.removeVoice(&voice);
    }
};

QTEST_MAIN(TestEngineMixer)
#include "tst_engine_mixer.moc"
