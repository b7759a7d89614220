#include "player/resampler.h"

#include <soxr.h>

#include "library/logcategories.h"

Resampler::Resampler(int inputRate, int outputRate)
    : inputRate(inputRate)
    , outputRate(outputRate)
{
    soxr_error_t error = nullptr;
    const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    converter = soxr_create(inputRate, outputRate, 2, &error, &io, &quality, nullptr);
    if (error) {
        qCWarning(lcPlayer) << "libsoxr:" << error << inputRate << "->" << outputRate;
        soxr_delete(converter);
        converter = nullptr;
    }
}

Resampler::~Resampler() { soxr_delete(converter); }

qint64 Resampler::process(const float *in, qint64 inFrames, qint64 *used, float *out, qint64 outFrames)
{
    size_t inDone = 0;
    size_t outDone = 0;
    if (soxr_process(converter, in, in ? size_t(inFrames) : 0, &inDone, out, size_t(outFrames), &outDone)) {
        *used = 0;
        return 0;
    }
    *used = qint64(inDone);
    return qint64(outDone);
}

void Resampler::clear() { soxr_clear(converter); }
