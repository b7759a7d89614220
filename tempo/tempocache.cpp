#include "tempo/tempocache.h"

#include <cmath>

#include <QStandardPaths>

#include "library/logcategories.h"

namespace {

FileStampCache::Layout layout()
{
    // Version raised whenever the analysis changes, so that results of an older one are measured
    // again (2: sounds without onsets on a grid get no tempo).
    return { QStringLiteral("sampora-tempo-cache"), 2, { QStringLiteral("bpm") }, [](const FileStampCache::Values &v) {
                const double bpm = v.value(0);
                return bpm == std::floor(bpm) && (bpm == -1 || (bpm > 0 && bpm < 1000));
            } };
}

} // namespace

TempoCache::TempoCache(const QString &cacheFile)
    : m_cache(cacheFile, layout(), lcTempo())
{
}

QString TempoCache::defaultFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/tempo-cache.json");
}

std::optional<int> TempoCache::lookup(const QFileInfo &file) const
{
    const std::optional<FileStampCache::Values> values = m_cache.lookup(file);
    if (!values)
        return std::nullopt;
    return int(values->value(0));
}

void TempoCache::store(const QFileInfo &file, int bpm)
{
    m_cache.store(file, { double(bpm) });
}
