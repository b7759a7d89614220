#include "tempo/tempocache.h"

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
#include <QStandardPaths>

#include "library/logcategories.h"

namespace {

constexpr QLatin1String kFormat("sampora-tempo-cache");
// Raised whenever the analysis changes, so that results of an older one are measured again
// (2: sounds without onsets on a grid get no tempo).
constexpr int kVersion = 2;
constexpr qint64 kMaxFileSize = 64 * 1024 * 1024;
// Saving after every analysis would rewrite a large cache thousands of times while a new
// library is analysed; saving never would lose everything to a crash.
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

TempoCache::TempoCache(const QString &cacheFile)
    : m_file(cacheFile)
{
    load();
    m_sinceSave.start();
}

TempoCache::~TempoCache()
{
    save();
}

QString TempoCache::defaultFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/tempo-cache.json");
}

void TempoCache::load()
{
    QFile file(m_file);
    if (!file.exists())
        return;
    const auto discard = [this](const QString &why) {
        qCWarning(lcTempo).noquote() << "tempo cache" << m_file << "discarded:" << why;
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
    if (root.value(QLatin1String("format")).toString() != kFormat)
        return discard(QStringLiteral("not a tempo cache"));
    if (wholeNumber(root.value(QLatin1String("version"))) != kVersion)
        return discard(QStringLiteral("written by another version"));
    if (!root.value(QLatin1String("files")).isArray())
        return discard(QStringLiteral("no file list"));

    for (const QJsonValue &value : root.value(QLatin1String("files")).toArray()) {
        const QJsonObject entry = value.toObject();
        const QString path = entry.value(QLatin1String("path")).toString();
        const std::optional<qint64> size = wholeNumber(entry.value(QLatin1String("size")));
        const std::optional<qint64> modified = wholeNumber(entry.value(QLatin1String("modified")));
        const std::optional<qint64> bpm = wholeNumber(entry.value(QLatin1String("bpm")));
        const bool valid = !path.isEmpty() && size && *size >= 0 && modified && bpm
            && (*bpm == -1 || (*bpm > 0 && *bpm < 1000)) && !m_entries.contains(path);
        if (!valid)
            return discard(QStringLiteral("damaged entry"));
        m_entries.insert(path, { *size, *modified, int(*bpm) });
    }
}

std::optional<int> TempoCache::lookup(const QFileInfo &file) const
{
    QMutexLocker lock(&m_mutex);
    const auto it = m_entries.constFind(file.absoluteFilePath());
    if (it == m_entries.cend() || it->size != file.size() || it->modified != modifiedMs(file))
        return std::nullopt;
    return it->bpm;
}

void TempoCache::store(const QFileInfo &file, int bpm)
{
    QMutexLocker lock(&m_mutex);
    m_entries.insert(file.absoluteFilePath(), { file.size(), modifiedMs(file), bpm });
    ++m_unsaved;
    if (m_unsaved >= kSaveAfterEntries || m_sinceSave.hasExpired(kSaveAfterMs))
        saveLocked();
}

bool TempoCache::save()
{
    QMutexLocker lock(&m_mutex);
    return saveLocked();
}

bool TempoCache::saveLocked()
{
    if (m_unsaved == 0)
        return true;
    m_sinceSave.restart();
    QJsonArray files;
    for (auto it = m_entries.cbegin(); it != m_entries.cend(); ++it) {
        files.append(QJsonObject { { QLatin1String("path"), it.key() },
            { QLatin1String("size"), double(it->size) },
            { QLatin1String("modified"), double(it->modified) },
            { QLatin1String("bpm"), it->bpm } });
    }
    const QJsonObject root { { QLatin1String("format"), kFormat }, { QLatin1String("version"), kVersion },
        { QLatin1String("files"), files } };

    QDir().mkpath(QFileInfo(m_file).absolutePath());
    QSaveFile file(m_file);
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(root).toJson(QJsonDocument::Compact)) < 0
        || !file.commit()) {
        qCWarning(lcTempo).noquote() << "tempo cache" << m_file << "not saved:" << file.errorString();
        return false;
    }
    m_unsaved = 0;
    return true;
}
