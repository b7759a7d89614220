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

// The same outline for a sample too long to hold in memory, from its frames in order, piece by
// piece. Columns the frames never reached (a file shorter than it announced) stay flat.
class WavePeaksBuilder {
public:
    WavePeaksBuilder(qint64 frames, int channels, int columns = WavePeaks::kColumns);
    void add(const qint16 *interleaved, qint64 frames);
    std::shared_ptr<const WavePeaks> take();

private:
    std::shared_ptr<WavePeaks> m_peaks;
    qint64 m_frames;
    int m_channels;
    qint64 m_seen = 0;
    qint64 m_column = 0;
    qint64 m_columnEnd = 0; // the first frame of the next column
};
