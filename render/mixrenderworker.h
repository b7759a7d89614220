#pragma once

#include <atomic>
#include <memory>

#include <QObject>
#include <QThread>

#include "render/mixrenderer.h"

// Runs one MixRenderer render at a time on a thread of its own and reports on the thread
// that owns the worker (the GUI's): progress while it runs, then finished() once.
class MixRenderWorker : public QObject {
    Q_OBJECT

public:
    explicit MixRenderWorker(QObject *parent = nullptr);
    // Cancels a render still running and waits for its thread: nothing outlives the worker.
    ~MixRenderWorker() override;

    // Ignored while a render runs.
    void start(const RenderJob &job);
    void cancel() { cancelRequested = true; }
    bool isRunning() const { return thread != nullptr; }

signals:
    void progress(int percent);
    void finished(const RenderResult &result);

private:
    void done(const RenderResult &result);

    std::unique_ptr<QThread> thread;
    std::atomic_bool cancelRequested {false};
};
