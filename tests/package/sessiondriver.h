#pragma once

#include <QObject>
#include <QString>

class QMainWindow;

// Drives the installed program from inside, as a user would through its menus, and prints
// what it finds as "driver: ..." lines. Loaded into the real executable as a Qt generic
// plugin (QT_QPA_GENERIC_PLUGINS=samporadriver), so the program carries no test code.
// SAMPORA_DRIVER_STEP says what to do:
//   first  - check images and the quick reference, import SAMPORA_DRIVER_FOLDER, quit
//   second - list the library manager's folders, quit
class SessionDriver : public QObject {
    Q_OBJECT

public:
    SessionDriver();

private:
    void waitForWindow();
    void run(QMainWindow *window);
    bool checkImagesAndHelp(QMainWindow *window);
    bool importFolder(QMainWindow *window, const QString &folder);
    bool listLibrary(QMainWindow *window);
    void fail(const QString &why);

    int m_tries = 0;
};
