#pragma once

#include <memory>
#include <utility>

#include <QString>
#include <QVector>

struct DecodedSample;

// One deck row as a render hears it: its current sample, looped, at the rate it plays at
// (the tempo changes, the pitch stays).
struct RenderRow {
    RenderRow() = default;
    RenderRow(const QString &file, double rate, std::shared_ptr<const DecodedSample> copy = {}, qint64 phase = 0)
        : file(file)
        , rate(rate)
        , copy(std::move(copy))
        , phase(phase)
    {
    }

    QString file;
    double rate = 1.0;
    // The copy the row plays on the deck, shared rather than made again; null: the render
    // decodes `file` and stretches it to `rate` the way a row does.
    std::shared_ptr<const DecodedSample> copy;
    // The copy's frame heard at the render's first frame: where the row stands on the grid.
    qint64 phase = 0;

    // The frame of a copy of `copyFrames` frames, looped, at deck frame `deckFrame`, when its
    // frame 0 was (or would have been) heard at deck frame `copyStart`.
    static qint64 phaseAt(qint64 copyStart, qint64 deckFrame, qint64 copyFrames);
    int slot = 0; // the deck's row, from 1; names its stem
    int bpm = 0;  // the tempo it plays at (0: none); names its stem
};

enum class RenderFormat { Wav16, Wav24, Flac };

// What to render: the rows mixed at one gain, from the grid's first bar line for a whole
// number of bars, into one audio file.
struct RenderJob {
    QVector<RenderRow> rows;
    double gain = 1.0; // the deck volume as the factor heard (VolumeCurve); 0 when muted
    bool evenLoudness = false; // each row at its loudness gain, as the deck plays it
    int bars = 4;
    double gridBpm = 120.0; // the tempo the bars are counted at
    RenderFormat format = RenderFormat::Wav16;
    int sampleRate = 44100;
    QString target;
    bool stems = false; // one more file per row, next to the mix (stemPath())

    double seconds() const { return bars * 4 * 60.0 / gridBpm; }
    qint64 framesAt(int rate) const { return qRound64(seconds() * rate); }

    // Where a row's own file goes with the mix: the mix's name, the slot, the sample's name
    // and the BPM, e.g. "set - 2 funk loop 96 BPM.wav" next to "set.wav".
    QString stemPath(const RenderRow &row) const;

    // The fewest whole bars of a grid at gridBpm that last at least `seconds`, at least one.
    static int barsCovering(double seconds, double gridBpm);
};
