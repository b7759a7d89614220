#pragma once

#include <memory>

#include <QByteArray>
#include <QList>
#include <QString>

// The sample files found below one folder, kept compactly: the folder path once and
// the paths below it as UTF-8 in one block. Each path costs its UTF-8 length plus four
// bytes, a fraction of a QString per path.
class FolderFiles {
public:
    static std::shared_ptr<const FolderFiles> scan(const QString &folder);

    qsizetype size() const { return m_ends.size(); }
    // folder + "/" + the i-th path below it.
    QString path(qsizetype i) const;

private:
    QString m_root;
    QByteArray m_names;
    QList<quint32> m_ends; // end offset of each name in m_names
};
