#include "controls/deckcontrols.h"

#include <cmath>

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QAction>

#include "controls/deckrows.h"
#include "deck/qtplayerctl.h"
#include "player/player.h"

namespace {

// 0 to 127 onto the slider's whole range: the middle of a knob (64) is the middle of a tempo
// slider.
int sliderValue(const QAbstractSlider *slider, int value)
{
    const double span = slider->maximum() - slider->minimum();
    return slider->minimum() + int(std::lround(value * span / 127.0));
}

} // namespace

DeckControls::DeckControls(QTplayerCtl *deck, QAction *quantize, QAction *matching, QObject *parent)
    : QObject(parent)
{
    const auto press = [](QAbstractButton *button) { return [button](int) { button->click(); }; };
    list = {
        {QStringLiteral("transport.playPause"), tr("Play/Pause"), false, [deck](int) { deck->playPause(); }},
        {QStringLiteral("transport.stop"), tr("Stop"), false, [deck](int) { deck->stop(); }},
        {QStringLiteral("transport.next"), tr("Next"), false, [deck](int) { deck->next(); }},
        {QStringLiteral("transport.previous"), tr("Previous"), false, [deck](int) { deck->previous(); }},
    };
    const std::array<DeckRow, 5> rows = DeckRow::of(deck);
    for (int i = 0; i < 3; ++i) {
        const DeckRow &row = rows[size_t(i)];
        const QString prefix = QStringLiteral("row%1.").arg(i + 1);
        const int number = i + 1;
        Player *player = row.player;
        QAbstractSlider *tempo = row.tempo;
        list += {
            {prefix + QStringLiteral("playPause"), tr("Row %1: play/pause").arg(number), false,
             [player](int) {
                 if (player->isPlaying())
                     player->pause();
                 else
                     player->play();
             }},
            {prefix + QStringLiteral("next"), tr("Row %1: next").arg(number), false, press(row.next)},
            {prefix + QStringLiteral("previous"), tr("Row %1: previous").arg(number), false, press(row.previous)},
            {prefix + QStringLiteral("repeat"), tr("Row %1: repeat").arg(number), false, press(row.repeat)},
            {prefix + QStringLiteral("hold"), tr("Row %1: hold").arg(number), false, press(row.hold)},
            {prefix + QStringLiteral("tempo"), tr("Row %1: tempo").arg(number), true,
             [tempo](int value) { tempo->setValue(sliderValue(tempo, value)); }},
        };
    }
    QAbstractSlider *volume = deck->volumeSlider;
    list += {
        {QStringLiteral("deck.volume"), tr("Volume"), true,
         [deck, volume](int value) {
             volume->setValue(sliderValue(volume, value));
             // A fader is set on purpose, like the mouse: unmuting returns to it.
             deck->savedVolume = volume->value();
         }},
        {QStringLiteral("deck.mute"), tr("Mute"), false, press(deck->muteButton)},
        {QStringLiteral("quantize"), tr("Quantize"), false, [quantize](int) { quantize->trigger(); }},
        {QStringLiteral("matching"), tr("BPM Matching"), false, [matching](int) { matching->trigger(); }},
    };
}

void DeckControls::trigger(const QString &control, int value, bool pressed)
{
    for (const Control &c : std::as_const(list)) {
        if (c.id != control)
            continue;
        if (c.slider || pressed)
            c.apply(value);
        return;
    }
}
