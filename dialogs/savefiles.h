#pragma once

#include <QDialog>
#include <QDir>
#include <QVector>

#include "player/trackinfo.h"

class QComboBox;
class QLabel;
class QPushButton;

// Stores the current mix as a project folder: a copy of each slot's sample, named after
// the project, the slot and the BPM, and an info file with the rate each copy plays at.
// The deck creates one for every save request and shows it without making it modal.
class SaveFiles : public QDialog {
    Q_OBJECT
public:
    // tracks: one entry per deck slot in player-id order (five of them); an entry with an
    // empty file is a slot not in use. The dialog keeps its own copy.
    SaveFiles(const QVector<TrackInfo> &tracks, QWidget *parent = nullptr);

private slots:
    void browse();
    void save();

private:
    // Appends the combo box's current text as an item unless an item already has it.
    static void remember(QComboBox *box);
    void showProblem(const QString &text);
    bool createProjectFolder(const QString &name, const QString &directory);

    QVector<TrackInfo> tracks;
    QComboBox *projectName;
    QComboBox *directory;
    QLabel *nameLabel;
    QLabel *directoryLabel;
    QLabel *status;
    QPushButton *browseButton;
    QPushButton *saveButton;
    QDir projectParent;
};
