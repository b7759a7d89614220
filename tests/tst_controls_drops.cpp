#include <cmath>
#include <memory>

#include <QtTest>

#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QSlider>
#include <QStyle>
#include <QUrl>

#include <sndfile.h>

#include "controls/deckdrops.h"
#include "controls/heardcopy.h"
#include "player/player.h"
#include "player/timestretch.h"
#include "tst_controls_rig.h"

namespace {

std::unique_ptr<QMimeData> urls(const QStringList &paths)
{
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> list;
    for (const QString &path : paths)
        list << QUrl::fromLocalFile(path);
    data->setUrls(list);
    return data;
}

qint64 framesOf(const QString &file)
{
    SF_INFO info {};
    SNDFILE *sound = sf_open(QFile::encodeName(file).constData(), SFM_READ, &info);
    if (!sound)
        return -1;
    sf_close(sound);
    return info.frames;
}

} // namespace

class TestControlsDrops : public QObject {
    Q_OBJECT

private slots:
    void sampleDroppedOnARowPlaysThere();
    void otherDropsAreRefusedWithTheReason_data();
    void otherDropsAreRefusedWithTheReason();
    void folderOpensTheImport();
    void draggedOutAsHeard();
    void clickOnThePositionSliderStillSeeks();
};

void TestControlsDrops::sampleDroppedOnARowPlaysThere()
{
    DeckTestRig rig;
    QTplayerCtl *deck = rig.deck;
    DeckDrops *drops = rig.remote->drops();
    QSignalSpy status(drops, &DeckDrops::status);
    const QString loop = rig.writeLoop(QStringLiteral("loose/Groove 120.wav"));

    // A real drop event on row 2's tempo slider: the row plays the file at once, BPM from its name.
    const std::unique_ptr<QMimeData> data = urls({loop});
    QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(deck->BPMSlider_2, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(2, 2), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(deck->BPMSlider_2, &drop);
    QVERIFY(drop.isAccepted());
    QCOMPARE(deck->players[1]->currentTrack().file, loop);
    QTRY_COMPARE_WITH_TIMEOUT(deck->players[1]->tempo().bpm, 120, 5000);
    QVERIFY(deck->players[1]->isPlaying());
    QVERIFY(status.last().at(0).toString().contains(QLatin1String("Groove 120.wav")));

    // An added track takes a drop the same way.
    deck->showImport1();
    const QString pad = rig.writeLoop(QStringLiteral("loose/Pad 100.wav"));
    QVERIFY(drops->dropOnRow(3, urls({pad}).get()));
    QCOMPARE(deck->importPlayers[0]->currentTrack().file, pad);
}

void TestControlsDrops::otherDropsAreRefusedWithTheReason_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("onWindow");
    QTest::addColumn<QString>("reason");

    QTest::newRow("text file on a row") << "notes.txt" << false << "notes.txt is not a sample Sampora plays";
    QTest::newRow("image on a row") << "cover.PNG" << false << "cover.PNG is not a sample Sampora plays";
    QTest::newRow("sample on the window, off the rows") << "Loop 90.wav" << true << "Drop a sample on a row";
}

void TestControlsDrops::otherDropsAreRefusedWithTheReason()
{
    QFETCH(QString, name);
    QFETCH(bool, onWindow);
    QFETCH(QString, reason);

    DeckTestRig rig;
    DeckDrops *drops = rig.remote->drops();
    QSignalSpy status(drops, &DeckDrops::status);
    const QString before = rig.deck->players[0]->currentTrack().file;
    const QString file = rig.dir.writeFile(name, "not audio");
    const std::unique_ptr<QMimeData> data = urls({file});
    QVERIFY(!(onWindow ? drops->dropOnWindow(data.get()) : drops->dropOnRow(0, data.get())));
    QCOMPARE(rig.deck->players[0]->currentTrack().file, before);
    QCOMPARE(status.size(), 1);
    QVERIFY2(status.last().at(0).toString().startsWith(reason), qPrintable(status.last().at(0).toString()));

    // Text or a web address is no file at all: not taken, nothing said.
    QMimeData web;
    web.setUrls({QUrl(QStringLiteral("https://example.org/loop.wav"))});
    QVERIFY(!drops->dropOnRow(0, &web));
    QCOMPARE(status.size(), 1);
}

void TestControlsDrops::folderOpensTheImport()
{
    DeckTestRig rig;
    DeckDrops *drops = rig.remote->drops();
    QSignalSpy folders(drops, &DeckDrops::folderDropped);
    // On the window or on a row alike.
    const std::unique_ptr<QMimeData> data = urls({rig.path(QStringLiteral("melody"))});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&rig.window, &enter);
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&rig.window, &drop);
    QVERIFY(drops->dropOnRow(2, data.get()));
    QCOMPARE(folders.size(), 2);
    QCOMPARE(folders.at(0).at(0).toString(), rig.path(QStringLiteral("melody")));
}

void TestControlsDrops::draggedOutAsHeard()
{
    DeckTestRig rig;
    QTplayerCtl *deck = rig.deck;
    DeckDrops *drops = rig.remote->drops();
    const QString copies = rig.path(QStringLiteral("heard"));
    drops->setCopyFolder(copies);
    const QString loop = rig.writeLoop(QStringLiteral("loose/Beat 100.wav"), 1.5);
    Player *row = deck->players[0];
    QVERIFY(drops->dropOnRow(0, urls({loop}).get()));
    QTRY_COMPARE_WITH_TIMEOUT(row->tempo().bpm, 100, 5000);

    // At its own speed the original is handed out.
    QCOMPARE(drops->fileToDrag(0), loop);

    // Bent by the tempo slider it is a stretched WAV in the cache, named with the BPM heard.
    deck->BPMSlider_1->setValue(10);
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(row->playbackRate() - 1.1) < 0.001, 5000);
    const double rate = row->playbackRate();
    const QString copy = drops->fileToDrag(0);
    QCOMPARE(copy, copies + QStringLiteral("/Beat 100 110.wav"));
    const qint64 source = framesOf(loop);
    QCOMPARE(framesOf(copy), TimeStretch::stretchedFrames(source, rate));
    QVERIFY(std::abs(framesOf(copy) - source / rate) <= 1.0);

    // A sample without a BPM is named by its rate.
    QCOMPARE(HeardCopy::copyName(QStringLiteral("/x/Texture.wav"), 0.95, -1), QStringLiteral("Texture at 0.950.wav"));
    // A broken file gives the reason, not a file.
    QString error;
    QVERIFY(HeardCopy::make(rig.dir.writeFile(QStringLiteral("broken.wav"), "RIFF"), 1.2, 90, copies, &error).isEmpty());
    QVERIFY(error.startsWith(QLatin1String("broken.wav: ")));
}

// The press on a position slider is held back until it is clear whether it drags; a click
// must still reach the row as ever.
void TestControlsDrops::clickOnThePositionSliderStillSeeks()
{
    DeckTestRig rig;
    QSlider *slider = rig.deck->musicSlider;
    rig.deck->playPause();
    QTRY_VERIFY_WITH_TIMEOUT(rig.deck->players[0]->isPlaying(), 5000);
    const int x = slider->width() * 3 / 4;
    QTest::mouseClick(slider, Qt::LeftButton, Qt::NoModifier, QPoint(x, slider->height() / 2));
    const int expected = QStyle::sliderValueFromPosition(slider->minimum(), slider->maximum(), x, slider->width());
    QVERIFY2(std::abs(slider->value() - expected) <= slider->maximum() / 50,
             qPrintable(QStringLiteral("%1 vs %2").arg(slider->value()).arg(expected)));
}

QTEST_MAIN(TestControlsDrops)
#include "tst_controls_drops.moc"
