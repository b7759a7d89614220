#include <array>
#include <memory>

#include <QtTest>

#include <QDir>
#include <QFileInfo>
#include <QToolTip>

#include "deck/qtplayerctl.h"
#include "dialogs/savefiles.h"
#include "library/sampletypes.h"
#include "player/player.h"
#include "support/testsupport.h"
#include "tools/audiogen.h"

namespace {

// The deck with its two dialogs replaced: the open-file dialog answers from a list, and
// every mix handed to the save dialog is kept (the real dialog opens only when asked).
class TestDeck : public QTplayerCtl {
public:
    QStringList filesToChoose; // one answer per add; an empty answer or none cancels
    QList<QVector<TrackInfo>> savedMixes;
    bool openRealSaveDialog = false;

protected:
    QString chooseTrackFile() override { return filesToChoose.isEmpty() ? QString() : filesToChoose.takeFirst(); }

    void openSaveDialog(const QVector<TrackInfo> &tracks) override
    {
        savedMixes << tracks;
        if (openRealSaveDialog)
            QTplayerCtl::openSaveDialog(tracks);
    }
};

// A program directory with a hip hop library (one folder per sample type), a techno-only
// melody folder and two loose files for the added tracks, and a deck on top of it.
class DeckRig {
public:
    DeckRig()
    {
        writeSample(QStringLiteral("melody/Keys 90.wav"), 330.0);
        writeSample(QStringLiteral("melody/Keys 120.wav"), 392.0);
        writeSample(QStringLiteral("beat/Drums 100.wav"), 880.0);
        writeSample(QStringLiteral("bass/Bass 84.wav"), 110.0);
        writeSample(QStringLiteral("techno/Synth 128.wav"), 523.0);
        writeSample(QStringLiteral("loose/Loop 140.wav"), 262.0);
        writeSample(QStringLiteral("loose/Pad 96.wav"), 294.0);
        writeSample(QStringLiteral("loose/Texture.wav"), 196.0);
        dir.writeFile(QStringLiteral("config.xml"), R"(<sampora>
 <imported_folder path="melody" melody="1" beat="0" bass="0" hipHop="1" techno="0" custom="0"/>
 <imported_folder path="beat" melody="0" beat="1" bass="0" hipHop="1" techno="0" custom="0"/>
 <imported_folder path="bass" melody="0" beat="0" bass="1" hipHop="1" techno="0" custom="0"/>
 <imported_folder path="techno" melody="1" beat="0" bass="0" hipHop="0" techno="1" custom="0"/>
</sampora>
)");
        deck = std::make_unique<TestDeck>();
        deck->show();
    }

    QString path(const QString &name) const { return dir.path() + QLatin1Char('/') + name; }

    std::array<Player *, 5> allPlayers() const
    {
        return {deck->players[0], deck->players[1], deck->players[2], deck->importPlayers[0], deck->importPlayers[1]};
    }

    std::array<QWidget *, 6> rowWidgets(int row) const
    {
        TestDeck &d = *deck;
        switch (row) {
        case 0: return {d.musicSlider, d.previous1, d.next_1, d.song1Pin, d.BPMSlider_1, d.playPause_1};
        case 1: return {d.musicSlider_2, d.previous2, d.next_2, d.song2Pin, d.BPMSlider_2, d.playPause_2};
        default: return {d.musicSlider_3, d.previous3, d.next_3, d.song3Pin, d.BPMSlider_3, d.playPause_3};
        }
    }

    std::array<QWidget *, 6> addedTrack1Widgets() const
    {
        TestDeck &d = *deck;
        return {d.musicSlider_5, d.songPin5, d.BPMSlider_5, d.playPause_5, d.delete_track_1, d.fakeButton};
    }

    std::array<QWidget *, 5> addedTrack2Widgets() const
    {
        TestDeck &d = *deck;
        return {d.musicSlider_4, d.songPin4, d.BPMSlider_4, d.playPause_4, d.delete_track_2};
    }

    template <typename Widgets>
    static bool allShown(const Widgets &widgets)
    {
        return std::all_of(widgets.begin(), widgets.end(), [](QWidget *w) { return !w->isHidden(); });
    }

    template <typename Widgets>
    static bool allHidden(const Widgets &widgets)
    {
        return std::all_of(widgets.begin(), widgets.end(), [](QWidget *w) { return w->isHidden(); });
    }

    void addTrack(const QString &name)
    {
        deck->filesToChoose = {name.isEmpty() ? QString() : path(name)};
        QTest::mouseClick(deck->add_track, Qt::LeftButton);
    }

    TempProgramDir dir;
    std::unique_ptr<TestDeck> deck;

private:
    void writeSample(const QString &name, double frequency)
    {
        const QString file = path(name);
        QDir().mkpath(QFileInfo(file).absolutePath());
        AudioGen::writeWav(file, AudioGen::tone(3.0, frequency, 0.3));
    }
};

QString native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

class TestDeckController : public QObject {
    Q_OBJECT

    std::unique_ptr<DeckRig> rig;

    void clickMode(int mode)
    {
        QPushButton *buttons[] = {rig->deck->modeButton_1, rig->deck->modeButton_2, rig->deck->modeButton_3};
        QTest::mouseClick(buttons[mode - 1], Qt::LeftButton);
    }

private slots:
    void init() { rig = std::make_unique<DeckRig>(); }
    void cleanup() { rig.reset(); }

    void startsWithThreeRowsAndNoAddedTrack()
    {
        TestDeck &deck = *rig->deck;
        QVERIFY(deck.tempoCtrl);
        for (int row = 0; row < 3; ++row)
            QVERIFY(DeckRig::allShown(rig->rowWidgets(row)));
        QVERIFY(DeckRig::allHidden(rig->addedTrack1Widgets()));
        QVERIFY(DeckRig::allHidden(rig->addedTrack2Widgets()));
        QVERIFY(!deck.add_track->isHidden());
        QCOMPARE(deck.mode, 3);
        QVERIFY(deck.modeButton_3->isChecked());
        QVERIFY(!deck.playing);
        QCOMPARE(deck.volumeSlider->value(), 99);
        QCOMPARE(deck.savedVolume, 99);
        QVERIFY(!deck.muteButton->isChecked());
        QCOMPARE(deck.minimumSize(), QSize(300, 200));
        QVERIFY(deck.playPauseButton->styleSheet().contains(QLatin1String("playbutton.png")));

        // Each row drew its first sample from its own type's folder, without playing it.
        const QStringList folders = {"melody", "beat", "bass"};
        const int types[] = {Melody, Beat, Bass};
        for (int row = 0; row < 3; ++row) {
            Player *player = deck.players[row];
            QCOMPARE(player->type(), types[row]);
            QVERIFY(!player->disabled);
            QVERIFY(!player->repeats());
            QVERIFY(!player->isPlaying());
            QVERIFY2(player->currentTrack().file.startsWith(rig->path(folders[row])),
                     qPrintable(player->currentTrack().file));
        }
        for (Player *added : deck.importPlayers) {
            QCOMPARE(added->type(), int(Bass));
            QVERIFY(added->disabled);
            QVERIFY(added->repeats()); // an added track loops its file
            QVERIFY(!added->isPlaying());
        }
    }

    void modeButtons_data()
    {
        QTest::addColumn<QString>("presses");
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("row2");
        QTest::addColumn<bool>("row3");
        QTest::newRow("one") << "1" << 1 << false << false;
        QTest::newRow("two") << "2" << 2 << true << false;
        QTest::newRow("three again") << "3" << 3 << true << true;
        QTest::newRow("one then three") << "13" << 3 << true << true;
        QTest::newRow("one then two") << "12" << 2 << true << false;
        QTest::newRow("one pressed twice") << "11" << 1 << false << false;
        QTest::newRow("two then one") << "21" << 1 << false << false;
    }

    void modeButtons()
    {
        QFETCH(QString, presses);
        QFETCH(int, mode);
        QFETCH(bool, row2);
        QFETCH(bool, row3);
        TestDeck &deck = *rig->deck;
        for (QChar press : presses)
            clickMode(press.digitValue());

        QCOMPARE(deck.mode, mode);
        // Only the last pressed button is checked, also when it was pressed while checked.
        QCOMPARE(deck.modeButton_1->isChecked(), mode == 1);
        QCOMPARE(deck.modeButton_2->isChecked(), mode == 2);
        QCOMPARE(deck.modeButton_3->isChecked(), mode == 3);
        QVERIFY(DeckRig::allShown(rig->rowWidgets(0)));
        QCOMPARE(DeckRig::allShown(rig->rowWidgets(1)), row2);
        QCOMPARE(DeckRig::allHidden(rig->rowWidgets(1)), !row2);
        QCOMPARE(DeckRig::allShown(rig->rowWidgets(2)), row3);
        QCOMPARE(DeckRig::allHidden(rig->rowWidgets(2)), !row3);
        QCOMPARE(deck.players[1]->disabled, !row2);
        QCOMPARE(deck.players[2]->disabled, !row3);
        QVERIFY(!deck.players[0]->disabled);
        QCOMPARE(deck.minimumSize(), QSize(300, 200)); // rows never resize the deck
    }

    void unknownModeIsStoredButChangesNoRow()
    {
        TestDeck &deck = *rig->deck;
        clickMode(1);
        deck.changeMode(5);
        QCOMPARE(deck.mode, 5);
        QVERIFY(DeckRig::allHidden(rig->rowWidgets(1)));
        QVERIFY(DeckRig::allHidden(rig->rowWidgets(2)));
        // Now no button matches the stored mode, so even mode 1 runs again.
        clickMode(1);
        QCOMPARE(deck.mode, 1);
        clickMode(3);
        QVERIFY(DeckRig::allShown(rig->rowWidgets(2)));
    }

    void transportReachesThePlayers()
    {
        TestDeck &deck = *rig->deck;
        deck.playPause_2->setChecked(true); // row 2 held by its own check box

        QTest::mouseClick(deck.playPauseButton, Qt::LeftButton);
        QVERIFY(deck.playing);
        QVERIFY(deck.playPauseButton->styleSheet().contains(QLatin1String("pausebutton.png")));
        QVERIFY(deck.players[0]->isPlaying());
        QVERIFY(!deck.players[1]->isPlaying());
        QVERIFY(deck.players[2]->isPlaying());
        for (Player *added : deck.importPlayers)
            QVERIFY(!added->isPlaying());
        // libvlc really plays: the rows' position sliders move.
        QTRY_VERIFY_WITH_TIMEOUT(deck.musicSlider->value() > 0 && deck.musicSlider_3->value() > 0, 5000);
        QCOMPARE(deck.musicSlider_2->value(), 0);

        QTest::mouseClick(deck.playPauseButton, Qt::LeftButton);
        QVERIFY(!deck.playing);
        QVERIFY(deck.playPauseButton->styleSheet().contains(QLatin1String("playbutton.png")));
        for (Player *player : rig->allPlayers())
            QVERIFY(!player->isPlaying());

        QTest::mouseClick(deck.playPauseButton, Qt::LeftButton);
        QVERIFY(deck.players[0]->isPlaying());
        QTest::mouseClick(deck.stopButton, Qt::LeftButton);
        QVERIFY(!deck.playing);
        QVERIFY(deck.playPauseButton->styleSheet().contains(QLatin1String("playbutton.png")));
        for (Player *player : rig->allPlayers())
            QVERIFY(!player->isPlaying());
        QCOMPARE(deck.musicSlider->value(), 0); // stop rewinds
    }

    void showingRowsStartsThemOnlyWhilePlaying()
    {
        TestDeck &deck = *rig->deck;
        QTest::mouseClick(deck.playPauseButton, Qt::LeftButton);
        clickMode(1);
        QVERIFY(!deck.players[1]->isPlaying());
        QVERIFY(!deck.players[2]->isPlaying());
        QVERIFY(deck.players[0]->isPlaying());

        deck.playPause_3->setChecked(true); // held while hidden
        clickMode(3);
        QVERIFY(deck.players[1]->isPlaying());
        QVERIFY(!deck.players[2]->isPlaying());

        QTest::mouseClick(deck.playPauseButton, Qt::LeftButton); // pause
        clickMode(1);
        clickMode(3);
        for (Player *player : deck.players)
            QVERIFY(!player->isPlaying());
    }

    void rowButtonsActOnTheirOwnPlayer()
    {
        TestDeck &deck = *rig->deck;
        QTest::mouseClick(deck.next_2, Qt::LeftButton);
        QCOMPARE(deck.players[1]->pastTracks().size(), 1);
        QCOMPARE(deck.players[0]->pastTracks().size(), 0);
        QCOMPARE(deck.players[2]->pastTracks().size(), 0);

        QTest::mouseClick(deck.previous2, Qt::LeftButton);
        QCOMPARE(deck.players[1]->pastTracks().size(), 0);
        QCOMPARE(deck.players[1]->forwardTracks().size(), 1);

        QTest::mouseClick(deck.song1Pin, Qt::LeftButton);
        QVERIFY(deck.players[0]->repeats());
        QVERIFY(!deck.players[2]->repeats());
        QTest::mouseClick(deck.song1Pin, Qt::LeftButton);
        QVERIFY(!deck.players[0]->repeats());

        QTest::mouseClick(deck.nextGroup, Qt::LeftButton);
        QCOMPARE(deck.players[0]->pastTracks().size(), 1);
        QCOMPARE(deck.players[2]->pastTracks().size(), 1);
        QCOMPARE(deck.players[1]->forwardTracks().size(), 0); // came back from the forward history
        for (Player *added : deck.importPlayers)
            QVERIFY(added->pastTracks().isEmpty());
    }

    void groupButtonsMoveHiddenRowsWithoutSoundingThem()
    {
        TestDeck &deck = *rig->deck;
        clickMode(1);
        QTest::mouseClick(deck.nextGroup, Qt::LeftButton);
        QVERIFY(deck.players[0]->isPlaying());
        for (int row : {1, 2}) {
            QCOMPARE(deck.players[row]->pastTracks().size(), 1);
            QVERIFY(!deck.players[row]->isPlaying());
        }
        QTest::mouseClick(deck.previousGroup, Qt::LeftButton);
        for (int row : {1, 2}) {
            QCOMPARE(deck.players[row]->forwardTracks().size(), 1);
            QVERIFY(!deck.players[row]->isPlaying());
        }
        // Shown again while the deck plays, the row starts with the sample it was moved to.
        QTest::mouseClick(deck.playPauseButton, Qt::LeftButton);
        clickMode(3);
        QVERIFY(deck.players[1]->isPlaying());
    }

    void genreAppliesToTheNextDraw()
    {
        TestDeck &deck = *rig->deck;
        QSignalSpy melodyPlays(deck.players[0], &Player::Playing);
        deck.changeGenre(Techno);
        QCOMPARE(melodyPlays.count(), 0); // not playing: nothing starts

        QTest::mouseClick(deck.playPauseButton, Qt::LeftButton);
        const QString before = deck.players[0]->currentTrack().file;
        QVERIFY(before.startsWith(rig->path("melody")));
        melodyPlays.clear();
        deck.changeGenre(Techno);
        QCOMPARE(melodyPlays.count(), 1); // the playing rows report again...
        QCOMPARE(deck.players[0]->currentTrack().file, before); // ...but keep their sample

        QTest::mouseClick(deck.next_1, Qt::LeftButton);
        QCOMPARE(deck.players[0]->currentTrack().file, native(rig->path("techno/Synth 128.wav")));

        deck.changeGenre(HipHop);
        QTest::mouseClick(deck.next_1, Qt::LeftButton);
        QVERIFY(deck.players[0]->currentTrack().file.startsWith(native(rig->path("melody"))));
    }

    void addingAndRemovingTracks()
    {
        TestDeck &deck = *rig->deck;
        Player *first = deck.importPlayers[0];
        Player *second = deck.importPlayers[1];

        rig->addTrack(QStringLiteral("loose/Loop 140.wav"));
        QVERIFY(!first->disabled);
        QCOMPARE(first->currentTrack().file, native(rig->path("loose/Loop 140.wav")));
        // Its own tempo comes from the chosen file's name; the deck starts again and matches it.
        QCOMPARE(first->currentTrack().baseBpm, 140);
        QVERIFY(DeckRig::allShown(rig->addedTrack1Widgets()));
        QVERIFY(DeckRig::allHidden(rig->addedTrack2Widgets()));
        QVERIFY(!deck.add_track->isHidden());
        QCOMPARE(deck.minimumSize(), QSize(300, 200));
        // The whole deck plays after an add.
        QVERIFY(deck.playing);
        QVERIFY(deck.playPauseButton->styleSheet().contains(QLatin1String("pausebutton.png")));
        for (Player *player : {deck.players[0], deck.players[1], deck.players[2], first})
            QVERIFY(player->isPlaying());
        QVERIFY(!second->isPlaying());

        rig->addTrack(QStringLiteral("loose/Pad 96.wav"));
        QVERIFY(!second->disabled);
        QCOMPARE(second->currentTrack().file, native(rig->path("loose/Pad 96.wav")));
        QCOMPARE(second->currentTrack().baseBpm, 96);
        QCOMPARE(first->currentTrack().file, native(rig->path("loose/Loop 140.wav")));
        QVERIFY(DeckRig::allShown(rig->addedTrack2Widgets()));
        QVERIFY(deck.add_track->isHidden());
        QCOMPARE(deck.minimumSize(), QSize(300, 250));
        QVERIFY(first->isPlaying() && second->isPlaying());

        // Removing track 1 frees its line: the next add goes there.
        QTest::mouseClick(deck.delete_track_1, Qt::LeftButton);
        QVERIFY(first->disabled);
        QVERIFY(!first->isPlaying());
        QVERIFY(DeckRig::allHidden(rig->addedTrack1Widgets()));
        QVERIFY(!deck.add_track->isHidden());
        QVERIFY(second->isPlaying());

        rig->addTrack(QStringLiteral("loose/Texture.wav"));
        QVERIFY(!first->disabled);
        QCOMPARE(first->currentTrack().file, native(rig->path("loose/Texture.wav")));
        QCOMPARE(first->bpm(), 1); // no BPM in the name: plays unbent, outside matching
        QCOMPARE(first->playbackRate(), 1.0f);

        QTest::mouseClick(deck.delete_track_2, Qt::LeftButton);
        QVERIFY(second->disabled);
        QVERIFY(!deck.add_track->isHidden());
        QCOMPARE(deck.minimumSize(), QSize(300, 200));
    }

    void cancellingTheFileDialogLeavesTheDeckPaused()
    {
        TestDeck &deck = *rig->deck;
        QTest::mouseClick(deck.playPauseButton, Qt::LeftButton);
        rig->addTrack(QString());
        QVERIFY(!deck.playing);
        for (Player *player : rig->allPlayers())
            QVERIFY(!player->isPlaying());
        for (Player *added : deck.importPlayers)
            QVERIFY(added->disabled);
        QVERIFY(DeckRig::allHidden(rig->addedTrack1Widgets()));
        QVERIFY(!deck.add_track->isHidden());
    }

    void muteRestoresTheLastMouseSetVolume()
    {
        TestDeck &deck = *rig->deck;
        QSlider *volume = deck.volumeSlider;
        // libvlc reports the volume of a media player only while it has an audio output,
        // so the rows play while the volume is read back.
        QTest::mouseClick(deck.playPauseButton, Qt::LeftButton);
        auto rowsAt = [&deck](int expected) {
            for (Player *player : deck.players) {
                if (player->playbackVolume() != expected)
                    return false;
            }
            return true;
        };

        // Never set with the mouse: unmuting restores the start volume.
        QTest::mouseClick(deck.muteButton, Qt::LeftButton);
        QCOMPARE(volume->value(), 0);
        QTRY_VERIFY(rowsAt(0));
        QTest::mouseClick(deck.muteButton, Qt::LeftButton);
        QCOMPARE(volume->value(), 99);
        QTRY_VERIFY(rowsAt(99));

        // A release anywhere on the groove jumps there and becomes what unmuting restores.
        QTest::mouseRelease(volume, Qt::LeftButton, {}, QPoint(volume->width() / 2, volume->height() / 2));
        const int mouseSet = volume->value();
        QVERIFY2(mouseSet > 40 && mouseSet < 60, qPrintable(QString::number(mouseSet)));
        QCOMPARE(deck.savedVolume, mouseSet);
        QTRY_VERIFY(rowsAt(mouseSet));

        // Keyboard changes are heard but not remembered.
        volume->setFocus();
        QTest::keyClick(volume, Qt::Key_Right);
        QTest::keyClick(volume, Qt::Key_Right);
        QCOMPARE(volume->value(), mouseSet + 2);
        QCOMPARE(deck.savedVolume, mouseSet);
        QTRY_VERIFY(rowsAt(mouseSet + 2));

        QTest::mouseClick(deck.muteButton, Qt::LeftButton);
        QTRY_VERIFY(rowsAt(0));
        QTest::mouseClick(deck.muteButton, Qt::LeftButton);
        QCOMPARE(volume->value(), mouseSet);
        QTRY_VERIFY(rowsAt(mouseSet));
    }

    void volumeSetWhileStoppedIsHeardOnceTheRowsStart()
    {
        TestDeck &deck = *rig->deck;
        QTest::mouseClick(deck.playPauseButton, Qt::LeftButton);
        QTest::mouseClick(deck.stopButton, Qt::LeftButton);
        QTest::mouseClick(deck.muteButton, Qt::LeftButton);

        QTest::mouseClick(deck.playPauseButton, Qt::LeftButton);
        for (Player *player : deck.players)
            QTRY_COMPARE(player->playbackVolume(), 0);
        // The added track's player was stopped and hidden when the deck was muted.
        rig->addTrack(QStringLiteral("loose/Loop 140.wav"));
        QTRY_COMPARE(deck.importPlayers[0]->playbackVolume(), 0);
    }

    void saveCollectsOneEntryPerSlot_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("added");
        QTest::addColumn<bool>("removeFirstAdded");
        QTest::addColumn<QString>("filled"); // entry 1..5: 1 = the player's track, 0 = empty
        QTest::newRow("no added track") << 3 << QStringList() << false << "11100";
        QTest::newRow("both added tracks") << 3 << QStringList{"loose/Loop 140.wav", "loose/Pad 96.wav"} << false << "11111";
        QTest::newRow("only added track 2") << 3 << QStringList{"loose/Loop 140.wav", "loose/Pad 96.wav"} << true << "11101";
        QTest::newRow("one row") << 1 << QStringList{"loose/Loop 140.wav"} << false << "10010";
        QTest::newRow("two rows") << 2 << QStringList() << false << "11000";
    }

    void saveCollectsOneEntryPerSlot()
    {
        QFETCH(int, mode);
        QFETCH(QStringList, added);
        QFETCH(bool, removeFirstAdded);
        QFETCH(QString, filled);
        TestDeck &deck = *rig->deck;
        clickMode(mode);
        for (const QString &file : added)
            rig->addTrack(file);
        if (removeFirstAdded)
            QTest::mouseClick(deck.delete_track_1, Qt::LeftButton);

        QTest::mouseClick(deck.saveButton, Qt::LeftButton);
        QCOMPARE(deck.savedMixes.size(), 1);
        const QVector<TrackInfo> mix = deck.savedMixes.first();
        QCOMPARE(mix.size(), 5);
        const auto players = rig->allPlayers();
        for (int entry = 0; entry < 5; ++entry) {
            const TrackInfo expected = filled[entry] == QLatin1Char('1') ? players[entry]->currentTrack() : TrackInfo();
            QVERIFY2(filled[entry] == QLatin1Char('0') || !expected.file.isEmpty(), "a filled slot has a file");
            QCOMPARE(mix[entry].file, expected.file);
            QCOMPARE(mix[entry].bpm, expected.bpm);
            QCOMPARE(mix[entry].baseBpm, expected.baseBpm);
            QCOMPARE(mix[entry].rate, expected.rate);
        }

        // Saving pauses the deck, and it stays paused.
        QVERIFY(!deck.playing);
        QVERIFY(deck.playPauseButton->styleSheet().contains(QLatin1String("playbutton.png")));
        for (Player *player : players)
            QVERIFY(!player->isPlaying());
    }

    void everySaveOpensItsOwnDialog()
    {
        TestDeck &deck = *rig->deck;
        deck.openRealSaveDialog = true;
        QTest::mouseClick(deck.saveButton, Qt::LeftButton);
        QTest::mouseClick(deck.saveButton, Qt::LeftButton);
        const QList<SaveFiles *> dialogs = deck.findChildren<SaveFiles *>();
        QCOMPARE(dialogs.size(), 2);
        for (SaveFiles *dialog : dialogs) {
            QVERIFY(dialog->isVisible());
            QVERIFY(!dialog->isModal());
            QCOMPARE(dialog->styleSheet(), QStringLiteral("color:white; background-color:black;"));
        }
    }
    // The deck sits under the main window's dark sheet, and its own sheets give the widgets
    // transparent or pictured backgrounds: its tool tips must still be readable text.
    void toolTipsAreReadable()
    {
        QWidget window;
        window.setStyleSheet(QStringLiteral("Background-color:#040B19; color:white; "));
        TestDeck &deck = *rig->deck;
        deck.setParent(&window);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        for (QWidget *widget : std::initializer_list<QWidget *>{deck.musicSlider, deck.BPMSlider_1, deck.previous1}) {
            QVERIFY(!widget->toolTip().isEmpty());
            const QPoint centre = widget->rect().center();
            QHelpEvent help(QEvent::ToolTip, centre, widget->mapToGlobal(centre));
            QApplication::sendEvent(widget, &help);
            QTRY_VERIFY(QToolTip::isVisible());
            QCOMPARE(QToolTip::text(), widget->toolTip());

            QWidget *label = nullptr;
            for (QWidget *top : QApplication::topLevelWidgets()) {
                if (top->objectName() == QLatin1String("qtooltip_label") && top->isVisible())
                    label = top;
            }
            QVERIFY(label);
            // The commonest colour is the background; the text must stand out from it.
            const QImage image = label->grab().toImage().convertToFormat(QImage::Format_ARGB32);
            QHash<QRgb, int> counts;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x)
                    ++counts[image.pixel(x, y)];
            }
            QRgb background = 0;
            for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
                if (it.value() > counts.value(background))
                    background = it.key();
            }
            int contrast = 0;
            for (auto it = counts.cbegin(); it != counts.cend(); ++it)
                contrast = std::max(contrast, std::abs(qGray(it.key()) - qGray(background)));
            QVERIFY2(qAlpha(background) == 255 && contrast > 128,
                qPrintable(QStringLiteral("%1: background %2, contrast %3")
                               .arg(widget->objectName(), QColor::fromRgba(background).name(QColor::HexArgb))
                               .arg(contrast)));
            QToolTip::hideText();
            QTRY_VERIFY(!QToolTip::isVisible());
        }
        deck.setParent(nullptr);
    }
};

QTEST_MAIN(TestDeckController)
#include "tst_deck_controller.moc"
