#include "dialogs/librarymgr.h"

#include <utility>

#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>

#include "dialogs/importfolder.h"
#include "library/configwriter.h"
#include "library/logcategories.h"
#include "library/paths.h"

LibraryMgr::LibraryMgr(QWidget *parent)
    : QDialog(parent)
{
    auto *group = new QGroupBox(tr("Libraries"), this);
    m_view = new QTreeView(group);
    m_view->setRootIsDecorated(false);
    m_view->setAlternatingRowColors(true);
    // A double click opens the folder's settings; the text itself is not editable.
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    auto *groupLayout = new QHBoxLayout(group);
    groupLayout->addWidget(m_view);

    auto *importButton = new QPushButton(tr("&import"), this);
    m_remove = new QPushButton(tr("r&emove"), this);
    m_remove->setEnabled(false);
    auto *okButton = new QPushButton(tr("ok&"), this);
    auto *exitButton = new QPushButton(tr("exi&t"), this);
    connect(importButton, &QPushButton::clicked, this, &LibraryMgr::import);
    connect(m_remove, &QPushButton::clicked, this, &LibraryMgr::remove);
    connect(okButton, &QPushButton::clicked, this, &LibraryMgr::ok);
    connect(exitButton, &QPushButton::clicked, this, &LibraryMgr::exit);

    auto *buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(importButton);
    buttonRow->addWidget(m_remove);
    buttonRow->addWidget(okButton);
    buttonRow->addWidget(exitButton);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addLayout(buttonRow, 4);

    updateFolders();

    setWindowTitle(tr("Customize Sample Playlists"));
    resize(500, 450);
    connect(m_view, &QTreeView::clicked, this, &LibraryMgr::getCurrentRow);
    connect(m_view, &QTreeView::doubleClicked, this, &LibraryMgr::editLibrary);
}

void LibraryMgr::getCurrentRow(QModelIndex index)
{
    m_currentRow = index.row();
    m_remove->setEnabled(true);
}

void LibraryMgr::updateFolders()
{
    m_folders.clear();
    const QString path = Paths::configPath();
    if (!QFileInfo::exists(path))
        qCDebug(lcDialogs) << "file doesn't exist";
    const ConfigFile::Result loaded = ConfigFile::load(path);
    if (loaded.readable())
        m_folders = ConfigFile::entries(loaded.doc, ConfigFile::Untyped::Keep);

    auto *model = new QStandardItemModel(0, 1, this);
    model->setHorizontalHeaderLabels({tr("Sample Location")});
    for (const ConfigFile::Entry &folder : std::as_const(m_folders))
        model->insertRow(0, new QStandardItem(folder.pathAttr));

    QItemSelectionModel *oldSelection = m_view->selectionModel();
    m_view->setModel(model);
    delete oldSelection;
    delete m_model;
    m_model = model;
    // "r&emove" keeps acting on the clicked row number; show which folder sits there now.
    if (m_currentRow && *m_currentRow < model->rowCount())
        m_view->setCurrentIndex(model->index(*m_currentRow, 0));
}

void LibraryMgr::editLibrary(QModelIndex index)
{
    if (const std::optional<ConfigFile::Entry> folder = folderAt(index.row()))
        openImportFolder(folder);
}

void LibraryMgr::ok()
{
    accept();
}

void LibraryMgr::exit()
{
    accept();
}

void LibraryMgr::remove()
{
    // After a removal elsewhere the list may have become shorter than the clicked row.
    const std::optional<ConfigFile::Entry> folder = m_currentRow ? folderAt(*m_currentRow) : std::nullopt;
    if (!folder)
        return;
    const ConfigWriteResult written = ConfigWriter(Paths::configPath()).remove(folder->pathAttr);
    if (!written.ok) {
        tell(written.message);
        return;
    }
    updateFolders();
}

void LibraryMgr::import()
{
    openImportFolder(std::nullopt);
}

std::optional<ConfigFile::Entry> LibraryMgr::folderAt(int row) const
{
    const int n = int(m_folders.size());
    if (row < 0 || row >= n)
        return std::nullopt;
    return m_folders.at(n - 1 - row);
}

void LibraryMgr::openImportFolder(std::optional<ConfigFile::Entry> folder)
{
    auto *dialog = new ImportFolder(this, std::move(folder));
    connect(dialog, &QDialog::accepted, this, &LibraryMgr::updateFolders);
    dialog->show();
}

// Not exec()'d: the manager is not modal and must not stall the event loop.
void LibraryMgr::tell(const QString &message)
{
    auto *box = new QMessageBox(QMessageBox::Warning, windowTitle(), message, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}
