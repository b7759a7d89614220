#include "render/mixrenderworker.h"

#include "render/mixrenderer.h"

MixRenderWorker::MixRenderWorker(QObject *parent)
    : QObject(parent)
{
}

MixRenderWorker::~MixRenderWorker()
{
    if (thread) {
        cancel();
        thread->wait();
    }
}

void MixRenderWorker::start(const RenderJob &job)
{
    if (thread)
        return;
    cancelRequested = false;
    thread.reset(QThread::create([this, job] {
        const auto report = [this](int percent) {
            QMetaObject::invokeMethod(this, [this, percent] { emit progress(percent); }, Qt::QueuedConnection);
        };
        const RenderResult result = MixRenderer::render(job, cancelRequested, report);
        QMetaObject::invokeMethod(this, [this, result] { done(result); }, Qt::QueuedConnection);
    }));
    thread->start(QThread::LowPriority);
}

void MixRenderWorker::done(const RenderResult &result)
{
    thread->wait();
    thread.reset();
    emit finished(result);
}
