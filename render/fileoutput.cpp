#include "render/fileoutput.h"

#include <algorithm>

#include <QString>

#include "engine/deckmixer.h"
#include "player/pcmformat.h"
#include "player/resampler.h"
#include "render/renderedfile.h"

namespace {
// The most frames one pull mixes at a time: a pull of any length is cut into these.
constexpr qint64 kMaxPull = 4096;
} // namespace

FileOutput::FileOutput(DeckMixer &mixer, RenderedFile &file, int sampleRate, qint64 fileFrames, double gain)
    : m_mixer(mixer)
    , m_file(file)
    , m_gain(float(gain))
    , m_framesLeft(fileFrames)
    , m_mix(size_t(kMaxPull * PcmFormat::kChannels))
{
    if (sampleRate != PcmFormat::kRate) {
        m_resampler = std::make_unique<Resampler>(PcmFormat::kRate, sampleRate);
        m_converted.resize(size_t(PcmFormat::kChannels * (kMaxPull * sampleRate / PcmFormat::kRate + 64)));
    }
}

FileOutput::~FileOutput() = default;

bool FileOutput::isValid() const
{
    return !m_resampler || m_resampler->isValid();
}

void FileOutput::start()
{
    m_running = true;
    m_paused = false;
    m_pulled = 0;
    if (m_resampler)
        m_resampler->clear();
}

void FileOutput::stop()
{
    m_running = false;
    m_paused = false;
}

qint64 FileOutput::playedMs() const
{
    return m_running ? m_pulled * 1000 / PcmFormat::kRate : -1;
}

bool FileOutput::pull(qint64 frames, QString *error)
{
    while (m_running && !m_paused && frames > 0) {
        const qint64 n = std::min(frames, kMaxPull);
        m_mixer.mix(m_mix.data(), n);
        if (!scaleAndConvert(m_mix.data(), n, error))
            return false;
        m_pulled += n;
        frames -= n;
    }
    return true;
}

bool FileOutput::write(const float *frames, qint64 count, QString *error)
{
    while (count > 0) {
        const qint64 n = std::min(count, kMaxPull);
        if (!scaleAndConvert(frames, n, error))
            return false;
        frames += n * PcmFormat::kChannels;
        count -= n;
    }
    return true;
}

bool FileOutput::scaleAndConvert(const float *frames, qint64 count, QString *error)
{
    if (m_gain != 1.0f) {
        std::transform(frames, frames + count * PcmFormat::kChannels, m_mix.begin(), [this](float v) { return v * m_gain; });
        frames = m_mix.data();
    }
    return convert(frames, count, error);
}

bool FileOutput::convert(const float *mix, qint64 frames, QString *error)
{
    if (!m_resampler)
        return put(mix, frames, error);
    while (frames > 0) {
        qint64 used = 0;
        const qint64 made = m_resampler->process(mix, frames, &used, m_converted.data(), convertedFrames());
        if (!put(m_converted.data(), made, error))
            return false;
        mix += PcmFormat::kChannels * used;
        frames -= used;
    }
    return true;
}

bool FileOutput::finish(QString *error)
{
    for (qint64 made = 1; m_resampler && made > 0;) {
        qint64 used = 0;
        made = m_resampler->process(nullptr, 0, &used, m_converted.data(), convertedFrames());
        if (!put(m_converted.data(), made, error))
            return false;
    }
    std::fill(m_mix.begin(), m_mix.end(), 0.0f);
    while (m_framesLeft > 0) {
        if (!put(m_mix.data(), std::min(m_framesLeft, kMaxPull), error))
            return false;
    }
    return true;
}

qint64 FileOutput::convertedFrames() const
{
    return qint64(m_converted.size()) / PcmFormat::kChannels;
}

bool FileOutput::put(const float *frames, qint64 count, QString *error)
{
    count = std::min(count, m_framesLeft);
    if (count <= 0)
        return true;
    m_framesLeft -= count;
    return m_file.write(frames, count, error);
}
