#include "controls/deckdrops.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

#include "controls/deckrows.h"
#include "controls/heardcopy.h"
#include "deck/qtplayerctl.h"
#include "library/sampora.h"
#include "player/player.h"

namespace {

// The first local file or folder the data names; empty when it names none.
QString localPath(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return QString();
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile())
            return url.toLocalFile();
    }
    return QString();
}

bool isSample(const QString &path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    return suffix == QLatin1String("mp3") || suffix == QLatin1String("wav") || suffix == QLatin1String("aif")
        || suffix == QLatin1String("mid");
}

} // namespace

DeckDrops::DeckDrops(QTplayerCtl *deck, QWidget *window, QObject *parent)
    : QObject(parent)
    , deck(deck)
    , window(window)
    , copyFolder(HeardCopy::defaultFolder())
{
    const std::array<DeckRow, 5> rows = DeckRow::of(deck);
    for (int id = 0; id < 5; ++id) {
        const DeckRow &row = rows[size_t(id)];
        for (QWidget *widget : {static_cast<QWidget *>(row.position), static_cast<QWidget *>(row.tempo),
                                static_cast<QWidget *>(row.hold), static_cast<QWidget *>(row.repeat),
                                static_cast<QWidget *>(row.previous), static_cast<QWidget *>(row.next)}) {
            if (!widget)
                continue;
            widget->setAcceptDrops(true);
            widget->installEventFilter(this);
            rowOf.insert(widget, id);
        }
        sliderOf.insert(row.position, id);
    }
    window->setAcceptDrops(true);
    window->installEventFilter(this);
}

bool DeckDrops::dropOnRow(int id, const QMimeData *data)
{
    const QString path = localPath(data);
    if (path.isEmpty())
        return false;
    if (QFileInfo(path).isDir())
        return dropOnWindow(data);
    if (!isSample(path)) {
        emit status(tr("%1 is not a sample Sampora plays (MP3, WAV, AIFF or MIDI).").arg(QFileInfo(path).fileName()));
        return false;
    }
    Player *player = DeckRow::of(deck)[size_t(id)].player;
    if (player->disabled)
        return false;
    // As if chosen with the file chooser: the file's own BPM, playing at once.
    player->setBpm(Sampora::bpmFromFileName(path));
    player->playFile(path);
    emit status(tr("Row %1 plays %2").arg(id + 1).arg(QFileInfo(path).fileName()));
    return true;
}

bool DeckDrops::dropOnWindow(const QMimeData *data)
{
    const QString path = localPath(data);
    if (path.isEmpty())
        return false;
    if (!QFileInfo(path).isDir()) {
        emit status(isSample(path) ? tr("Drop a sample on a row to play it there.")
                                   : tr("%1 is not a sample Sampora plays (MP3, WAV, AIFF or MIDI).")
                                         .arg(QFileInfo(path).fileName()));
        return false;
    }
    emit folderDropped(path);
    return true;
}

QString DeckDrops::fileToDrag(int id)
{
    const Player *player = DeckRow::of(deck)[size_t(id)].player;
    const QString file = player->currentTrack().file;
    if (file.isEmpty())
        return QString();
    QString error;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString copy = HeardCopy::make(file, player->playbackRate(), player->tempo().bpm, copyFolder, &error);
    QApplication::restoreOverrideCursor();
    if (copy.isEmpty())
        emit status(error);
    return copy;
}

bool DeckDrops::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        if (watched == window)
            return dragEvent(-1, event);
        if (rowOf.contains(watched))
            return dragEvent(rowOf.value(watched), event);
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
        if (!replaying && sliderOf.contains(watched))
            return sliderMouse(static_cast<QWidget *>(watched), sliderOf.value(watched), event);
        return false;
    default:
        return false;
    }
}

bool DeckDrops::dragEvent(int id, QEvent *event)
{
    auto *drop = static_cast<QDropEvent *>(event);
    // Our own drag out of a row is not dropped back in.
    if (drop->source() || localPath(drop->mimeData()).isEmpty())
        return false;
    if (event->type() != QEvent::Drop) {
        // Every local file is taken, so that a refused one gets its reason on the drop.
        drop->acceptProposedAction();
        return true;
    }
    const bool taken = id < 0 ? dropOnWindow(drop->mimeData()) : dropOnRow(id, drop->mimeData());
    if (taken)
        drop->acceptProposedAction();
    else
        drop->ignore();
    return true;
}

bool DeckDrops::sliderMouse(QWidget *slider, int id, QEvent *event)
{
    auto *mouse = static_cast<QMouseEvent *>(event);
    if (event->type() == QEvent::MouseButtonPress) {
        if (mouse->button() != Qt::LeftButton)
            return false;
        held = {slider, mouse->position().toPoint(), mouse->globalPosition().toPoint(), mouse->modifiers()};
        return true;
    }
    if (held.slider != slider)
        return false;
    if (event->type() == QEvent::MouseButtonRelease) {
        replayPress(slider);
        return false;
    }
    const QPoint moved = mouse->position().toPoint() - held.position;
    if (moved.manhattanLength() < QApplication::startDragDistance())
        return true;
    const int y = mouse->position().toPoint().y();
    const int margin = QApplication::startDragDistance();
    if (y < -margin || y > slider->height() + margin) {
        held.slider = nullptr;
        startDrag(slider, id);
        return true;
    }
    if (qAbs(moved.y()) > qAbs(moved.x()))
        return true; // still undecided: pulled off the slider it drags, along it it seeks
    replayPress(slider);
    return false;
}

void DeckDrops::replayPress(QWidget *slider)
{
    QMouseEvent press(QEvent::MouseButtonPress, held.position, held.global, Qt::LeftButton, Qt::LeftButton,
                      held.modifiers);
    held.slider = nullptr;
    replaying = true;
    QApplication::sendEvent(slider, &press);
    replaying = false;
}

void DeckDrops::startDrag(QWidget *slider, int id)
{
    const QString file = fileToDrag(id);
    if (file.isEmpty())
        return;
    auto *data = new QMimeData;
    data->setUrls({QUrl::fromLocalFile(file)});
    auto *drag = new QDrag(slider);
    drag->setMimeData(data);
    drag->exec(Qt::CopyAction);
}
