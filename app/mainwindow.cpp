#include "app/mainwindow.h"

MainWindow::MainWindow()
{
    setWindowTitle(tr("Sampora: Beta 0.2"));
    resize(480, 340);
}
