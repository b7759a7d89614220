#include "controls/deckremote.h"

#include <cmath>

#include <QAbstractButton>
#include <QApplication>
#include <QMainWindow>
#include <QSlider>
#include <QTimer>

#include "controls/deckcontrols.h"
#include "controls/deckdrops.h"
#include "controls/deckrows.h"
#include "controls/midiinput.h"
#include "controls/midilearndialog.h"
#include "controls/midimap.h"
#include "deck/qtplayerctl.h"
#include "player/player.h"

namespace {

// How often the media keys' view of the deck is brought up to date: the rows move on to new
// samples by themselves, and a sound menu need not follow faster than this.
constexpr int kPollMs = 250;

} // namespace

DeckRemote::DeckRemote(QTplayerCtl *deck, QMainWindow *window, QAction *quantize, QAction *matching,
                       Options options)
    : QObject(window)
    , deck(deck)
{
    map = new MidiMap(options.midiSettings, this);
    deckControls = new DeckControls(deck, quantize, matching, this);
    connect(map, &MidiMap::triggered, deckControls, &DeckControls::trigger);
    input = new MidiInput(this);
    connect(input, &MidiInput::received, map, &MidiMap::handle);
    connect(input, &MidiInput::portsChanged, this, [this](const QStringList &open) {
        ports = open;
        emit midiPortsChanged(open);
    });

    deckDrops = new DeckDrops(deck, window, this);

    media = new MprisService(mediaActions(window), this);
    if (options.useSessionBus)
        media->registerOn(QDBusConnection::sessionBus());
    connect(deck->stopButton, &QAbstractButton::clicked, this, [this] { stopped = true; });
    poll = new QTimer(this);
    connect(poll, &QTimer::timeout, this, &DeckRemote::pollDeck);
    poll->start(kPollMs);
    pollDeck();
}

DeckRemote::~DeckRemote() = default;

MprisService::Actions DeckRemote::mediaActions(QMainWindow *window)
{
    MprisService::Actions actions;
    actions.playPause = [this] { deck->playPause(); };
    actions.play = [this] {
        if (!deck->playing)
            deck->playPause();
    };
    actions.pause = [this] {
        if (deck->playing)
            deck->pause();
    };
    actions.stop = [this] {
        deck->stop();
        stopped = true;
    };
    actions.next = [this] { deck->next(); };
    actions.previous = [this] { deck->previous(); };
    actions.raise = [window] {
        window->showNormal();
        window->raise();
        window->activateWindow();
    };
    actions.quit = [window] { window->close(); };
    actions.setVolume = [this](double volume) {
        QSlider *slider = deck->volumeSlider;
        slider->setValue(int(std::lround(volume * slider->maximum())));
        deck->savedVolume = slider->value();
    };
    // Every call is acted on at once, and the properties it changed are told right after.
    const auto followed = [this](std::function<void()> act) {
        return [this, act] {
            act();
            pollDeck();
        };
    };
    for (std::function<void()> *act : {&actions.playPause, &actions.play, &actions.pause, &actions.stop,
                                       &actions.next, &actions.previous})
        *act = followed(*act);
    return actions;
}

MprisState DeckRemote::deckState() const
{
    MprisState state;
    const std::array<DeckRow, 5> rows = DeckRow::of(deck);
    bool anyPlays = deck->playing;
    for (const DeckRow &row : rows) {
        const Player *player = row.player;
        anyPlays |= player->isPlaying();
        if (player->disabled || player->currentTrack().file.isEmpty())
            continue;
        const int bpm = player->tempo().bpm;
        state.rows.append({player->currentTrack().file,
                           bpm > 0 ? int(std::lround(bpm * player->playbackRate())) : -1});
    }
    state.status = anyPlays ? MprisState::Playing : (stopped ? MprisState::Stopped : MprisState::Paused);
    const QSlider *volume = deck->volumeSlider;
    state.volume = volume->maximum() > 0 ? double(volume->value()) / volume->maximum() : 0.0;
    return state;
}

void DeckRemote::pollDeck()
{
    MprisState state = deckState();
    if (state.status == MprisState::Playing)
        stopped = false;
    media->update(state);
}

MidiLearnDialog *DeckRemote::createLearnWindow(QWidget *parent)
{
    auto *dialog = new MidiLearnDialog(deckControls, map, ports, parent);
    connect(this, &DeckRemote::midiPortsChanged, dialog, &MidiLearnDialog::showPorts);
    return dialog;
}
