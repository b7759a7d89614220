#include "library/filestampcache.h"

#include <cmath>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutexLocker>
#include <QSaveFile>

namespace {

constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;
// Saving after every measure would rewrite a large cache thousands of times while a new
// library is measured; saving never would lose everything to a crash.
constexpr int kSaveAfterEntries = 32;
constexpr qint64 kSaveAfterMs = 5000;

std::optional<qint64> wholeNumber(const QJsonValue &value)
{
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (number != std::floor(number) || std::abs(number) > 9.0e15)
        return std::nullopt;
    return qint64(number);
}

qint64 modifiedMs(const QFileInfo &file)
{
    return file.lastModified().toMSecsSinceEpoch();
}

} // namespace

FileStampCache::FileStampCache(const QString &cacheFile, Layout layout, const QLoggingCategory &log)
    : m_file(cacheFile)
    , m_layout(std::move(layout))
    , m_log(log)
{
    load();
    m_sinceSave.start();
}

FileStampCache::~FileStampCache()
{
    save();
}

void FileStampCache::load()
{
    QFile file(m_file);
    if (!file.exists())
        return;
    const auto discard = [this](const QString &why) {
        qCWarning(m_log).noquote() << m_layout.format << m_file << "discarded:" << why;
        m_entries.clear();
    };
    if (file.size() > kMaxFileSize)
        return discard(QStringLiteral("too large"));
    if (!file.open(QIODevice::ReadOnly))
        return discard(file.errorString());

    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (error.error != QJsonParseError::NoError)
        return discard(error.errorString());
    const QJsonObject root = document.object();
    if (root.value(QLatin1String("format")).toString() != m_layout.format)
        return discard(QStringLiteral("not this cache"));
    if (wholeNumber(root.value(QLatin1String("version"))) != m_layout.version)
        return discard(QStringLiteral("written by another version"));
    if (!root.value(QLatin1String("files")).isArray())
        return discard(QStringLiteral("no file list"));

    for (const QJsonValue &value : root.value(QLatin1String("files")).toArray()) {
        const QJsonObject entry = value.toObject();
        const QString path = entry.value(QLatin1String("path")).toString();
        const std::optional<qint64> size = wholeNumber(entry.value(QLatin1String("size")));
        const std::optional<qint64> modified = wholeNumber(entry.value(QLatin1String("modified")));
        Values values;
        bool numbers = true;
        for (const QString &field : m_layout.fields) {
            const QJsonValue number = entry.value(field);
            numbers = numbers && number.isDouble();
            values.append(number.toDouble());
        }
        const bool valid = !path.isEmpty() && size && *size >= 0 && modified && numbers
            && (!m_layout.valid || m_layout.valid(values)) && !m_entries.contains(path);
        if (!valid)
            return discard(QStringLiteral("damaged entry"));
        m_entries.insert(path, { *size, *modified, values });
    }
}

std::optional<FileStampCache::Values> FileStampCache::lookup(const QFileInfo &file) const
{
    QMutexLocker lock(&m_mutex);
    const auto it = m_entries.constFind(file.absoluteFilePath());
    if (it == m_entries.cend() || it->size != file.size() || it->modified != modifiedMs(file))
        return std::nullopt;
    return it->values;
}

void FileStampCache::store(const QFileInfo &file, const Values &values)
{
    QMutexLocker lock(&m_mutex);
    m_entries.insert(file.absoluteFilePath(), { file.size(), modifiedMs(file), values });
    ++m_unsaved;
    if (m_unsaved >= kSaveAfterEntries || m_sinceSave.hasExpired(kSaveAfterMs))
        saveLocked();
}

bool FileStampCache::save()
{
    QMutexLocker lock(&m_mutex);
    return saveLocked();
}

bool FileStampCache::saveLocked()
{
    if (m_unsaved == 0)
        return true;
    m_sinceSave.restart();
    QJsonArray files;
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it) {
        QJsonObject entry { { QLatin1String("path"), it.key() },
            { QLatin1String("size"), double(it->size) },
            { QLatin1String("modified"), double(it->modified) } };
        for (int i = 0; i < m_layout.fields.size() && i < it->values.size(); ++i)
            entry.insert(m_layout.fields[i], it->values[i]);
        files.append(entry);
    }
    const QJsonObject root { { QLatin1String("format"), m_layout.format },
        { QLatin1String("version"), m_layout.version }, { QLatin1String("files"), files } };

    QDir().mkpath(QFileInfo(m_file).absolutePath());
    QSaveFile file(m_file);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(root).toJson(QJsonDocument::Compact)) < 0
        || !file.commit()) {
        qCWarning(m_log).noquote() << m_layout.format << m_file << "not saved:" << file.errorString();
        return false;
    }
    m_unsaved = 0;
    return true;
}
