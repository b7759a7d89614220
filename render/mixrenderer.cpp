#include "render/mixrenderer.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include <QDir>
#include <QFileInfo>

#include "engine/deckmixer.h"
#include "player/filedecoder.h"
#include "player/pcmformat.h"
#include "player/pcmstream.h"
#include "player/loudnessscanner.h"
#include "player/sampledecoder.h"
#include "player/timestretch.h"
#include "render/fileoutput.h"
#include "render/renderedfile.h"
#include "render/stemfiles.h"

namespace {
// Deck frames mixed between two looks at the cancel flag.
constexpr qint64 kBlockFrames = 4096;

// The material a row plays on the deck, for the export's own voice. A copy held in memory is
// shared as it is; a song streamed from disk is opened anew, since a stream has one reader and
// the deck's own may still be reading it; a row given by its file alone is decoded and
// stretched the way a row does it.
std::shared_ptr<const DecodedSample> materialFor(const RenderRow &row, QString *reason)
{
    if (row.copy && !row.copy->streamed())
        return row.copy;
    const std::shared_ptr<DecodedSample> loaded = SampleDecoder::load(row.file, reason);
    if (!loaded)
        return nullptr;
    // At the loudness the deck plays it at: the deck's own measure, or the cached one.
    if (row.copy) {
        loaded->loudness = row.copy->original().loudness;
    } else {
        LoudnessScanner scanner(LoudnessScanner::defaultFile());
        loaded->loudness = scanner.loudnessOf(*loaded);
    }
    return TimeStretch::stretch(loaded, row.copy ? row.copy->rate : row.rate);
}
} // namespace

RenderResult MixRenderer::render(const RenderJob &job, const std::atomic_bool &cancel, const Progress &progress)
{
    const auto failed = [](const QString &why) { return RenderResult {RenderResult::Failed, why}; };
    const auto cancelled = [] {
        return RenderResult {RenderResult::Cancelled, tr("Export cancelled: no file was written.")};
    };

    // The voices are declared before the mixer, so that they outlive every pull of it.
    std::vector<std::unique_ptr<PcmStream>> voices;
    quint64 token = 0;
    for (const RenderRow &row : job.rows) {
        if (!(row.rate > 0.0) || !std::isfinite(row.rate))
            return failed(tr("Cannot export the mix: %1 plays at the rate %2.").arg(QDir::toNativeSeparators(row.file)).arg(row.rate));
        QString reason;
        const std::shared_ptr<const DecodedSample> material = materialFor(row, &reason);
        if (!material)
            return failed(tr("Cannot export the mix: %1: %2").arg(QDir::toNativeSeparators(row.file), reason));
        auto voice = std::make_unique<PcmStream>();
        voice->setRepeat(true);
        voice->setWaitsForFrames(true);
        material->prepare(row.phase);
        voice->jump(material, ++token, row.phase);
        voices.push_back(std::move(voice));
        if (cancel)
            return cancelled();
    }
    DeckMixer mixer;
    mixer.setEvenLoudness(job.evenLoudness);
    for (const auto &voice : voices)
        mixer.addVoice(voice.get());

    RenderedFile file;
    QString error;
    if (!file.open(job.target, job.format, job.sampleRate, &error))
        return failed(error);
    FileOutput output(mixer, file, job.sampleRate, job.framesAt(job.sampleRate), job.gain);
    if (!output.isValid())
        return failed(tr("Cannot convert the mix to %1 Hz.").arg(job.sampleRate));
    StemFiles stems;
    if (job.stems) {
        if (!stems.open(job, voices, mixer, &error))
            return failed(error);
        mixer.setVoiceTap(&stems);
    }

    output.start();
    const qint64 total = job.framesAt(PcmFormat::kRate);
    int reported = -1;
    for (qint64 done = 0; done < total;) {
        if (cancel)
            return cancelled();
        const qint64 frames = std::min(kBlockFrames, total - done);
        if (!output.pull(frames, &error) || !stems.ok(&error))
            return failed(error);
        done += frames;
        const int percent = int(100 * done / total);
        if (progress && percent != reported)
            progress(percent);
        reported = percent;
    }
    if (!output.finish(&error) || !stems.commit(&error))
        return failed(error);
    if (!file.commit(&error)) {
        stems.removeCommitted();
        return failed(error);
    }
    const QString target = QDir::toNativeSeparators(job.target);
    return {RenderResult::Written, job.stems ? tr("Exported %1 and one file per row next to it.").arg(target) : tr("Exported %1.").arg(target)};
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
