#include <memory>

#include <QtTest>

#include <QComboBox>
#include <QPushButton>

#include "deck/qtplayerctl.h"
#include "demolibrary.h"
#include "dialogs/mixexport.h"
#include "dialogs/savefiles.h"
#include "player/player.h"
#include "engine/vlcplayback.h"
#include "support/testsupport.h"
#include "tempo/tempoctrl.h"

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The deck with its file chooser answering from a list and its save request kept.
class TestDeck : public QTplayerCtl {
public:
    QStringList filesToChoose;
    QVector<TrackInfo> lastSave;

protected:
    QString chooseTrackFile() override { return filesToChoose.isEmpty() ? QString() : filesToChoose.takeFirst(); }
    void openSaveDialog(const QVector<TrackInfo> &tracks) override { lastSave = tracks; }
};

} // namespace

// File > Open Mix on the deck: a saved project comes back into the rows it was saved from,
// at its rates, and saving it again gives the same project.
class TestDeckOpenMix : public QObject {
    Q_OBJECT

    const DemoLibrary m_demo { !QStandardPaths::findExecutable(QStringLiteral("sox")).isEmpty() };
    std::unique_ptr<TempProgramDir> m_programDir;
    std::unique_ptr<TestDeck> m_deck;

    QString demoFile(const QString &name) const
    {
        for (const DemoLibrary::Loop &loop : m_demo.loops()) {
            if (loop.file.startsWith(name))
                return m_programDir->filePath(loop.folder + QLatin1Char('/') + loop.file);
        }
        return {};
    }

    // Saves through the real dialog, as the user would; returns the project folder.
    static QString saveMix(const QVector<TrackInfo> &tracks, const QString &directory, const QString &name)
    {
        SaveFiles dialog(tracks);
        dialog.findChild<QComboBox *>(QStringLiteral("projectName"))->setCurrentText(name);
        dialog.findChild<QComboBox *>(QStringLiteral("directory"))->setCurrentText(directory);
        QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("saveButton")), Qt::LeftButton);
        return directory + QLatin1Char('/') + name;
    }

    bool allPlaying(const QVector<Player *> &players) const
    {
        for (Player *player : players) {
            if (!player->isPlaying() || player->playback().state() != VlcPlayback::Playing)
                return false;
        }
        return true;
    }

private slots:
    void init()
    {
        m_programDir = std::make_unique<TempProgramDir>();
        bool written = false;
        QVERIFY(m_demo.writeMissing(m_programDir->path()) > 0);
        QVERIFY(m_demo.writeConfigIfMissing(m_programDir->path(), &written));
        m_deck = std::make_unique<TestDeck>();
        m_deck->show();
    }
    void cleanup()
    {
        m_deck.reset();
        m_programDir.reset();
    }

    void saveReopenSaveGivesTheSameProject()
    {
        TestDeck &deck = *m_deck;
        deck.changeGenre(Techno);
        deck.filesToChoose << demoFile(QStringLiteral("boom-bap-drums_90bpm"));
        deck.addTrackClicked();
        deck.BPMSlider_2->setValue(4);
        QTRY_VERIFY_WITH_TIMEOUT(allPlaying({ deck.players[0], deck.players[1], deck.players[2], deck.importPlayers[0] }),
                                 10000);
        deck.save();
        QCOMPARE(deck.lastSave.size(), 5);
        QTemporaryDir first;
        const QString folder = saveMix(deck.lastSave, first.path(), QStringLiteral("Round Trip"));
        const QStringList savedFiles = QDir(folder).entryList(QDir::Files, QDir::Name);
        QCOMPARE(savedFiles.size(), 5); // four copies and the info file

        // Something else is on the deck before the mix is opened: one row, no added track.
        deck.mode1clicked();
        deck.deleteTrack1clicked();

        const MixReader::OpenedMix mix = deck.openMix(folder + QStringLiteral("/Round Trip Info.txt"));
        QCOMPARE(mix.skipped, QStringList());
        QCOMPARE(mix.copies.size(), 4);
        QCOMPARE(deck.mode, 3);
        QVERIFY(!deck.importPlayers[0]->disabled);
        QVERIFY(deck.importPlayers[1]->disabled);
        QVERIFY(deck.playing);
        QVERIFY(!deck.tempoCtrl->isMatching());
        QCOMPARE(deck.BPMSlider_2->value(), 0);
        const QVector<Player *> loaded { deck.players[0], deck.players[1], deck.players[2], deck.importPlayers[0] };
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(loaded[i]->currentTrack().file, mix.copies[i].path);
            QVERIFY(loaded[i]->repeats());
            QCOMPARE(loaded[i]->trackInfo().rate, mix.copies[i].rate);
            QVERIFY2(qAbs(loaded[i]->playbackRate() - mix.copies[i].rate) < 0.003f,
                qPrintable(QStringLiteral("%1 plays at %2").arg(mix.copies[i].path).arg(loaded[i]->playbackRate())));
        }

        // Past their first passes the rows still loop the mix's copies at its rates: nothing a
        // row had drawn or planned before the mix was opened takes over.
        QTest::qWait(6000);
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(loaded[i]->currentTrack().file, mix.copies[i].path);
            QCOMPARE(loaded[i]->heardFile(), mix.copies[i].path);
            QVERIFY2(qAbs(loaded[i]->playbackRate() - mix.copies[i].rate) < 0.003f,
                qPrintable(QStringLiteral("%1 plays at %2").arg(mix.copies[i].path).arg(loaded[i]->playbackRate())));
        }

        // Saved again as opened: the same project.
        deck.save();
        QTemporaryDir second;
        const QString again = saveMix(deck.lastSave, second.path(), QStringLiteral("Round Trip"));
        QCOMPARE(QDir(again).entryList(QDir::Files, QDir::Name), savedFiles);
        for (const QString &name : savedFiles)
            QVERIFY2(contents(folder + QLatin1Char('/') + name) == contents(again + QLatin1Char('/') + name), qPrintable(name));

        deck.playPause();
        QTRY_VERIFY_WITH_TIMEOUT(allPlaying(loaded), 10000);
    }

    void partialMixShowsOnlyTheRowsItUsed()
    {
        TestDeck &deck = *m_deck;
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("Two"));
        QVERIFY(QDir().mkpath(folder));
        QVERIFY(QFile::copy(demoFile(QStringLiteral("pluck-arp_120bpm")), folder + QStringLiteral("/Two_1_120BPM.wav")));
        QVERIFY(QFile::copy(demoFile(QStringLiteral("acid-line_120bpm")), folder + QStringLiteral("/Two_5.wav")));
        QFile info(folder + QStringLiteral("/Two Info.txt"));
        QVERIFY(info.open(QIODevice::WriteOnly));
        info.write((MixExport::banner() + QStringLiteral("Two_1_120BPM.wav Playing at:1.100\n"
                                                         "Two_2_90BPM.wav Playing at:1.000\n"
                                                         "Two_5.wav Playing at:1.000\n"))
                       .toUtf8());
        info.close();

        const MixReader::OpenedMix mix = deck.openMix(folder);
        QCOMPARE(mix.copies.size(), 2);
        QCOMPARE(mix.skipped.size(), 1); // the copy for slot 2 is missing
        QCOMPARE(deck.mode, 1);
        QVERIFY(deck.players[1]->disabled && deck.players[2]->disabled);
        QVERIFY(deck.importPlayers[0]->disabled);
        QVERIFY(!deck.importPlayers[1]->disabled);
        QVERIFY(deck.add_track->isVisibleTo(&deck));
        QVERIFY(qAbs(deck.players[0]->playbackRate() - 1.1f) < 0.003f);
        QTRY_VERIFY_WITH_TIMEOUT(allPlaying({ deck.players[0], deck.importPlayers[1] }), 10000);
        QVERIFY(!deck.players[1]->isPlaying() && !deck.players[2]->isPlaying());
    }

    void unreadableMixLeavesTheDeckAlone()
    {
        TestDeck &deck = *m_deck;
        QTemporaryDir dir;
        QFile info(dir.filePath(QStringLiteral("Gone Info.txt")));
        QVERIFY(info.open(QIODevice::WriteOnly));
        info.write((MixExport::banner() + QStringLiteral("Gone_1.wav Playing at:1.000\n")).toUtf8());
        info.close();
        const QString before = deck.players[0]->currentTrack().file;

        const MixReader::OpenedMix mix = deck.openMix(dir.path());
        QVERIFY(mix.copies.isEmpty());
        QCOMPARE(mix.skipped.size(), 1);
        QCOMPARE(deck.players[0]->currentTrack().file, before);
        QVERIFY(!deck.playing);
        QCOMPARE(deck.mode, 3);
    }
};

QTEST_MAIN(TestDeckOpenMix)
#include "tst_deck_openmix.moc"
