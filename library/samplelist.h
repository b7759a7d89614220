#pragma once

#include <memory>

#include <QList>
#include <QString>
#include <QStringList>

#include "library/folderfiles.h"

// One ordered list of sample paths: the files of several folders, folder by folder.
// A folder scanned for two playlists is shared, not copied.
class SampleList {
public:
    void append(std::shared_ptr<const FolderFiles> files);
    void clear();

    qsizetype size() const { return m_ends.isEmpty() ? 0 : m_ends.last(); }
    bool isEmpty() const { return size() == 0; }
    QString at(qsizetype i) const;
    QStringList toStringList() const;

private:
    QList<std::shared_ptr<const FolderFiles>> m_parts;
    QList<qsizetype> m_ends; // running count of paths up to and including each part
};
