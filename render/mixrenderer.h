#pragma once

#include <atomic>
#include <functional>

#include <QCoreApplication>
#include <QMetaType>
#include <QString>

#include "render/renderjob.h"

// How a render ended, with the sentence the user reads.
struct RenderResult {
    enum Status { Written, Cancelled, Failed };
    Status status = Failed;
    QString message;
};
Q_DECLARE_METATYPE(RenderResult)

// Renders a RenderJob offline with the deck's own mixer: each row becomes a voice of a
// DeckMixer that loops the row's copy from the row's place on the grid, and a FileOutput pulls
// the mix as fast as it is made, at the deck's level, into the file. What the mixer does live
// it does here. A job with stems also writes each row's own frames from the same pull into a
// file of its own (StemFiles). Blocks; MixRenderWorker runs it on a thread of its own.
class MixRenderer {
    Q_DECLARE_TR_FUNCTIONS(MixRenderer)

public:
    using Progress = std::function<void(int percent)>;

    // `cancel` is read between blocks of audio; once it is set the render stops, leaving no file.
    static RenderResult render(const RenderJob &job, const std::atomic_bool &cancel, const Progress &progress = {});

    // How long one pass of a row's sample lasts at its rate, in seconds; 0 when the file
    // cannot be read. Reads the file's header only.
    static double passSeconds(const RenderRow &row);
    // The length a render of `mix` is offered with: one whole pass of its longest row,
    // rounded up to whole bars of the grid.
    static int defaultBars(const RenderJob &mix);
};
