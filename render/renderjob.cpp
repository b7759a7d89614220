#include "render/renderjob.h"

#include <algorithm>
#include <cmath>

#include <QDir>
#include <QFileInfo>

QString RenderJob::stemPath(const RenderRow &row) const
{
    const QFileInfo mix(target);
    QString name = mix.completeBaseName() + QStringLiteral(" - ") + QString::number(row.slot) + QLatin1Char(' ')
        + QFileInfo(row.file).completeBaseName();
    if (row.bpm > 0)
        name += QStringLiteral(" %1 BPM").arg(row.bpm);
    return mix.dir().filePath(name + QLatin1Char('.') + mix.suffix());
}

int RenderJob::barsCovering(double seconds, double gridBpm)
{
    const double barSeconds = 4 * 60.0 / gridBpm;
    // A loop cut to exactly n bars must not get an extra bar from rounding in its length.
    const double bars = std::ceil(seconds / barSeconds - 1e-3);
    return std::max(1, int(bars));
}

qint64 RenderRow::phaseAt(qint64 copyStart, qint64 deckFrame, qint64 copyFrames)
{
    if (copyFrames <= 0)
        return 0;
    // A row that joined after deckFrame stands where its loop would have been, had it played.
    const qint64 phase = (deckFrame - copyStart) % copyFrames;
    return phase < 0 ? phase + copyFrames : phase;
}
