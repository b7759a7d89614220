// Started by bench_startup: shows a window and writes "shown" to stdout at its first
// paint, then leaves at once (teardown is not part of start-up).
//   startup_probe empty          an empty QMainWindow
//   startup_probe libvlc         five libvlc players created, then an empty QMainWindow
//   startup_probe sampora DIR    Sampora's main window with DIR as the program's folder
#include <cstdio>
#include <cstring>

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QEvent>
#include <QMainWindow>
#include <QUrl>

#include <memory>
#include <vector>

#include "app/mainwindow.h"
#include "library/paths.h"
#include "online/onlineservices.h"
#include "engine/vlcplayback.h"

namespace {

class FirstPaint : public QObject {
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            std::fputs("shown\n", stdout);
            std::fflush(stdout);
            _exit(0);
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    FirstPaint firstPaint;
    if (argc == 2 && (std::strcmp(argv[1], "empty") == 0 || std::strcmp(argv[1], "libvlc") == 0)) {
        // What the five players' libvlc instances alone add to an empty window.
        std::vector<std::unique_ptr<VlcPlayback>> players;
        if (std::strcmp(argv[1], "libvlc") == 0) {
            for (int i = 0; i < 5; ++i)
                players.push_back(std::make_unique<VlcPlayback>(QStringList{QStringLiteral("--verbose=1")}));
        }
        QMainWindow window;
        window.installEventFilter(&firstPaint);
        window.resize(480, 340);
        window.show();
        return app.exec();
    }
    if (argc != 3 || std::strcmp(argv[1], "sampora") != 0)
        return 2;
    const QString dir = QDir(QString::fromLocal8Bit(argv[2])).absolutePath();
    Paths::setProgramDir(dir);
    QDir::setCurrent(dir);
    // The update check still sets up TLS as it would, but no request leaves the machine.
    OnlineServices::setBaseUrl(QUrl(QStringLiteral("https://127.0.0.1:9")));
    MainWindow window;
    window.installEventFilter(&firstPaint);
    window.show();
    return app.exec();
}
