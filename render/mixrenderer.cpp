#include "render/mixrenderer.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include <QDir>
#include <QFileInfo>

#include "player/filedecoder.h"
#include "player/pcmformat.h"
#include "player/resampler.h"
#include "player/sampledecoder.h"
#include "render/loopstretcher.h"
#include "render/renderedfile.h"

namespace {
constexpr qint64 kBlockFrames = 4096;

// Takes the mix at PcmFormat::kRate block by block and hands the file its frames at the
// file's rate, exactly as many as the job asks for.
class MixOutput {
public:
    MixOutput(RenderedFile &file, int rate, qint64 totalFrames)
        : file(file)
        , framesLeft(totalFrames)
    {
        if (rate != PcmFormat::kRate) {
            resampler = std::make_unique<Resampler>(PcmFormat::kRate, rate);
            converted.resize(size_t(2 * (kBlockFrames * rate / PcmFormat::kRate + 64)));
        }
    }

    bool isValid() const { return !resampler || resampler->isValid(); }

    bool add(const float *mix, qint64 frames, QString *error)
    {
        if (!resampler)
            return put(mix, frames, error);
        while (frames > 0) {
            qint64 used = 0;
            const qint64 made = resampler->process(mix, frames, &used, converted.data(), convertedFrames());
            if (!put(converted.data(), made, error))
                return false;
            mix += 2 * used;
            frames -= used;
        }
        return true;
    }

    // Drains the converter and fills up with silence what rounding left short.
    bool finish(QString *error)
    {
        for (qint64 made = 1; resampler && made > 0;) {
            qint64 used = 0;
            made = resampler->process(nullptr, 0, &used, converted.data(), convertedFrames());
            if (!put(converted.data(), made, error))
                return false;
        }
        std::vector<float> silence(size_t(2 * std::min(framesLeft, kBlockFrames)));
        while (framesLeft > 0) {
            if (!put(silence.data(), std::min(framesLeft, kBlockFrames), error))
                return false;
        }
        return true;
    }

private:
    qint64 convertedFrames() const { return qint64(converted.size() / 2); }

    bool put(const float *frames, qint64 count, QString *error)
    {
        count = std::min(count, framesLeft);
        if (count <= 0)
            return true;
        framesLeft -= count;
        return file.write(frames, count, error);
    }

    RenderedFile &file;
    qint64 framesLeft;
    std::unique_ptr<Resampler> resampler;
    std::vector<float> converted;
};
} // namespace

RenderResult MixRenderer::render(const RenderJob &job, const std::atomic_bool &cancel, const Progress &progress)
{
    const auto failed = [](const QString &why) { return RenderResult {RenderResult::Failed, why}; };
    const auto cancelled = [] {
        return RenderResult {RenderResult::Cancelled, tr("Export cancelled: no file was written.")};
    };

    std::vector<std::unique_ptr<LoopStretcher>> rows;
    for (const RenderRow &row : job.rows) {
        if (!(row.rate > 0.0) || !std::isfinite(row.rate))
            return failed(tr("Cannot export the mix: %1 plays at the rate %2.").arg(QDir::toNativeSeparators(row.file)).arg(row.rate));
        QString reason;
        const std::shared_ptr<const DecodedSample> sample = SampleDecoder::decode(row.file, &reason);
        if (!sample)
            return failed(tr("Cannot export the mix: %1: %2").arg(QDir::toNativeSeparators(row.file), reason));
        rows.push_back(std::make_unique<LoopStretcher>(sample, row.rate));
        if (cancel)
            return cancelled();
    }

    RenderedFile file;
    QString error;
    if (!file.open(job.target, job.format, job.sampleRate, &error))
        return failed(error);
    MixOutput output(file, job.sampleRate, job.framesAt(job.sampleRate));
    if (!output.isValid())
        return failed(tr("Cannot convert the mix to %1 Hz.").arg(job.sampleRate));

    const qint64 total = job.framesAt(PcmFormat::kRate);
    std::vector<float> mix(size_t(2 * kBlockFrames));
    int reported = -1;
    for (qint64 done = 0; done < total;) {
        if (cancel)
            return cancelled();
        const qint64 frames = std::min(kBlockFrames, total - done);
        std::fill(mix.begin(), mix.end(), 0.0f);
        for (const auto &row : rows)
            row->addTo(mix.data(), frames, float(job.gain));
        if (!output.add(mix.data(), frames, &error))
            return failed(error);
        done += frames;
        const int percent = int(100 * done / total);
        if (progress && percent != reported)
            progress(percent);
        reported = percent;
    }
    if (!output.finish(&error) || !file.commit(&error))
        return failed(error);
    return {RenderResult::Written, tr("Exported %1.").arg(QDir::toNativeSeparators(job.target))};
}

double MixRenderer::passSeconds(const RenderRow &row)
{
    FileDecoder decoder;
    if (!decoder.open(row.file, nullptr) || row.rate <= 0)
        return 0.0;
    return double(decoder.totalFrames()) / PcmFormat::kRate / row.rate;
}

int MixRenderer::defaultBars(const RenderJob &mix)
{
    double longest = 0.0;
    for (const RenderRow &row : mix.rows)
        longest = std::max(longest, passSeconds(row));
    return RenderJob::barsCovering(longest, mix.gridBpm);
}
