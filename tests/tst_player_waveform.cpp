// The outline of a sample: its peaks, computed once when it is decoded, and the position
// slider that draws them with the played part highlighted and a line at every bar.
#include <QImage>
#include <QTest>

#include "player/sampledecoder.h"
#include "player/wavepeaks.h"
#include "player/waveformslider.h"
#include "tst_player_fixture.h"

namespace {

// Silence, then a full-scale square burst from `burstFrom` (a share of the length) to the end.
AudioGen::Pcm silenceThenBurst(double seconds, double burstFrom)
{
    AudioGen::Pcm pcm;
    const int frames = int(seconds * pcm.sampleRate);
    const int burst = int(frames * burstFrom);
    pcm.samples.resize(frames * 2);
    for (int f = burst; f < frames; ++f) {
        const qint16 value = (f / 10) % 2 ? 30000 : -30000; // both signs in every column
        pcm.samples[2 * f] = value;
        pcm.samples[2 * f + 1] = value;
    }
    return pcm;
}

} // namespace

class TestPlayerWaveform : public QObject {
    Q_OBJECT

private slots:
    void columnsCoverTheirFrames_data();
    void columnsCoverTheirFrames();
    void decodedSampleCarriesItsOutline();
    void sliderDrawsPlayedPartAndBars();
    void rowShowsTheHeardSample();
};

void TestPlayerWaveform::columnsCoverTheirFrames_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("spikeFrame");
    QTest::addColumn<int>("spikeColumn");
    QTest::addColumn<int>("columnsMade");

    // 10 frames in 4 columns: frames 0-1, 2-4, 5-6, 7-9.
    QTest::newRow("uneven split, last frame of a column") << 10 << 4 << 4 << 1 << 4;
    QTest::newRow("uneven split, first frame of a column") << 10 << 4 << 5 << 2 << 4;
    QTest::newRow("last frame") << 10 << 4 << 9 << 3 << 4;
    QTest::newRow("shorter than the columns: one per frame") << 5 << 2048 << 3 << 3 << 5;
}

void TestPlayerWaveform::columnsCoverTheirFrames()
{
    QFETCH(int, frames);
    QFETCH(int, columns);
    QFETCH(int, spikeFrame);
    QFETCH(int, spikeColumn);
    QFETCH(int, columnsMade);

    // A spike up on the left channel and down on the right: a column takes both channels.
    std::vector<qint16> pcm(size_t(frames) * 2, 0);
    pcm[size_t(spikeFrame) * 2] = 1000;
    pcm[size_t(spikeFrame) * 2 + 1] = -2000;
    const auto peaks = WavePeaks::of(pcm, 2, columns);
    QCOMPARE(peaks->columns(), columnsMade);
    for (int c = 0; c < peaks->columns(); ++c) {
        QCOMPARE(peaks->high[size_t(c)], qint16(c == spikeColumn ? 1000 : 0));
        QCOMPARE(peaks->low[size_t(c)], qint16(c == spikeColumn ? -2000 : 0));
    }
    QCOMPARE(WavePeaks::of({}, 2)->columns(), 0);
}

// From a real file through the decoder: a second of silence, then a second of burst.
void TestPlayerWaveform::decodedSampleCarriesItsOutline()
{
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("burst.wav"));
    QVERIFY(AudioGen::writeWav(file, silenceThenBurst(2.0, 0.5)));
    const auto sample = SampleDecoder::decode(file, nullptr);
    QVERIFY(sample && sample->peaks);
    const WavePeaks &peaks = *sample->peaks;
    QCOMPARE(peaks.columns(), WavePeaks::kColumns);
    const int half = WavePeaks::kColumns / 2;
    for (int c = 0; c < peaks.columns(); ++c) {
        if (c < half) {
            QVERIFY2(peaks.low[size_t(c)] == 0 && peaks.high[size_t(c)] == 0, qPrintable(QString::number(c)));
        } else {
            QVERIFY2(peaks.low[size_t(c)] == -30000 && peaks.high[size_t(c)] == 30000, qPrintable(QString::number(c)));
        }
    }
}

void TestPlayerWaveform::sliderDrawsPlayedPartAndBars()
{
    // Burst in the second half; bars at every quarter; played to three quarters.
    const AudioGen::Pcm pcm = silenceThenBurst(2.0, 0.5);
    const auto peaks = WavePeaks::of(std::vector<qint16>(pcm.samples.begin(), pcm.samples.end()), 2);
    WaveformSlider slider;
    slider.setOrientation(Qt::Horizontal);
    slider.resize(240, 22);
    const QImage plain = slider.grab().toImage();
    slider.setValue(75);

    const auto shot = [&] { return slider.grab().toImage().convertToFormat(QImage::Format_RGB32); };
    const int top = slider.height() / 4; // above the middle line: only the burst reaches here
    const auto columnLit = [&](const QImage &image, int from, int to) {
        for (int x = from; x < to; ++x)
            if (qGray(image.pixel(x, top)) > 60)
                return true;
        return false;
    };

    slider.setWaveform(peaks, 0.0);
    QImage image = shot();
    QVERIFY(image != plain.convertToFormat(QImage::Format_RGB32));
    const int w = slider.width();
    // Silence (first half) stays dark away from the middle; the burst fills the band.
    QVERIFY(!columnLit(image, w / 10, w * 4 / 10));
    const QRgb played = image.pixel(w * 6 / 10, top);
    const QRgb ahead = image.pixel(w * 95 / 100, top);
    QVERIFY2(qBlue(played) > 150 && qBlue(played) > qRed(played) + 60, qPrintable(QColor(played).name()));
    QVERIFY2(qGray(ahead) > 60 && qBlue(ahead) < qBlue(played), qPrintable(QColor(ahead).name()));

    // With a bar every quarter, a line crosses the silent first half at its quarter.
    slider.setWaveform(peaks, 0.25);
    image = shot();
    QVERIFY(columnLit(image, w / 4 - 3, w / 4 + 3));
    QVERIFY(!columnLit(image, w / 10, w / 4 - 3));
    QVERIFY(!columnLit(image, w / 4 + 3, w * 4 / 10));

    // Without an outline it is a plain slider again.
    slider.setWaveform(nullptr, 0.0);
    slider.setValue(0);
    QCOMPARE(shot(), plain.convertToFormat(QImage::Format_RGB32));
}

// The row hands its slider the outline of what is heard, with bars at the sample's BPM.
void TestPlayerWaveform::rowShowsTheHeardSample()
{
    PlayerRig rig({ { QStringLiteral("loop_120.wav"), 4.0 } });
    Player &player = *rig.player;
    WaveformSlider &slider = rig.positionSlider;
    // Shown as soon as the first sample is decoded, before it plays.
    QTRY_VERIFY_WITH_TIMEOUT(slider.waveform() != nullptr, 3000);
    QCOMPARE(slider.barLength(), 0.5); // a bar of 120 BPM is 2 s of the 4 s loop
    const auto first = slider.waveform();

    const QString other = rig.dir.path() + QStringLiteral("/elsewhere/pad.wav");
    QDir().mkpath(QFileInfo(other).absolutePath());
    QVERIFY(AudioGen::writeWav(other, silenceThenBurst(3.0, 0.5)));
    player.play();
    player.setBpm(-1);
    player.playFile(other);
    QTRY_VERIFY_WITH_TIMEOUT(player.heardFile() == other, 3000);
    QTRY_VERIFY_WITH_TIMEOUT(slider.waveform() != first, 1000);
    QCOMPARE(slider.barLength(), 0.0); // no BPM: no bars
    QCOMPARE(slider.waveform()->high.front(), qint16(0));
    QCOMPARE(slider.waveform()->high.back(), qint16(30000));
}

QTEST_MAIN(TestPlayerWaveform)
#include "tst_player_waveform.moc"
