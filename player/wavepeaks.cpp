#include "player/wavepeaks.h"

#include <algorithm>

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
