#pragma once

#include <memory>

#include <QCoreApplication>
#include <QString>
#include <QTemporaryFile>

#include "render/renderjob.h"

struct sf_private_tag;

// The file a render writes: a temporary file in the target's folder that takes the target's
// name only when commit() succeeds. Until then nothing under the target's name changes, and a
// render that stops early (cancelled, failed) leaves nothing behind.
class RenderedFile {
    Q_DECLARE_TR_FUNCTIONS(RenderedFile)

public:
    RenderedFile() = default;
    ~RenderedFile();
    RenderedFile(const RenderedFile &) = delete;
    RenderedFile &operator=(const RenderedFile &) = delete;

    // On failure returns false and sets *error to a sentence for the user.
    bool open(const QString &target, RenderFormat format, int sampleRate, QString *error);
    // Interleaved stereo frames, full scale at +-1 (louder is clipped).
    bool write(const float *frames, qint64 count, QString *error);
    bool commit(QString *error);

private:
    void closeSound();

    QString target;
    std::unique_ptr<QTemporaryFile> temporary;
    sf_private_tag *sound = nullptr;
};
