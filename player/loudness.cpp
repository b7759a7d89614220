#include "player/loudness.h"

#include <algorithm>

#include <QLocale>

double Loudness::gainDb() const
{
    if (!known())
        return 0.0;
    const double toTarget = kTargetLufs - lufs;
    // Lowering is always allowed; raising stops where the true peak meets the ceiling (and a
    // sample already above it is not raised at all).
    return toTarget <= 0.0 ? toTarget : std::min(toTarget, std::max(0.0, kCeilingDbtp - truePeakDb));
}

float Loudness::gain(bool even) const
{
    return even ? float(std::pow(10.0, gainDb() / 20.0)) : 1.0f;
}

QString Loudness::describe(bool even) const
{
    if (!known())
        return tr("Loudness not measured: played as it is");
    const QString measured = tr("Loudness %1 LUFS").arg(QLocale().toString(lufs, 'f', 1));
    const double db = even ? gainDb() : 0.0;
    if (std::abs(db) < 0.05)
        return tr("%1, played as it is").arg(measured);
    return db > 0 ? tr("%1, played %2 dB louder").arg(measured, QLocale().toString(db, 'f', 1))
                  : tr("%1, played %2 dB softer").arg(measured, QLocale().toString(-db, 'f', 1));
}
