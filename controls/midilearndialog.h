#pragma once

#include <QDialog>
#include <QStringList>

class DeckControls;
class MidiMap;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;
struct MidiMessage;

// Edit > "MIDI Learn...": the deck's controls with the controller message tied to each. Pick a
// control, press Learn (or double-click it), then move or press something on the controller.
class MidiLearnDialog : public QDialog {
    Q_OBJECT

public:
    MidiLearnDialog(const DeckControls *controls, MidiMap *map, const QStringList &ports, QWidget *parent = nullptr);
    ~MidiLearnDialog() override;

    // The controllers' ports open now.
    void showPorts(const QStringList &ports);

private slots:
    void learnSelected();
    void clearSelected();
    void learned(const QString &control, const MidiMessage &message);

private:
    void refresh();
    QString selectedControl() const;

    const DeckControls *controls;
    MidiMap *map;
    QTreeWidget *list = nullptr;
    QLabel *ports = nullptr;
    QLabel *status = nullptr;
    QPushButton *learnButton = nullptr;
    QPushButton *clearButton = nullptr;
};
