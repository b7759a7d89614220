#include "player/wavepeaks.h"

#include <algorithm>
#include <limits>

std::shared_ptr<const WavePeaks> WavePeaks::of(const std::vector<qint16> &interleaved, int channels, int columns)
{
    auto peaks = std::make_shared<WavePeaks>();
    const qint64 frames = channels > 0 ? qint64(interleaved.size()) / channels : 0;
    const qint64 count = std::min<qint64>(frames, std::max(columns, 0));
    peaks->low.resize(size_t(count));
    peaks->high.resize(size_t(count));
    for (qint64 column = 0; column < count; ++column) {
        // Column c covers frames [c * frames / count, (c + 1) * frames / count).
        const qint64 first = column * frames / count;
        const qint64 last = (column + 1) * frames / count;
        const auto begin = interleaved.begin() + first * channels;
        const auto end = interleaved.begin() + last * channels;
        const auto [low, high] = std::minmax_element(begin, end);
        peaks->low[size_t(column)] = *low;
        peaks->high[size_t(column)] = *high;
    }
    return peaks;
}

WavePeaksBuilder::WavePeaksBuilder(qint64 frames, int channels, int columns)
    : m_peaks(std::make_shared<WavePeaks>())
    , m_frames(std::max<qint64>(frames, 0))
    , m_channels(std::max(channels, 1))
{
    const qint64 count = std::min<qint64>(m_frames, std::max(columns, 0));
    // Empty until a frame reaches them: the first frame sets both ends.
    m_peaks->low.assign(size_t(count), std::numeric_limits<qint16>::max());
    m_peaks->high.assign(size_t(count), std::numeric_limits<qint16>::min());
    m_columnEnd = count > 0 ? m_frames / count : 0;
}

void WavePeaksBuilder::add(const qint16 *interleaved, qint64 frames)
{
    const qint64 count = m_peaks->columns();
    for (qint64 f = 0; f < frames && m_seen < m_frames; ++f, ++m_seen) {
        // Column c covers frames [c * frames / count, (c + 1) * frames / count), as in of().
        while (m_seen >= m_columnEnd && m_column + 1 < count)
            m_columnEnd = (++m_column + 1) * m_frames / count;
        qint16 &low = m_peaks->low[size_t(m_column)];
        qint16 &high = m_peaks->high[size_t(m_column)];
        for (int c = 0; c < m_channels; ++c) {
            const qint16 v = interleaved[f * m_channels + c];
            low = std::min(low, v);
            high = std::max(high, v);
        }
    }
}

std::shared_ptr<const WavePeaks> WavePeaksBuilder::take()
{
    for (size_t c = 0; c < m_peaks->low.size(); ++c) {
        if (m_peaks->low[c] > m_peaks->high[c])
            m_peaks->low[c] = m_peaks->high[c] = 0;
    }
    return std::move(m_peaks);
}
