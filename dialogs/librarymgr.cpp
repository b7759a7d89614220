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
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    // A double click opens the folder's settings; the text itself is not editable.
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // One model for the dialog's life, refilled by updateFolders(), so that the view's
    // selection, and with it the highlight, survives a reload.
    m_model = new QStandardItemModel(0, 1, this);
    m_model->setHorizontalHeaderLabels({tr("Sample Location")});
    m_view->setModel(m_model);
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
    connect(m_view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { m_remove->setEnabled(highlightedRow().has_value()); });
    connect(m_view, &QTreeView::doubleClicked, this, &LibraryMgr::editLibrary);
}

void LibraryMgr::updateFolders()
{
    const std::optional<int> highlighted = highlightedRow();
    const QString highlightedPath = highlighted ? m_model->item(*highlighted)->text() : QString();

    m_folders.clear();
    const QString path = Paths::configPath();
    if (!QFileInfo::exists(path))
        qCDebug(lcDialogs) << "file doesn't exist";
    const ConfigFile::Result loaded = ConfigFile::load(path);
    if (loaded.readable())
        m_folders = ConfigFile::entries(loaded.doc, ConfigFile::Untyped::Keep);

    m_model->removeRows(0, m_model->rowCount());
    for (const ConfigFile::Entry &folder : std::as_const(m_folders))
        m_model->insertRow(0, new QStandardItem(folder.pathAttr));

    // An import or an edit moves the rows: the highlight stays with its folder. A removed
    // folder hands it to the row that took its place, if there is one.
    if (highlighted) {
        const QList<QStandardItem *> same = m_model->findItems(highlightedPath, Qt::MatchExactly);
        highlight(same.isEmpty() ? *highlighted : same.first()->row());
    }
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
    const std::optional<int> row = highlightedRow();
    const std::optional<ConfigFile::Entry> folder = row ? folderAt(*row) : std::nullopt;
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

std::optional<int> LibraryMgr::highlightedRow() const
{
    const QModelIndexList rows = m_view->selectionModel()->selectedRows();
    return rows.isEmpty() ? std::nullopt : std::optional(rows.first().row());
}

void LibraryMgr::highlight(int row)
{
    if (row < m_model->rowCount())
        m_view->setCurrentIndex(m_model->index(row, 0));
}

void LibraryMgr::openImportFolder(std::optional<ConfigFile::Entry> folder)
{
    auto *dialog = new ImportFolder(this, std::move(folder));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
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
