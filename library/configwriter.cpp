#include "library/configwriter.h"

#include <utility>

#include <QCoreApplication>
#include <QDomDocument>
#include <QDomProcessingInstruction>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include "library/configfile.h"

namespace {

// The run of spaces after the document that every rewrite has always left behind.
constexpr int kTrailingSpaceRuns = 10000;
constexpr int kTrailingSpaceRunLength = 29;

QString tr(const char *text)
{
    return QCoreApplication::translate("ConfigWriter", text);
}

QString notParsedMessage()
{
    // Spelt out: lupdate finds no context for tr() outside a class.
    return QCoreApplication::translate("ConfigWriter", "There was an error detected in config.xml: can not set doc type.");
}

QString wrongRootMessage()
{
    return QCoreApplication::translate("ConfigWriter", "There is an error in config.xml:no Root Tag \"sampora\".");
}

// The bytes are always UTF-8; a declaration naming another encoding would make the
// next reader decode them wrongly.
void declareUtf8(QDomDocument &doc)
{
    QDomProcessingInstruction declaration = doc.firstChild().toProcessingInstruction();
    if (declaration.isNull() || declaration.target() != QLatin1String("xml"))
        return;
    static const QRegularExpression encoding(QStringLiteral(R"((encoding\s*=\s*(["']))[^"']*\2)"));
    QString data = declaration.data();
    data.replace(encoding, QStringLiteral("\\1UTF-8\\2"));
    declaration.setData(data);
}

QByteArray serialise(QDomDocument doc)
{
    declareUtf8(doc);
    QByteArray bytes = doc.toByteArray(1);
    bytes.append(QByteArray(kTrailingSpaceRuns * kTrailingSpaceRunLength, ' '));
    return bytes;
}

bool writeWhole(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    if (file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit())
        return true;
    *error = file.errorString();
    file.cancelWriting();
    return false;
}

QDomElement firstEntryWithPath(const QDomElement &root, const QString &folderPath)
{
    for (QDomNode child = root.firstChild(); !child.isNull(); child = child.nextSibling()) {
        const QDomElement entry = child.toElement();
        if (!entry.isNull() && entry.tagName() == ConfigFile::kFolderTag
            && entry.attribute(ConfigFile::kPathAttr) == folderPath)
            return entry;
    }
    return QDomElement();
}

} // namespace

ConfigWriter::ConfigWriter(QString configPath)
    : m_path(std::move(configPath))
{
}

ConfigWriteResult ConfigWriter::addOrReplace(const Attributes &attributes) const
{
    QString folderPath;
    for (const auto &[name, value] : attributes) {
        if (name == ConfigFile::kPathAttr)
            folderPath = value;
    }
    return rewrite(WhenMissing::Create, [&](QDomDocument &doc, QDomElement &root) {
        const QDomElement old = firstEntryWithPath(root, folderPath);
        if (!old.isNull())
            root.removeChild(old);
        QDomElement entry = doc.createElement(ConfigFile::kFolderTag);
        for (const auto &[name, value] : attributes)
            entry.setAttribute(name, value);
        root.appendChild(entry);
    });
}

ConfigWriteResult ConfigWriter::remove(const QString &folderPath) const
{
    return rewrite(WhenMissing::Skip, [&](QDomDocument &, QDomElement &root) {
        const QDomElement old = firstEntryWithPath(root, folderPath);
        if (!old.isNull())
            root.removeChild(old);
    });
}

template<typename Change>
ConfigWriteResult ConfigWriter::rewrite(WhenMissing whenMissing, Change change) const
{
    QDomDocument doc;
    QByteArray previous;
    const bool exists = QFileInfo::exists(m_path);
    if (exists) {
        QFile file(m_path);
        if (file.open(QIODevice::ReadOnly))
            previous = ConfigFile::readCapped(file);
        if (!file.isOpen() || file.error() != QFileDevice::NoError)
            return {false, tr("config.xml could not be read (%1). Nothing was changed.")
                               .arg(file.errorString())};
        // Only a file that parsed completely may be rewritten: anything else would
        // drop the part of the library the parser did not reach.
        const ConfigFile::Result parsed = ConfigFile::parse(previous);
        if (!parsed.wellFormed)
            return {false, notParsedMessage()};
        if (parsed.status != ConfigFile::Status::Ok)
            return {false, wrongRootMessage()};
        doc = parsed.doc;
    } else if (whenMissing == WhenMissing::Skip) {
        return {true, QString()};
    } else {
        doc.appendChild(doc.createElement(ConfigFile::kRootTag));
    }

    QDomElement root = doc.documentElement();
    change(doc, root);
    return save(doc, exists ? &previous : nullptr);
}

ConfigWriteResult ConfigWriter::save(const QDomDocument &doc, const QByteArray *previous) const
{
    // A folder name may hold characters XML cannot carry (control characters are legal
    // in file names); a file the next load could not read would lock the library.
    const QByteArray bytes = serialise(doc);
    if (ConfigFile::parse(bytes).status != ConfigFile::Status::Ok)
        return {false, tr("The folder name holds characters that config.xml cannot store. "
                          "Nothing was changed.")};
    QString error;
    if (previous && !writeWhole(backupPath(), *previous, &error))
        return {false, tr("config.xml.bak could not be written (%1). config.xml was not changed.")
                           .arg(error)};
    if (!writeWhole(m_path, bytes, &error))
        return {false, tr("config.xml could not be saved (%1). The previous version is unchanged.")
                           .arg(error)};
    return {true, QString()};
}
