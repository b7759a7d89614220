// What the deck plays is what it exports: rows at different rates, started apart, with a song
// streamed from disk, recorded from the mix on its way to the loudspeaker and rendered from the
// deck's state, agree frame for frame from the same bar line on.
#include <QApplication>
#include <QTemporaryDir>
#include <QTest>

#include "shared/exportcheck.h"

class DeckExportTest : public QObject {
    Q_OBJECT

private slots:
    void exportEqualsTheLiveMix();
};

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

QTEST_MAIN(DeckExportTest)
#include "tst_deck_export.moc"
