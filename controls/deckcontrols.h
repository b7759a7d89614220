#pragma once

#include <functional>

#include <QList>
#include <QObject>
#include <QString>

class QAction;
class QTplayerCtl;

// The deck's controls that a controller can drive, each by the same road a click takes (the
// button's click, the slider's value, the menu's action), so that what follows a click (the
// grid of Quantize, the tempo controller, the check boxes) follows a controller too.
class DeckControls : public QObject {
    Q_OBJECT

public:
    struct Control {
        QString id;   // stable, kept in the settings: "transport.playPause", "row1.tempo", ...
        QString name; // what the learn window shows
        bool slider = false; // follows a value (0 to 127) rather than a press
        std::function<void(int value)> apply;
    };

    // quantize and matching are the Edit menu's checkable actions.
    DeckControls(QTplayerCtl *deck, QAction *quantize, QAction *matching, QObject *parent = nullptr);

    const QList<Control> &controls() const { return list; }

public slots:
    // From the MIDI map: a slider takes every value, any other control acts on a press.
    void trigger(const QString &control, int value, bool pressed);

private:
    QList<Control> list;
};
