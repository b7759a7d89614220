#include <QtTest>

#include <algorithm>
#include <cmath>

#include <QComboBox>
#include <QPushButton>
#include <QtEndian>

#include "deck/qtplayerctl.h"
#include "dialogs/mixexport.h"
#include "dialogs/savefiles.h"
#include "library/sampletypes.h"
#include "library/sampora.h"
#include "player/player.h"
#include "engine/vlcplayback.h"
#include "support/testsupport.h"

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The loudest sample of a 16-bit PCM WAV file as a fraction of full scale; -1 if unreadable.
double wavPeak(const QString &path)
{
    const QByteArray bytes = contents(path);
    if (!bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return -1.0;
    qsizetype at = 12;
    while (at + 8 <= bytes.size()) {
        const quint32 size = qFromLittleEndian<quint32>(bytes.constData() + at + 4);
        if (bytes.mid(at, 4) == "data") {
            const qsizetype end = std::min<qsizetype>(bytes.size(), at + 8 + qsizetype(size));
            int loudest = 0;
            for (qsizetype i = at + 8; i + 1 < end; i += 2)
                loudest = std::max(loudest, std::abs(int(qFromLittleEndian<qint16>(bytes.constData() + i))));
            return loudest / 32768.0;
        }
        at += 8 + qsizetype(size) + (size & 1);
    }
    return -1.0;
}

} // namespace

// From the deck to the disk: three rows play the demo library with matching on, SAVE opens
// the dialog, and the project folder holds what the deck was playing, at the rates libvlc
// was playing it.
class TestDeckSaveFlow : public QObject {
    Q_OBJECT
private slots:
    void savedMixIsWhatTheDeckPlayed()
    {
        TempProgramDir programDir;
        writeDemoLibrary(programDir.path());
        if (QTest::currentTestFailed())
            return;

        QTplayerCtl deck;
        deck.show();
        // Techno: 120, 128 and 140 BPM loops, so the rows usually need bending.
        deck.changeGenre(Techno);
        deck.playPause();
        // Row 2's tempo slider is up before its next sample starts: that sample plays faster
        // than the matching alone says, from its first moment.
        deck.BPMSlider_2->setValue(5);
        deck.next();
        Player *const *rows = deck.players;
        QTRY_VERIFY_WITH_TIMEOUT(rows[0]->playback().state() == VlcPlayback::Playing
                && rows[1]->playback().state() == VlcPlayback::Playing
                && rows[2]->playback().state() == VlcPlayback::Playing,
            10000);

        deck.save();
        QVERIFY(!deck.playing);
        auto *dialog = deck.findChild<SaveFiles *>();
        QVERIFY(dialog);
        QVERIFY(dialog->isVisible());
        QVERIFY(!dialog->isModal());
        QCOMPARE(dialog->styleSheet(), QStringLiteral("color:white; background-color:black;"));

        // What the deck holds now that save() has paused it: each file's own BPM (from its
        // name, as the library reads it) and the rate the row plays it at.
        struct Held {
            QString file;
            int fileBpm;
            float rate;
        };
        QVector<Held> held;
        for (int id = 0; id < 3; ++id) {
            const TrackInfo track = rows[id]->trackInfo();
            held.append({ track.file, Sampora::bpmFromFileName(track.file), rows[id]->playbackRate() });
            QVERIFY2(held.last().fileBpm > kMinUsableBpm, qPrintable(track.file));
        }
        QVERIFY(std::abs(held[1].rate - rows[1]->currentTrack().rate - 0.05f) < 1e-4f);

        QTemporaryDir target;
        const QString name = QStringLiteral("Night Session");
        dialog->findChild<QComboBox *>(QStringLiteral("projectName"))->setCurrentText(name);
        dialog->findChild<QComboBox *>(QStringLiteral("directory"))->setCurrentText(target.path());
        QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("saveButton")), Qt::LeftButton);
        QVERIFY(!dialog->isVisible());

        // Each copy is named with its file's own BPM and listed with the rate it played at,
        // so name BPM x rate is the tempo that was heard.
        const QDir folder(target.filePath(name));
        QString info = MixExport::banner();
        QStringList expectedFiles { name + QStringLiteral(" Info.txt") };
        for (int k = 1; k <= 3; ++k) {
            const Held &h = held[k - 1];
            const QString copy = QStringLiteral("%1_%2_%3BPM.%4")
                                     .arg(name)
                                     .arg(k)
                                     .arg(h.fileBpm)
                                     .arg(QFileInfo(h.file).suffix());
            expectedFiles << copy;
            QVERIFY2(folder.exists(copy), qPrintable(copy));
            QCOMPARE(contents(folder.filePath(copy)), contents(h.file));
            info += copy + QStringLiteral(" Playing at:") + QString::number(h.rate, 'f', 3)
                + QLatin1Char('\n');
        }
        expectedFiles.sort();
        QCOMPARE(folder.entryList(QDir::Files, QDir::Name), expectedFiles);
        QCOMPARE(contents(folder.filePath(name + QStringLiteral(" Info.txt"))), info.toUtf8());
    }

    // The deck plays its three rows at full volume; the demo loops of one genre must leave
    // room for each other, or the first thing a new user hears is the mix clipping.
    void demoRowsTogetherStayBelowFullScale()
    {
        QTemporaryDir dir;
        writeDemoLibrary(dir.path());
        if (QTest::currentTestFailed())
            return;
        const QDir demo(dir.filePath(QStringLiteral("demo-samples")));
        const QStringList genres = demo.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QCOMPARE(genres, QStringList({ QStringLiteral("hiphop"), QStringLiteral("techno") }));
        for (const QString &genre : genres) {
            double together = 0.0;
            for (const QString &type : { QStringLiteral("beats"), QStringLiteral("bass"), QStringLiteral("melody") }) {
                const QDir folder(demo.filePath(genre + QLatin1Char('/') + type));
                double loudest = -1.0;
                for (const QString &wav : folder.entryList({ QStringLiteral("*.wav") }, QDir::Files))
                    loudest = std::max(loudest, wavPeak(folder.filePath(wav)));
                QVERIFY2(loudest > 0.05, qPrintable(folder.path()));
                together += loudest;
            }
            // Some headroom for the MP3 copies, whose peaks come out a little higher.
            QVERIFY2(together <= 0.9, qPrintable(QStringLiteral("%1: %2").arg(genre).arg(together)));
        }
    }

private:
    // The demo generator is built with the program (tools/demo); the tests live beside it.
    void writeDemoLibrary(const QString &dir)
    {
        const QString generator
            = QCoreApplication::applicationDirPath() + QStringLiteral("/../tools/sampora_demo");
        QVERIFY2(QFileInfo(generator).isExecutable(), "build the sampora_demo target first");
        QProcess demo;
        demo.start(generator, { dir });
        QVERIFY(demo.waitForFinished(60000));
        QCOMPARE(demo.exitCode(), 0);
    }
};

QTEST_MAIN(TestDeckSaveFlow)
#include "tst_deck_saveflow.moc"
