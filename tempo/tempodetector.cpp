#include "tempo/tempodetector.h"

#include <algorithm>
#include <array>
#include <memory>
#include <mutex>
#include <optional>

#include <QFile>
#include <QFileInfo>

#include <aubio/aubio.h>

#include "library/logcategories.h"
#include "library/sampletypes.h"
#include "library/sampora.h"
#include "tempo/looptempo.h"
#include "tempo/miditempo.h"

namespace {

// aubio's tracker at its usual resolution: 11.6 ms steps at 44.1 kHz.
constexpr uint_t kHop = 512;
constexpr uint_t kWindow = 1024;
constexpr smpl_t kSilenceLift = 5e-4;
constexpr smpl_t kOnsetBelowLoudestDb = 30.0f;
// A tempo is heard within the first minute; longer files are not decoded to their end.
constexpr double kMaxListenSeconds = 60.0;

// Without a gapless tag an MP3 decodes to whole 1152-frame MP3 frames: the encoder's delay
// (576 frames, plus 529 of the decoder's) comes first and the last frame is padded. The
// padding is unknown, so half a frame of it is assumed.
constexpr uint_t kMp3Frame = 1152;
constexpr uint_t kMp3ExtraFrames = 576 + 529 + kMp3Frame / 2;

void logAubio(int level, const char_t *message, void *)
{
    qCDebug(lcTempo).noquote() << "aubio" << level << QString::fromLocal8Bit(message).trimmed();
}

void routeAubioMessages()
{
    // aubio writes its complaints about unreadable files to stderr by default.
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level : { AUBIO_LOG_ERR, AUBIO_LOG_WRN, AUBIO_LOG_MSG, AUBIO_LOG_DBG, AUBIO_LOG_INF })
            aubio_log_set_level_function(level, logAubio, nullptr);
    });
}

bool isMp3(const QString &path)
{
    return QFileInfo(path).suffix().compare(QLatin1String("mp3"), Qt::CaseInsensitive) == 0;
}

} // namespace

// Runs aubio's beat tracker and onset detector over the file (mixed to mono at its own sample
// rate).
std::optional<BeatEvidence> TempoDetector::listen(const QString &path)
{
    routeAubioMessages();
    QByteArray name = QFile::encodeName(path);
    const std::unique_ptr<aubio_source_t, void (*)(aubio_source_t *)> source(
        new_aubio_source(name.data(), 0, kHop), del_aubio_source);
    if (!source)
        return std::nullopt;
    const uint_t rate = aubio_source_get_samplerate(source.get());
    if (rate == 0)
        return std::nullopt;
    char method[] = "default";
    const std::unique_ptr<aubio_tempo_t, void (*)(aubio_tempo_t *)> tracker(
        new_aubio_tempo(method, kWindow, kHop, rate), del_aubio_tempo);
    const std::unique_ptr<fvec_t, void (*)(fvec_t *)> input(new_fvec(kHop), del_fvec);
    const std::unique_ptr<fvec_t, void (*)(fvec_t *)> beat(new_fvec(1), del_fvec);
    const std::unique_ptr<aubio_onset_t, void (*)(aubio_onset_t *)> onset(
        new_aubio_onset(method, kWindow, kHop, rate), del_aubio_onset);
    const std::unique_ptr<fvec_t, void (*)(fvec_t *)> onsetFound(new_fvec(1), del_fvec);
    if (!tracker || !input || !beat || !onset || !onsetFound)
        return std::nullopt;

    const std::unique_ptr<fvec_t, void (*)(fvec_t *)> lifted(new_fvec(kHop), del_fvec);
    if (!lifted)
        return std::nullopt;

    BeatEvidence heard;
    // Each onset with the level around it (the loudest of the last frames, in dB), and the
    // loudest frame of the sound.
    QVector<QPair<double, smpl_t>> onsets;
    std::array<smpl_t, 3> recentLevels;
    recentLevels.fill(-1000.0f);
    smpl_t loudest = -1000.0f;
    const quint64 maxFrames = quint64(kMaxListenSeconds * rate);
    quint64 frames = 0;
    uint_t read = 0;
    do {
        aubio_source_do(source.get(), input.get(), &read);
        aubio_tempo_do(tracker.get(), input.get(), beat.get());
        // The onset detector drops an onset when the frame after it is silent, and digital
        // silence always is: a click loop or a gated kick would show no onsets after its first.
        // A constant offset just above the silence gate (-66 dB) keeps it open; steady and
        // without any high frequency, it neither makes onsets nor hides a bass line's.
        for (uint_t i = 0; i < kHop; ++i)
            lifted->data[i] = input->data[i] + kSilenceLift;
        aubio_onset_do(onset.get(), lifted.get(), onsetFound.get());
        std::rotate(recentLevels.begin(), recentLevels.begin() + 1, recentLevels.end());
        recentLevels.back() = aubio_db_spl(input.get());
        loudest = std::max(loudest, recentLevels.back());
        if (onsetFound->data[0] != 0)
            onsets.append({ aubio_onset_get_last_s(onset.get()), *std::max_element(recentLevels.begin(), recentLevels.end()) });
        frames += read;
    } while (read == kHop && frames < maxFrames);

    // A file listened to in part is as long as its container says.
    if (read == kHop)
        frames = qMax<quint64>(frames, aubio_source_get_duration(source.get()));
    else if (isMp3(path) && frames % kMp3Frame == 0 && frames > kMp3ExtraFrames)
        frames -= kMp3ExtraFrames;
    // What stirs far below the sound's loudest moments (the first murmurs of a swell) is no
    // beat anyone hears.
    for (const auto &[at, level] : std::as_const(onsets)) {
        if (level >= loudest - kOnsetBelowLoudestDb)
            heard.onsets.append(at);
    }
    heard.trackerBpm = aubio_tempo_get_bpm(tracker.get());
    heard.confidence = aubio_tempo_get_confidence(tracker.get());
    heard.seconds = double(frames) / rate;
    return heard;
}

namespace {

bool isMidi(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(4) == "MThd";
}

} // namespace

TempoDetector::TempoDetector(const QString &cacheFile)
    : m_cache(cacheFile)
{
}

int TempoDetector::analyse(const QString &path)
{
    if (isMidi(path))
        return MidiTempo::fromFile(path);
    const std::optional<BeatEvidence> heard = listen(path);
    if (!heard)
        return -1;
    const int bpm = LoopTempo::refine(heard->trackerBpm, heard->seconds);
    return bpm > 0 && heard->isBeat(bpm) ? bpm : -1;
}

SampleTempo TempoDetector::tempoFor(const QString &path)
{
    const int named = Sampora::bpmFromFileName(path);
    if (named > kMinUsableBpm)
        return { named, BpmOrigin::FileName };

    const QFileInfo file(path);
    if (!file.isFile())
        return {};
    std::optional<int> bpm = m_cache.lookup(file);
    if (!bpm) {
        bpm = analyse(path);
        m_cache.store(file, *bpm);
    }
    if (*bpm <= kMinUsableBpm)
        return {};
    return { *bpm, BpmOrigin::Audio };
}
