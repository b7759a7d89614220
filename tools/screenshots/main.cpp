#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include "app/mainwindow.h"
#include "app/textedit.h"
#include "deck/qtplayerctl.h"
#include "library/paths.h"

namespace {

void settle(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool saveScreen(const QRect &area, const QString &file)
{
    return QApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(file);
}

} // namespace

// Usage: sampora_screenshots RUN_DIR OUT_DIR
// RUN_DIR is the program's folder (config.xml, pixmaps/, help.html); it becomes the working
// directory, as when the program is started from it.
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s RUN_DIR OUT_DIR\n", argv[0]);
        return 2;
    }
    const QString runDir = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const QString out = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    QDir().mkpath(out);
    QDir::setCurrent(runDir);
    Paths::setProgramDir(runDir);

    MainWindow window;
    window.move(0, 0);
    window.show();
    settle(1500);
    bool ok = window.grab().save(out + QStringLiteral("/mainwindow.png"));

    QTplayerCtl *deck = window.deckController();
    // The deck's own background is transparent: take it from the window to keep the colours.
    const auto deckShot = [&] { return window.grab(QRect(deck->mapTo(&window, QPoint()), deck->size())); };
    deck->playPause();
    settle(2500);
    ok &= deckShot().save(out + QStringLiteral("/help_deck.png"));
    ok &= window.grab().save(out + QStringLiteral("/help_mainwindow.png"));

    deck->showImport1();
    deck->showImport2();
    settle(800);
    ok &= deckShot().save(out + QStringLiteral("/help_deck_tracks.png"));
    deck->hideImport2();
    deck->hideImport1();
    deck->mode1clicked();
    settle(500);
    ok &= deckShot().save(out + QStringLiteral("/help_deck_mode1.png"));
    deck->mode3clicked();
    deck->pause();

    // Menus are windows of their own: grab them from the screen.
    const QList<QAction *> menus = window.menuBar()->actions();
    for (QAction *entry : menus) {
        QMenu *menu = entry->menu();
        if (!menu)
            continue;
        const QString name = entry->text().remove(QLatin1Char('&')).toLower();
        window.menuBar()->setActiveAction(entry);
        settle(400);
        if (name == QLatin1String("playlist") && !menu->actions().isEmpty()) {
            menu->setActiveAction(menu->actions().first());
            QTimer::singleShot(0, menu->actions().first()->menu(), [menu] {
                menu->actions().first()->menu()->popup(menu->geometry().topRight());
            });
            settle(400);
        }
        const QRect area = window.frameGeometry().united(menu->geometry()).adjusted(0, 0, 180, 20);
        ok &= saveScreen(area, out + QStringLiteral("/menu_%1.png").arg(name));
        menu->close();
        settle(200);
    }

    QMetaObject::invokeMethod(&window, "displayHelp");
    TextEdit *viewer = window.newestHelpViewer();
    viewer->resize(640, 700);
    viewer->move(0, 0);
    settle(800);
    ok &= viewer->grab().save(out + QStringLiteral("/helpviewer.png"));
    viewer->close();

    // The import dialog is the window's child and so wears the window's dark style.
    QMetaObject::invokeMethod(&window, "import");
    settle(800);
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->inherits("ImportFolder")) {
            ok &= w->grab().save(out + QStringLiteral("/importfolder.png"));
            w->close();
        }
    }

    // The About box is modal: grab it from inside its own event loop.
    QTimer::singleShot(800, [&] {
        if (QWidget *box = QApplication::activeModalWidget()) {
            ok &= box->grab().save(out + QStringLiteral("/about.png"));
            box->close();
        }
    });
    QMetaObject::invokeMethod(&window, "about");

    QMetaObject::invokeMethod(&window, "editLibrary");
    settle(800);
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->inherits("LibraryMgr"))
            ok &= w->grab().save(out + QStringLiteral("/librarymanager.png"));
    }
    return ok ? 0 : 1;
}
