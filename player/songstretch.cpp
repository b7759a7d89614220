#include "player/songstretch.h"

#include <algorithm>
#include <cmath>

#include <rubberband/RubberBandStretcher.h>

#include "player/decodedsample.h"
#include "player/filedecoder.h"
#include "player/timestretch.h"

namespace {

using RubberBand::RubberBandStretcher;

constexpr size_t kBlock = 1024;
// The copy's first frames are stretched when it is made and held: a repeat or a start is heard
// at once while the worker gets the body ready. Counted in the song's own frames.
constexpr qint64 kHeadSourceFrames = qint64(PcmFormat::kRate) * 3;

// The faster engine: measured here on a click song, its beats land within about 1 ms of their
// place and it costs about 1 % of a core; the finer one (as the loops' offline copies use) lands
// within 0.5 ms for about 7 %, more than a row's whole share of the CPU.
constexpr RubberBandStretcher::Options kOptions
    = RubberBandStretcher::OptionProcessRealTime | RubberBandStretcher::OptionEngineFaster;

float toFloat(qint16 v)
{
    return float(v) / 32768.0f;
}

qint16 toPcm(float v)
{
    return qint16(std::clamp(std::lround(v * 32767.0f), -32768L, 32767L));
}

} // namespace

SongStretch::SongStretch(std::unique_ptr<FileDecoder> decoder, double rate)
    : m_decoder(std::move(decoder))
    , m_stretcher(std::make_unique<RubberBandStretcher>(size_t(PcmFormat::kRate), 2, kOptions, 1.0 / rate))
    , m_rate(rate)
    , m_left(kBlock)
    , m_right(kBlock)
    , m_piece(kBlock * PcmFormat::kChannels)
{
    m_stretcher->setMaxProcessSize(kBlock);
}

SongStretch::~SongStretch() = default;

std::shared_ptr<const DecodedSample> SongStretch::copyOf(const std::shared_ptr<const DecodedSample> &song, double rate,
    qint64 readFrom)
{
    auto decoder = std::make_unique<FileDecoder>();
    if (!decoder->open(song->file, nullptr))
        return nullptr;
    auto stretch = std::make_unique<SongStretch>(std::move(decoder), rate);
    const std::shared_ptr<DecodedSample> copy = DecodedSample::copyAt(song, rate);
    const qint64 total = TimeStretch::stretchedFrames(song->frames(), rate);
    const qint64 head = std::min(total, TimeStretch::stretchedFrames(kHeadSourceFrames, rate));
    copy->samples.resize(size_t(head) * PcmFormat::kChannels);
    const qint64 got = stretch->startAt(0) ? stretch->read(copy->samples.data(), head) : 0;
    if (got < head)
        return nullptr; // the file ends before its head: nothing to stream
    stretch->m_headFrames = head;
    copy->body = std::make_unique<SampleBody>(std::move(stretch), head, total);
    if (readFrom >= head)
        copy->prepare(readFrom);
    return copy;
}

bool SongStretch::startAt(qint64 frame)
{
    m_stretcher->reset();
    m_inputEnded = false;
    // Where the held head ends, the stream must go on as the same run of the stretcher: one begun
    // elsewhere has other phases, and the join would be heard. That run is made again from the
    // song's start (a reset stretcher does the same again) while the head plays.
    const qint64 runFrom = frame <= m_headFrames ? 0 : frame;
    // The stretcher hears the song's frames before the run's start (or silence before the song's
    // own start) and its output is dropped up to the frame: the start lies where a straight run
    // would put it, with no fade in.
    const qint64 sourceStart = qint64(std::llround(double(runFrom) * m_rate));
    const qint64 pad = qint64(m_stretcher->getPreferredStartPad());
    m_discard = qint64(m_stretcher->getStartDelay()) + frame - runFrom;
    const qint64 leadFrom = std::max<qint64>(0, sourceStart - pad);
    feedSilence(leadFrom - (sourceStart - pad));
    if (!m_decoder->seek(leadFrom))
        return false;
    for (qint64 at = leadFrom; at < sourceStart;) {
        const qint64 n = std::min<qint64>(qint64(kBlock), sourceStart - at);
        const qint64 got = m_decoder->read(m_piece.data(), n);
        if (got == 0)
            return false;
        processPiece(got, false);
        at += got;
    }
    return true;
}

void SongStretch::feedSilence(qint64 frames)
{
    std::fill(m_left.begin(), m_left.end(), 0.0f);
    std::fill(m_right.begin(), m_right.end(), 0.0f);
    const float *planes[2] = { m_left.data(), m_right.data() };
    for (qint64 left = frames; left > 0;) {
        const size_t n = size_t(std::min<qint64>(left, qint64(kBlock)));
        m_stretcher->process(planes, n, false);
        left -= qint64(n);
    }
}

bool SongStretch::feed()
{
    // In pieces of a quarter block at least: a frame or two at a time costs more in calls than
    // in stretching.
    const size_t wanted = std::clamp<size_t>(m_stretcher->getSamplesRequired(), kBlock / 4, kBlock);
    const qint64 got = m_decoder->read(m_piece.data(), qint64(wanted));
    // The file's end lets the stretcher give out what it still holds.
    processPiece(got, got == 0);
    return got > 0;
}

void SongStretch::processPiece(qint64 frames, bool final)
{
    for (qint64 i = 0; i < frames; ++i) {
        m_left[size_t(i)] = toFloat(m_piece[size_t(2 * i)]);
        m_right[size_t(i)] = toFloat(m_piece[size_t(2 * i + 1)]);
    }
    const float *planes[2] = { m_left.data(), m_right.data() };
    m_stretcher->process(planes, size_t(frames), final);
}

qint64 SongStretch::read(qint16 *out, qint64 frames)
{
    qint64 done = 0;
    while (done < frames) {
        const int available = m_stretcher->available();
        if (available < 0)
            break; // all given out after the file's end
        if (available == 0) {
            if (m_inputEnded)
                break;
            m_inputEnded = !feed();
            continue;
        }
        const qint64 want = m_discard > 0 ? m_discard : frames - done;
        const size_t n = size_t(std::min<qint64>({ qint64(available), qint64(kBlock), want }));
        float *planes[2] = { m_left.data(), m_right.data() };
        const qint64 got = qint64(m_stretcher->retrieve(planes, n));
        if (m_discard > 0) {
            m_discard -= got;
            continue;
        }
        qint16 *to = out + done * PcmFormat::kChannels;
        for (qint64 i = 0; i < got; ++i) {
            to[2 * i] = toPcm(m_left[size_t(i)]);
            to[2 * i + 1] = toPcm(m_right[size_t(i)]);
        }
        done += got;
    }
    return done;
}
