#pragma once

#include <memory>

#include <QByteArray>
#include <QList>
#include <QString>

// The sample files found below one folder, kept compactly: the folder path once, each
// subfolder's path once, and the file names as UTF-8 in one block. A path costs the
// UTF-8 length of its file name plus four bytes, a fraction of a QString per path.
class FolderFiles {
public:
    static std::shared_ptr<const FolderFiles> scan(const QString &folder);

    qsizetype size() const { return m_nameEnds.size(); }
    // folder + "/" + the i-th path below it.
    QString path(qsizetype i) const;

private:
    friend class FolderFilesCollector;

    QString m_root;
    QByteArray m_names;        // file names, back to back
    QList<quint32> m_nameEnds; // end offset of each file name in m_names
    QByteArray m_dirs;         // subfolder paths below the root, each with its "/" ("" for the root)
    QList<quint32> m_dirEnds;  // end offset of each subfolder path in m_dirs
    QList<quint32> m_dirFirst; // index of the first file of each subfolder
};
