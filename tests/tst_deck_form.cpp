#include <QtTest>

#include <QAbstractButton>
#include <QLayout>
#include <QSlider>
#include <QSpacerItem>
#include <QTextDocument>

// The form comes through the deck header: the generated header lives with the deck.
#include "deck/qtplayerctl.h"

// The deck's Designer form: its widget tree, ranges, check states and texts, built on a
// plain widget exactly as the deck controller builds it on itself.
class TestDeckForm : public QObject {
    Q_OBJECT

private:
    // One line per layout: name(children), a spacer as ~WxH with its horizontal policy.
    static QString describe(QLayoutItem *item)
    {
        if (QSpacerItem *spacer = item->spacerItem()) {
            const QSize hint = spacer->sizeHint();
            const char *policy = spacer->sizePolicy().horizontalPolicy() == QSizePolicy::Expanding ? "E" : "F";
            return QStringLiteral("~%1x%2%3").arg(hint.width()).arg(hint.height()).arg(QLatin1String(policy));
        }
        if (QWidget *widget = item->widget())
            return widget->objectName();
        QLayout *layout = item->layout();
        QStringList children;
        for (int i = 0; i < layout->count(); ++i)
            children << describe(layout->itemAt(i));
        return layout->objectName() + QLatin1Char('(') + children.join(QLatin1Char(',')) + QLatin1Char(')');
    }

    QWidget *form = nullptr;
    Ui::progressBars ui;

private slots:
    void init()
    {
        form = new QWidget;
        ui.setupUi(form);
    }

    void cleanup()
    {
        delete form;
        form = nullptr;
    }

    void geometryOfTheFormAndItsLayoutWidget()
    {
        QCOMPARE(form->objectName(), QStringLiteral("progressBars"));
        QCOMPARE(form->size(), QSize(421, 262));
        QCOMPARE(form->minimumSize(), QSize(370, 175));
        QCOMPARE(form->layout(), nullptr); // the content keeps its own geometry
        QCOMPARE(ui.layoutWidget->parentWidget(), form);
        QCOMPARE(ui.layoutWidget->geometry(), QRect(0, 0, 413, 252));
        QCOMPARE(form->windowTitle(), QStringLiteral("Form"));
        QVERIFY(form->styleSheet().contains(QLatin1String("background: transparent;")));
        QVERIFY(form->styleSheet().contains(QLatin1String("color:white;")));
    }

    void layoutTreeNestsEveryWidgetInOrder()
    {
        const QString expected = QStringLiteral(
            "verticalLayout_10("
            "horizontalLayout_6(add_track,~40x20E,label,modeButton_1,modeButton_2,modeButton_3),"
            "horizontalLayout_7("
            "verticalLayout_11(delete_track_2,delete_track_1),"
            "horizontalLayout_8("
            "verticalLayout_12(horizontalLayout_9(verticalLayout_13(playPause_4,playPause_5),"
            "verticalLayout_14(BPMSlider_4,BPMSlider_5))),"
            "verticalLayout_15(horizontalLayout_10(verticalLayout_16(musicSlider_4,musicSlider_5),"
            "verticalLayout_17(songPin4,songPin5)))),"
            "fakeButton,verticalLayout_18()),"
            "verticalLayout_9("
            "horizontalLayout_5("
            "verticalLayout_8(previous1,previous2,previous3),"
            "horizontalLayout_4("
            "verticalLayout_6(horizontalLayout_3(verticalLayout_5(playPause_1,playPause_2,playPause_3),"
            "verticalLayout_4(BPMSlider_1,BPMSlider_2,BPMSlider_3))),"
            "verticalLayout_3(horizontalLayout(verticalLayout(musicSlider,musicSlider_2,musicSlider_3),"
            "verticalLayout_2(song1Pin,song2Pin,song3Pin)))),"
            "verticalLayout_7(next_1,next_2,next_3)),"
            "horizontalLayout_2(~40x20E,playPauseButton,~23x0F,previousGroup,stopButton,nextGroup,~34x0F,"
            "muteButton,volumeSlider,saveButton,~40x20E)))");
        QCOMPARE(describe(ui.verticalLayout_10), expected);
        QCOMPARE(ui.layoutWidget->layout(), ui.verticalLayout_10);

        QCOMPARE(ui.verticalLayout_10->sizeConstraint(), QLayout::SetMinAndMaxSize);
        QCOMPARE(ui.verticalLayout_10->contentsMargins(), QMargins(0, 0, 0, 0));
        QCOMPARE(ui.horizontalLayout_6->spacing(), 0);
        QCOMPARE(ui.horizontalLayout_7->sizeConstraint(), QLayout::SetMinimumSize);
        QCOMPARE(ui.verticalLayout_9->sizeConstraint(), QLayout::SetNoConstraint);
        QCOMPARE(ui.horizontalLayout_2->sizeConstraint(), QLayout::SetMinAndMaxSize);
        QCOMPARE(ui.verticalLayout->contentsMargins().bottom(), 0);
        QCOMPARE(ui.verticalLayout_16->contentsMargins().bottom(), 0);
    }

    void onlyModeThreeAndTheAddedTrackRepeatsStartChecked()
    {
        const QList<QAbstractButton *> buttons = form->findChildren<QAbstractButton *>();
        QVERIFY(buttons.size() > 20);
        QStringList checked;
        for (QAbstractButton *button : buttons) {
            if (button->isChecked())
                checked << button->objectName();
        }
        checked.sort();
        QCOMPARE(checked, (QStringList{"modeButton_3", "songPin4", "songPin5"}));
        for (QAbstractButton *mode : {ui.modeButton_1, ui.modeButton_2, ui.modeButton_3})
            QVERIFY(mode->isCheckable());
    }

    void slidersHaveTheirRanges()
    {
        for (QSlider *tempo : {ui.BPMSlider_1, ui.BPMSlider_2, ui.BPMSlider_3, ui.BPMSlider_4, ui.BPMSlider_5}) {
            QCOMPARE(tempo->minimum(), -16);
            QCOMPARE(tempo->maximum(), 16);
            QCOMPARE(tempo->value(), 0);
            QCOMPARE(tempo->pageStep(), 8);
            QCOMPARE(tempo->orientation(), Qt::Horizontal);
            QCOMPARE(tempo->tickPosition(), QSlider::TicksAbove);
            QCOMPARE(tempo->sizePolicy().horizontalPolicy(), QSizePolicy::Fixed);
            QCOMPARE(tempo->sizePolicy().verticalPolicy(), QSizePolicy::Fixed);
            QCOMPARE(tempo->maximumWidth(), 39);
            QCOMPARE(tempo->toolTip(), QStringLiteral("Tempo"));
        }
        for (QSlider *slider : std::initializer_list<QSlider *> {ui.musicSlider, ui.musicSlider_2,
                 ui.musicSlider_3, ui.musicSlider_4, ui.musicSlider_5, ui.volumeSlider}) {
            QCOMPARE(slider->minimum(), 0);
            QCOMPARE(slider->maximum(), 99);
            QCOMPARE(slider->value(), 0);
            QCOMPARE(slider->orientation(), Qt::Horizontal);
        }
        QVERIFY(!ui.musicSlider->autoFillBackground());
        QVERIFY(!ui.musicSlider_4->autoFillBackground());
    }

    void buttonSizes()
    {
        QCOMPARE(ui.add_track->minimumSize(), QSize(22, 22));
        QCOMPARE(ui.delete_track_1->minimumSize(), QSize(22, 22));
        QCOMPARE(ui.delete_track_2->minimumSize(), QSize(22, 22));
        QCOMPARE(ui.label->maximumWidth(), 50);
        QCOMPARE(ui.modeButton_1->maximumSize(), QSize(28, 23));
        QCOMPARE(ui.modeButton_2->minimumSize(), QSize(21, 23));
        QCOMPARE(ui.modeButton_2->maximumSize(), QSize(21, 23));
        QCOMPARE(ui.modeButton_3->minimumSize(), QSize(28, 23));
        QCOMPARE(ui.modeButton_3->maximumSize(), QSize(28, 23));
        QCOMPARE(ui.fakeButton->minimumWidth(), 18);
        QCOMPARE(ui.fakeButton->maximumWidth(), 18);
        QCOMPARE(ui.next_2->contextMenuPolicy(), Qt::ActionsContextMenu);
    }

    void texts_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("toolTip");
        QTest::newRow("add") << "add_track" << "" << "Add Track";
        QTest::newRow("label") << "label" << "Players:" << "";
        QTest::newRow("mode 1") << "modeButton_1" << "   1" << "";
        QTest::newRow("mode 2") << "modeButton_2" << "2" << "";
        QTest::newRow("mode 3") << "modeButton_3" << "3  " << "";
        QTest::newRow("remove 2") << "delete_track_2" << "" << "Remove Track";
        QTest::newRow("row hold") << "playPause_1" << "" << "";
        QTest::newRow("repeat") << "song2Pin" << "" << "Repeat";
        QTest::newRow("added repeat") << "songPin4" << "" << "";
        QTest::newRow("previous 1") << "previous1" << "..." << "Previous";
        QTest::newRow("next 3") << "next_3" << "..." << "";
        QTest::newRow("stop") << "stopButton" << "..." << "";
        QTest::newRow("play") << "playPauseButton" << "" << "";
        QTest::newRow("mute") << "muteButton" << "" << "Mute";
        QTest::newRow("volume") << "volumeSlider" << "" << "Volume";
        QTest::newRow("save") << "saveButton" << "SAVE" << "Save Currently Playing Samples";
    }

    void texts()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(QString, toolTip);
        QWidget *widget = form->findChild<QWidget *>(name);
        QVERIFY(widget);
        if (auto *button = qobject_cast<QAbstractButton *>(widget))
            QCOMPARE(button->text(), text);
        else if (auto *label = qobject_cast<QLabel *>(widget))
            QCOMPARE(label->text(), text);
        QCOMPARE(widget->toolTip(), toolTip);
    }

    void removeTrackOneHasARichTextToolTip()
    {
        const QString tip = ui.delete_track_1->toolTip();
        QVERIFY(Qt::mightBeRichText(tip));
        QTextDocument document;
        document.setHtml(tip);
        QCOMPARE(document.toPlainText(), QStringLiteral("Remove Track"));
    }

    void iconsAndStylesNameTheirImages()
    {
        // The images are named through the "pixmaps:" search path, which points at the
        // program's data folder whatever the working directory is.
        const QList<QPair<QAbstractButton *, QString>> styled = {
            {ui.add_track, "pixmaps:plus.png"},
            {ui.delete_track_1, "pixmaps:minus.png"},
            {ui.delete_track_2, "pixmaps:minus.png"},
            {ui.playPause_3, "pixmaps:play_16px.png"},
            {ui.playPause_5, "pixmaps:pause_16px.png"},
            {ui.song1Pin, "pixmaps:repeat_checked.png"},
            {ui.songPin5, "pixmaps:repeat_unchecked.png"},
            {ui.playPauseButton, "pixmaps:playbutton.png"},
            {ui.muteButton, "pixmaps:volume-muted.png"},
            {ui.muteButton, "pixmaps:volume-high.png"},
            {ui.saveButton, "pixmaps:medium_glass_button.png"},
        };
        for (const auto &[button, image] : styled)
            QVERIFY2(button->styleSheet().contains(image), qPrintable(button->objectName()));
        QVERIFY(ui.modeButton_3->styleSheet().contains(QLatin1String("border-bottom-right-radius: 10px;")));
        QVERIFY(ui.modeButton_1->styleSheet().contains(QLatin1String("border-bottom-left-radius: 10px;")));
        QVERIFY(!ui.modeButton_2->styleSheet().contains(QLatin1String("radius")));
        for (QAbstractButton *tool : {ui.previous1, ui.previous2, ui.previous3, ui.previousGroup, ui.next_1,
                                      ui.next_2, ui.next_3, ui.nextGroup, ui.stopButton})
            QVERIFY2(!tool->icon().isNull(), qPrintable(tool->objectName()));
    }
};

QTEST_MAIN(TestDeckForm)
#include "tst_deck_form.moc"
