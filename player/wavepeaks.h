#pragma once

#include <memory>
#include <vector>

#include <QtGlobal>

// The outline of a sample for drawing: the sample cut into equal columns, each with the lowest
// and highest value of either channel in it. Computed once when a sample is decoded, so that
// painting never looks at the PCM again.
struct WavePeaks {
    // Enough for a row several screens wide; a pixel of a narrower row takes several columns.
    static constexpr int kColumns = 2048;

    std::vector<qint16> low;
    std::vector<qint16> high;

    int columns() const { return int(low.size()); }

    // From interleaved PCM; a sample shorter than `columns` frames gets one column per frame.
    static std::shared_ptr<const WavePeaks> of(const std::vector<qint16> &interleaved, int channels,
        int columns = kColumns);
};
