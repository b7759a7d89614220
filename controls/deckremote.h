#pragma once

#include <QObject>
#include <QStringList>

#include "controls/mprisservice.h"

class DeckControls;
class DeckDrops;
class MidiInput;
class MidiLearnDialog;
class MidiMap;
class QAction;
class QMainWindow;
class QTimer;
class QTplayerCtl;

// Everything that drives the deck from outside the window: MIDI controllers, the desktop's
// media keys (MPRIS) and drag and drop. The main window creates one and opens its learn window.
class DeckRemote : public QObject {
    Q_OBJECT

public:
    struct Options {
        QString midiSettings; // empty: the user's own settings
        bool useSessionBus = true;
    };

    DeckRemote(QTplayerCtl *deck, QMainWindow *window, QAction *quantize, QAction *matching, Options options);
    ~DeckRemote() override;

    // A new learn window; the caller shows it and it frees itself when closed.
    MidiLearnDialog *createLearnWindow(QWidget *parent);

    MidiMap *midiMap() const { return map; }
    DeckControls *controls() const { return deckControls; }
    DeckDrops *drops() const { return deckDrops; }
    MprisService *mpris() const { return media; }
    QStringList midiPorts() const { return ports; }
    // What the deck shows now, as the media keys see it.
    MprisState deckState() const;

signals:
    void midiPortsChanged(const QStringList &ports);

private:
    void pollDeck();
    MprisService::Actions mediaActions(QMainWindow *window);

    QTplayerCtl *deck;
    MidiInput *input = nullptr;
    MidiMap *map = nullptr;
    DeckControls *deckControls = nullptr;
    DeckDrops *deckDrops = nullptr;
    MprisService *media = nullptr;
    QTimer *poll = nullptr;
    QStringList ports;
    // Stop was pressed since the deck last played: the media keys show Stopped, not Paused.
    bool stopped = true;
};
