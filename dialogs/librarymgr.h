#pragma once

#include <optional>

#include <QDialog>
#include <QList>
#include <QModelIndex>

#include "library/configfile.h"

class QPushButton;
class QStandardItemModel;
class QTreeView;

// Lists the folders of config.xml, newest at the top, and lets the user import, edit or
// remove them. Every change is written to config.xml at once and the list is read back
// from the file; "ok&" and "exi&t" both accept, so the opener can reload the library.
// "r&emove" acts on the highlighted row, however the highlight got there (mouse or keys).
class LibraryMgr : public QDialog {
    Q_OBJECT
public:
    explicit LibraryMgr(QWidget *parent = nullptr);

private slots:
    void updateFolders();
    void editLibrary(QModelIndex index);
    void ok();
    void exit();
    void remove();
    void import();

private:
    // The folder shown in a row (rows are in reverse file order), if the row exists.
    std::optional<ConfigFile::Entry> folderAt(int row) const;
    std::optional<int> highlightedRow() const;
    void highlight(int row);
    void openImportFolder(std::optional<ConfigFile::Entry> folder);
    void tell(const QString &message);

    QList<ConfigFile::Entry> m_folders;
    QStandardItemModel *m_model = nullptr;
    QTreeView *m_view = nullptr;
    QPushButton *m_remove = nullptr;
};
