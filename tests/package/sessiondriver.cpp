#include "sessiondriver.h"

#include <cstdio>

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFileInfo>
#include <QGenericPlugin>
#include <QLineEdit>
#include <QMainWindow>
#include <QPixmap>
#include <QPushButton>
#include <QRadioButton>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QTreeView>

namespace {

void report(const QString &line)
{
    std::printf("driver: %s\n", qPrintable(line));
    std::fflush(stdout);
}

QAction *action(QMainWindow *window, const QString &text)
{
    const QList<QAction *> actions = window->findChildren<QAction *>();
    for (QAction *a : actions) {
        if (a->text() == text)
            return a;
    }
    return nullptr;
}

template <typename T>
T *visibleTopLevel(const char *className)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (w->isVisible() && w->inherits(className))
            return qobject_cast<T *>(w);
    }
    return nullptr;
}

template <typename T>
T *childWithText(QWidget *parent, const QString &text)
{
    const QList<T *> children = parent->findChildren<T *>();
    for (T *child : children) {
        if (child->text() == text)
            return child;
    }
    return nullptr;
}

} // namespace

SessionDriver::SessionDriver()
{
    QTimer::singleShot(0, this, &SessionDriver::waitForWindow);
}

void SessionDriver::waitForWindow()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (auto *window = qobject_cast<QMainWindow *>(w); window && window->isVisible()) {
            run(window);
            return;
        }
    }
    if (++m_tries > 300)
        return fail(QStringLiteral("no main window after 30 s"));
    QTimer::singleShot(100, this, &SessionDriver::waitForWindow);
}

void SessionDriver::run(QMainWindow *window)
{
    const QByteArray step = qgetenv("SAMPORA_DRIVER_STEP");
    bool ok = false;
    if (step == "first")
        ok = checkImagesAndHelp(window) && importFolder(window, qEnvironmentVariable("SAMPORA_DRIVER_FOLDER"));
    else if (step == "second")
        ok = listLibrary(window);
    else
        return fail(QStringLiteral("unknown SAMPORA_DRIVER_STEP"));
    if (!ok)
        return;
    report(QStringLiteral("done"));
    window->close();
    QCoreApplication::quit();
}

bool SessionDriver::checkImagesAndHelp(QMainWindow *window)
{
    for (const char *image : {"pixmaps:applogo.png", "pixmaps:playbutton.png", "pixmaps:menubackground.png"}) {
        const QString name = QLatin1String(image);
        if (QPixmap(name).isNull()) {
            fail(QStringLiteral("image not found: ") + name);
            return false;
        }
        report(QStringLiteral("image %1").arg(QFileInfo(name).canonicalFilePath()));
    }

    QAction *help = action(window, QStringLiteral("Quick Reference"));
    if (!help) {
        fail(QStringLiteral("no Quick Reference action"));
        return false;
    }
    help->trigger();
    auto *viewer = visibleTopLevel<QTextEdit>("TextEdit");
    if (!viewer || !viewer->toPlainText().contains(QLatin1String("Sampora quick reference"))) {
        fail(QStringLiteral("the quick reference did not open with its text"));
        return false;
    }
    const QByteArray picture = viewer->loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("pixmaps/help_deck.png"))).toByteArray();
    if (QPixmap::fromImage(QImage::fromData(picture)).isNull()) {
        fail(QStringLiteral("the quick reference's pictures are missing"));
        return false;
    }
    report(QStringLiteral("help %1 characters with pictures").arg(viewer->toPlainText().size()));
    viewer->close();
    return true;
}

bool SessionDriver::importFolder(QMainWindow *window, const QString &folder)
{
    QAction *import = action(window, QStringLiteral("&Import Samples..."));
    if (!import) {
        fail(QStringLiteral("no Import Samples action"));
        return false;
    }
    import->trigger();
    auto *dialog = visibleTopLevel<QDialog>("ImportFolder");
    if (!dialog) {
        const QList<QDialog *> dialogs = window->findChildren<QDialog *>();
        for (QDialog *d : dialogs) {
            if (d->isVisible() && d->inherits("ImportFolder"))
                dialog = d;
        }
    }
    QLineEdit *path = dialog ? dialog->findChild<QLineEdit *>() : nullptr;
    auto *beat = dialog ? childWithText<QRadioButton>(dialog, QStringLiteral("B&eat/Effects")) : nullptr;
    auto *hipHop = dialog ? childWithText<QCheckBox>(dialog, QStringLiteral("&Hip Hop/ R&&B")) : nullptr;
    auto *confirm = dialog ? childWithText<QPushButton>(dialog, QStringLiteral("&Import")) : nullptr;
    if (!path || !beat || !hipHop || !confirm) {
        fail(QStringLiteral("the import dialog is not as expected"));
        return false;
    }
    path->setText(folder);
    beat->click();
    hipHop->setChecked(true);
    confirm->click();
    if (dialog->isVisible()) {
        fail(QStringLiteral("the import was refused"));
        return false;
    }
    report(QStringLiteral("imported %1").arg(folder));
    return true;
}

bool SessionDriver::listLibrary(QMainWindow *window)
{
    QAction *library = action(window, QStringLiteral("Sample Library"));
    if (!library) {
        fail(QStringLiteral("no Sample Library action"));
        return false;
    }
    library->trigger();
    auto *manager = visibleTopLevel<QDialog>("LibraryMgr");
    QTreeView *view = manager ? manager->findChild<QTreeView *>() : nullptr;
    if (!view || !view->model()) {
        fail(QStringLiteral("the library manager did not open"));
        return false;
    }
    for (int row = 0; row < view->model()->rowCount(); ++row)
        report(QStringLiteral("library folder %1").arg(view->model()->index(row, 0).data().toString()));
    manager->close();
    return true;
}

void SessionDriver::fail(const QString &why)
{
    report(QStringLiteral("FAIL ") + why);
    QCoreApplication::exit(1);
}

class SessionDriverPlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "driver.json")

public:
    QObject *create(const QString &key, const QString &) override
    {
        return key.compare(QLatin1String("samporadriver"), Qt::CaseInsensitive) == 0 ? new SessionDriver : nullptr;
    }
};

#include "sessiondriver.moc"
