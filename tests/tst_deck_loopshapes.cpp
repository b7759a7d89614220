// The deck with loops whose names carry no BPM: each row's tempo is found in the sound by the
// deck's detector, the rows with one are matched like named loops, a one-shot is left alone,
// and each row's position slider shows its sample's outline with bar lines at that tempo.
#include <cmath>
#include <memory>

#include <QtTest>

#include "deck/qtplayerctl.h"
#include "player/player.h"
#include "player/waveformslider.h"
#include "support/testsupport.h"
#include "tempo/tempoctrl.h"
#include "tools/audiogen.h"

namespace {

// Whether later / earlier is one of the simple ratios matching bends toward.
bool simpleRatio(double ratio)
{
    for (double target : { 1.0, 2.0, 0.5, 4.0, 0.25, 3.0, 1.0 / 3, 1.5, 2.0 / 3 }) {
        if (std::abs(ratio / target - 1.0) < 1e-3)
            return true;
    }
    return false;
}

} // namespace

class TestDeckLoopShapes : public QObject {
    Q_OBJECT

    std::unique_ptr<TempProgramDir> dir;
    std::unique_ptr<QTplayerCtl> deck;

    void write(const QString &name, const AudioGen::Pcm &pcm)
    {
        const QString file = dir->path() + QLatin1Char('/') + name;
        QDir().mkpath(QFileInfo(file).absolutePath());
        QVERIFY(AudioGen::writeWav(file, pcm));
    }

private slots:
    void init()
    {
        dir = std::make_unique<TempProgramDir>();
        // Two bars of 120 BPM, two bars of 90 BPM (a click on every beat), and a drum hit.
        write(QStringLiteral("melody/Keys.wav"), AudioGen::clickLoop(4.0, 8, 1200.0));
        write(QStringLiteral("beat/Drums.wav"), AudioGen::clickLoop(16.0 / 3.0, 8, 3000.0));
        write(QStringLiteral("bass/Hit.wav"), AudioGen::toneWithEndClick(0.4, 60.0));
        dir->writeFile(QStringLiteral("config.xml"), R"(<sampora>
 <imported_folder path="melody" melody="1" beat="0" bass="0" hipHop="1" techno="0" custom="0"/>
 <imported_folder path="beat" melody="0" beat="1" bass="0" hipHop="1" techno="0" custom="0"/>
 <imported_folder path="bass" melody="0" beat="0" bass="1" hipHop="1" techno="0" custom="0"/>
</sampora>
)");
        deck = std::make_unique<QTplayerCtl>();
        deck->show();
    }

    void cleanup()
    {
        deck.reset();
        dir.reset();
    }

    void loopsWithoutNameBpmsAreMatched()
    {
        Player *keys = deck->players[0];
        Player *drums = deck->players[1];
        Player *hit = deck->players[2];
        // Found while the first samples decode, before the deck plays.
        QTRY_COMPARE_WITH_TIMEOUT(keys->bpm(), 120, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(drums->bpm(), 90, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(deck->musicSlider_3->toolTip().contains(u'\n'), 5000);
        QVERIFY(deck->musicSlider->toolTip().contains(QStringLiteral("\n120 BPM, estimated from the audio\n")));
        QVERIFY(deck->musicSlider_2->toolTip().contains(QStringLiteral("\n90 BPM, estimated from the audio\n")));
        QVERIFY(deck->musicSlider_3->toolTip().contains(QStringLiteral("\nNo BPM: plays at its own speed\n")));

        deck->playPause();
        QCOMPARE(deck->tempoCtrl->activeIds(), QList<int>({ 0, 1 }));
        const double keysRate = keys->currentTrack().rate;
        const double drumsRate = drums->currentTrack().rate;
        QVERIFY2(keysRate != 1.0 && drumsRate != 1.0, qPrintable(QStringLiteral("%1 %2").arg(keysRate).arg(drumsRate)));
        QVERIFY2(simpleRatio(120 * keysRate / (90 * drumsRate)),
            qPrintable(QString::number(120 * keysRate / (90 * drumsRate))));
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(keys->playbackRate() - keysRate) < 1e-4, 3000);

        // The one-shot plays at its own speed, whatever the tempo slider says.
        deck->BPMSlider_3->setValue(8);
        QCOMPARE(hit->playbackRate(), 1.0f);
        QVERIFY(!deck->tempoCtrl->activeIds().contains(2));
    }

    void rowsShowTheirSamplesOutline()
    {
        const auto slider = [this](int row) {
            return qobject_cast<WaveformSlider *>(
                std::array<QSlider *, 3> { deck->musicSlider, deck->musicSlider_2, deck->musicSlider_3 }[size_t(row)]);
        };
        QTRY_VERIFY_WITH_TIMEOUT(slider(0)->waveform() && slider(1)->waveform() && slider(2)->waveform(), 5000);
        // Each loop is two bars long: one bar line in the middle, once the tempo is known.
        QTRY_COMPARE_WITH_TIMEOUT(slider(0)->barLength(), 0.5, 5000);
        QTRY_VERIFY_WITH_TIMEOUT(std::abs(slider(1)->barLength() - 0.5) < 1e-3, 5000);
        QCOMPARE(slider(2)->barLength(), 0.0);

        // Each outline is its own sample's: the hit is loud from its start, the click loops are
        // quiet between their clicks.
        const WavePeaks &keys = *slider(0)->waveform();
        const WavePeaks &hit = *slider(2)->waveform();
        const size_t between = size_t(keys.columns() / 16); // a quarter beat into the loop
        QCOMPARE(keys.high[between], qint16(0));
        QCOMPARE(keys.low[between], qint16(0));
        QVERIFY(keys.high[0] > 5000);
        QVERIFY(std::max(std::abs(hit.low[between]), std::abs(hit.high[between])) > 100);
    }
};

QTEST_MAIN(TestDeckLoopShapes)
#include "tst_deck_loopshapes.moc"
