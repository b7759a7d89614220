// What the deck plays is what it exports: rows at different rates, started apart, with a song
// streamed from disk, recorded from the mix on its way to the loudspeaker and rendered from the
// deck's state, agree frame for frame from the same bar line on; and the level the export
// gives the deck's volume is the level the loudspeaker plays it at.
#include <algorithm>
#include <cmath>
#include <vector>

#include <QApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "engine/volumecurve.h"
#include "shared/exportcheck.h"
#include "tst_player_fixture.h"

class DeckExportTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void exportEqualsTheLiveMix();
    void exportLevelIsTheLevelHeard_data();
    void exportLevelIsTheLevelHeard();
};

void DeckExportTest::init()
{
    if (!TestSupport::audioServerAnswers())
        QSKIP("no audio server to play to");
}

void DeckExportTest::exportEqualsTheLiveMix()
{
    QTemporaryDir folder;
    const ExportCheck::Outcome outcome = ExportCheck::liveAgainstExport(folder.path());
    QVERIFY2(outcome.failure.isEmpty(), qPrintable(outcome.failure));
    qInfo("export against live: %.1f dB over %lld frames, live peak %.1f dB", outcome.errorDb,
        qlonglong(outcome.frames), outcome.liveLevelDb);
    QVERIFY2(outcome.liveLevelDb > -20.0, "the live mix compared is nearly silent");
    // 24-bit samples alone differ by up to -138 dB.
    QVERIFY2(outcome.errorDb <= -90.0, qPrintable(QString::number(outcome.errorDb)));
}

void DeckExportTest::exportLevelIsTheLevelHeard_data()
{
    QTest::addColumn<int>("volume");
    QTest::newRow("50") << 50; // a linear level would be 4 times too loud
    QTest::newRow("80") << 80;
}

void DeckExportTest::exportLevelIsTheLevelHeard()
{
    QFETCH(int, volume);
    // The rig's tone: 440 Hz at 0.3 of full scale.
    PlayerRig rig({ { QStringLiteral("tone.wav"), 3.0 } });
    rig.player->changeVolume(volume);
    QProcess parec;
    parec.start(QStringLiteral("parec"),
        { QStringLiteral("-d"), QStringLiteral("ci_sink.monitor"), QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
            QStringLiteral("--rate=44100"), QStringLiteral("--channels=2"), QStringLiteral("--latency-msec=10") });
    QVERIFY(parec.waitForStarted(3000));
    rig.player->play();
    QVERIFY(QTest::qWaitFor([&] { return !rig.player->heardFile().isEmpty(); }, 5000));
    QTest::qWait(1500);
    rig.player->stop();
    parec.terminate();
    parec.waitForFinished(3000);
    const QByteArray raw = parec.readAllStandardOutput();

    // The loudest frame of each 10 ms, over the windows the tone sounds in: their median is the
    // tone's level, whatever the first moment of the output before it took the volume.
    const auto *s = reinterpret_cast<const qint16 *>(raw.constData());
    const qint64 window = 441;
    std::vector<double> peaks;
    for (qint64 at = 0; at + window <= raw.size() / 4; at += window) {
        int peak = 0;
        for (qint64 i = at; i < at + window; ++i)
            peak = std::max(peak, std::abs(int(s[2 * i])));
        if (peak > 30)
            peaks.push_back(peak / 32768.0);
    }
    QVERIFY2(peaks.size() > 100, qPrintable(QString::number(peaks.size())));
    std::nth_element(peaks.begin(), peaks.begin() + peaks.size() / 2, peaks.end());
    const double heard = peaks[peaks.size() / 2] / 0.3;
    const double exported = VolumeCurve::gain(volume);
    qInfo("volume %d: heard %.4f x, exported %.4f x", volume, heard, exported);
    QVERIFY2(std::abs(20 * std::log10(heard / exported)) < 0.5, qPrintable(QString::number(heard)));
}

QTEST_MAIN(DeckExportTest)
#include "tst_deck_export.moc"
