#pragma once

#include <utility>

#include <QList>
#include <QString>

class QDomDocument;
class QDomElement;

// What a write did; message is for the user and empty on success.
struct ConfigWriteResult {
    bool ok = false;
    QString message;
};

// Changes the folder entries of config.xml without ever losing the user's library:
// the new document goes to a temporary file that replaces config.xml only once it is
// complete, the previous version is kept as config.xml.bak, and a file that cannot be
// understood is never touched.
class ConfigWriter {
public:
    using Attributes = QList<std::pair<QString, QString>>;

    explicit ConfigWriter(QString configPath);

    // Removes the first entry with the same "path" and appends a new entry with the
    // attributes in the given order. A missing file is created with just this entry.
    ConfigWriteResult addOrReplace(const Attributes &attributes) const;

    // Removes the first entry whose "path" equals folderPath. With no file there is
    // nothing to remove, and no file is created.
    ConfigWriteResult remove(const QString &folderPath) const;

    QString configPath() const { return m_path; }
    QString backupPath() const { return m_path + QStringLiteral(".bak"); }

private:
    enum class WhenMissing { Create, Skip };

    template<typename Change>
    ConfigWriteResult rewrite(WhenMissing whenMissing, Change change) const;
    ConfigWriteResult save(const QDomDocument &doc, const QByteArray *previous) const;

    QString m_path;
};
