#include "library/configwriter.h"

#include <QCoreApplication>
#include <QDomDocument>
#include <QDomProcessingInstruction>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QXmlStreamReader>

namespace {

const QString kRootTag = QStringLiteral("sampora");
const QString kEntryTag = QStringLiteral("imported_folder");
const QString kPathAttribute = QStringLiteral("path");

// The run of spaces after the document that every rewrite has always left behind.
constexpr int kTrailingSpaceRuns = 10000;
constexpr int kTrailingSpaceRunLength = 29;

// The DOM parser recurses once per nesting level and overflows the stack on a deeply
// nested file; a real config is three levels deep.
constexpr int kMaxDepth = 256;

QString tr(const char *text)
{
    return QCoreApplication::translate("ConfigWriter", text);
}

QString notParsedMessage()
{
    return tr("There was an error detected in config.xml: can not set doc type.");
}

QString wrongRootMessage()
{
    return tr("There is an error in config.xml:no Root Tag \"sampora\".");
}

bool nestedTooDeep(const QByteArray &bytes)
{
    QXmlStreamReader reader(bytes);
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (++depth > kMaxDepth)
                return true;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    return false;
}

enum class Parsed { Ok, NotParsed, WrongRoot };

Parsed parse(const QByteArray &bytes, QDomDocument &doc)
{
    if (nestedTooDeep(bytes) || !doc.setContent(bytes))
        return Parsed::NotParsed;
    return doc.documentElement().tagName() == kRootTag ? Parsed::Ok : Parsed::WrongRoot;
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
        if (!entry.isNull() && entry.tagName() == kEntryTag
            && entry.attribute(kPathAttribute) == folderPath)
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
        if (name == kPathAttribute)
            folderPath = value;
    }
    return rewrite(WhenMissing::Create, [&](QDomDocument &doc, QDomElement &root) {
        const QDomElement old = firstEntryWithPath(root, folderPath);
        if (!old.isNull())
            root.removeChild(old);
        QDomElement entry = doc.createElement(kEntryTag);
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
        if (!file.open(QIODevice::ReadOnly))
            return {false, tr("config.xml could not be read (%1). Nothing was changed.")
                               .arg(file.errorString())};
        previous = file.readAll();
        if (file.error() != QFileDevice::NoError)
            return {false, tr("config.xml could not be read (%1). Nothing was changed.")
                               .arg(file.errorString())};
        switch (parse(previous, doc)) {
        case Parsed::NotParsed:
            return {false, notParsedMessage()};
        case Parsed::WrongRoot:
            return {false, wrongRootMessage()};
        case Parsed::Ok:
            break;
        }
    } else if (whenMissing == WhenMissing::Skip) {
        return {true, QString()};
    } else {
        doc.appendChild(doc.createElement(kRootTag));
    }

    QDomElement root = doc.documentElement();
    change(doc, root);
    return save(doc, exists ? &previous : nullptr);
}

ConfigWriteResult ConfigWriter::save(const QDomDocument &doc, const QByteArray *previous) const
{
    QString error;
    if (previous && !writeWhole(backupPath(), *previous, &error))
        return {false, tr("config.xml.bak could not be written (%1). config.xml was not changed.")
                           .arg(error)};
    if (!writeWhole(m_path, serialise(doc), &error))
        return {false, tr("config.xml could not be saved (%1). The previous version is unchanged.")
                           .arg(error)};
    return {true, QString()};
}
