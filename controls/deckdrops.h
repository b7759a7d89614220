#pragma once

#include <QHash>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>

class QMimeData;
class QTplayerCtl;
class QWidget;

// Drag and drop on the deck: a sample file dropped on a row plays there at once, a folder
// dropped anywhere opens the import dialog with it, and a row's sample can be dragged out of
// its position slider (pulled up or down off the slider; along it the slider seeks as ever)
// into a file manager or a DAW as it is heard.
class DeckDrops : public QObject {
    Q_OBJECT

public:
    // window: where folders may be dropped; the deck is inside it.
    DeckDrops(QTplayerCtl *deck, QWidget *window, QObject *parent = nullptr);

    // What the events end in, for the tests to drive with real mime data. True when taken.
    bool dropOnRow(int id, const QMimeData *data);
    bool dropOnWindow(const QMimeData *data);
    // The file a drag out of the row hands out; empty (and status() says why) when none.
    QString fileToDrag(int id);

    // Where the copies as heard are written; the user's cache unless a test says otherwise.
    void setCopyFolder(const QString &folder) { copyFolder = folder; }

signals:
    // A line for the status bar: why a drop was refused, or what a row plays now.
    void status(const QString &message);
    void folderDropped(const QString &path);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // id: the row's player id, -1 for the window around the rows.
    bool dragEvent(int id, QEvent *event);
    bool sliderMouse(QWidget *slider, int id, QEvent *event);
    void replayPress(QWidget *slider);
    void startDrag(QWidget *slider, int id);

    QTplayerCtl *deck;
    QWidget *window;
    QHash<QObject *, int> rowOf; // a row's widgets by player id
    QHash<QObject *, int> sliderOf;
    QString copyFolder;
    // A press on a position slider held back until it is clear whether it seeks or drags.
    struct {
        QPointer<QWidget> slider;
        QPoint position;
        QPoint global;
        Qt::KeyboardModifiers modifiers;
    } held;
    bool replaying = false;
};
