#include "player/loudnessscanner.h"

#include <cmath>

#include <QFileInfo>
#include <QStandardPaths>

#include "library/filestampcache.h"
#include "library/logcategories.h"
#include "player/decodedsample.h"
#include "player/sampleloudness.h"

namespace {

// JSON has no infinity: silence is kept as a level no sound reaches.
constexpr double kSilence = -999.0;

double toFile(double db)
{
    return std::isfinite(db) ? db : kSilence;
}

double fromFile(double db)
{
    return db <= kSilence ? -HUGE_VAL : db;
}

FileStampCache::Layout layout()
{
    return { QStringLiteral("sampora-loudness-cache"), 1, { QStringLiteral("lufs"), QStringLiteral("truePeak") },
        [](const FileStampCache::Values &v) {
            return v.size() == 2 && v[0] >= kSilence && v[0] < 100 && v[1] >= kSilence && v[1] < 100;
        } };
}

} // namespace

LoudnessScanner::LoudnessScanner(const QString &cacheFile)
{
    if (!cacheFile.isEmpty())
        m_cache = std::make_unique<FileStampCache>(cacheFile, layout(), lcPlayer());
}

LoudnessScanner::~LoudnessScanner() = default;

QString LoudnessScanner::defaultFile()
{
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) + QStringLiteral("/loudness-cache.json");
}

Loudness LoudnessScanner::loudnessOf(const DecodedSample &sample)
{
    const QFileInfo file(sample.file);
    if (m_cache && !sample.file.isEmpty()) {
        if (const auto known = m_cache->lookup(file))
            return { fromFile(known->value(0)), fromFile(known->value(1)) };
    }
    const Loudness measured = SampleLoudness::measure(sample.samples.data(), sample.heldFrames());
    if (m_cache && file.exists())
        m_cache->store(file, { toFile(measured.lufs), toFile(measured.truePeakDb) });
    return measured;
}

bool LoudnessScanner::flush()
{
    return !m_cache || m_cache->save();
}
