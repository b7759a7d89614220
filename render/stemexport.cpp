#include "render/stemexport.h"

#include <QDir>
#include <QFile>
#include <QStringList>

RenderResult StemExport::render(const RenderJob &job, const std::atomic_bool &cancel, const MixRenderer::Progress &progress)
{
    if (!job.stems)
        return MixRenderer::render(job, cancel, progress);

    QVector<RenderJob> parts;
    for (const RenderRow &row : job.rows) {
        RenderJob stem = job;
        stem.rows = { row };
        stem.target = job.stemPath(row);
        parts.append(stem);
    }
    parts.append(job);

    QStringList written;
    for (int i = 0; i < parts.size(); ++i) {
        const int part = i;
        const auto partProgress = [&](int percent) {
            if (progress)
                progress((100 * part + percent) / int(parts.size()));
        };
        const RenderResult result = MixRenderer::render(parts[i], cancel, partProgress);
        if (result.status != RenderResult::Written) {
            for (const QString &file : std::as_const(written))
                QFile::remove(file);
            return result;
        }
        written.append(parts[i].target);
    }
    return { RenderResult::Written,
        tr("Exported %1 and one file per row next to it.").arg(QDir::toNativeSeparators(job.target)) };
}
