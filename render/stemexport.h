#pragma once

#include <atomic>

#include <QCoreApplication>

#include "render/mixrenderer.h"

// The mix and, when the job asks for stems, one file per row next to it: each row rendered
// alone over the same bars, so that every file is as long as the mix and starts on its first
// frame, ready to be laid side by side in another program at the deck's tempo. A cancel or a
// failure removes every file this export wrote.
class StemExport {
    Q_DECLARE_TR_FUNCTIONS(StemExport)

public:
    static RenderResult render(const RenderJob &job, const std::atomic_bool &cancel,
        const MixRenderer::Progress &progress = {});
};
