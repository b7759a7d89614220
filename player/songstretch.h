#pragma once

#include <memory>
#include <vector>

#include <QtGlobal>

#include "player/samplebody.h"

class FileDecoder;
struct DecodedSample;
namespace RubberBand {
class RubberBandStretcher;
}

// Plays a song streamed from disk faster or slower with its pitch kept: Rubber Band in real-time
// mode, fed by a decoder of the file of its own, on the worker of the copy's SampleBody. A stretched
// copy of a whole song would cost what streaming saves.
//
// Frame k of the copy is the song's frame k x rate from wherever it starts: a copy started in the
// middle (a seek, a change of rate) is on the same beat as one played from the start.
class SongStretch : public BodySource {
public:
    SongStretch(std::unique_ptr<FileDecoder> decoder, double rate);
    ~SongStretch() override;
    SongStretch(const SongStretch &) = delete;
    SongStretch &operator=(const SongStretch &) = delete;

    // The copy of `song` (streamed, at rate 1) at `rate`: its first seconds in memory, the rest
    // stretched as it streams. Its worker starts at `readFrom` (of the copy), where it will most
    // likely be read first. Null when the file cannot be opened again.
    static std::shared_ptr<const DecodedSample> copyOf(const std::shared_ptr<const DecodedSample> &song, double rate,
        qint64 readFrom);

    bool startAt(qint64 frame) override;
    qint64 read(qint16 *out, qint64 frames) override;

private:
    // Gives the stretcher what it asks for next; false once the file has ended.
    bool feed();
    void feedSilence(qint64 frames);
    // Hands the first `frames` frames of m_piece to the stretcher.
    void processPiece(qint64 frames, bool final);

    std::unique_ptr<FileDecoder> m_decoder;
    std::unique_ptr<RubberBand::RubberBandStretcher> m_stretcher;
    const double m_rate;
    qint64 m_discard = 0; // output frames before the frame started at, still to drop
    bool m_inputEnded = false;
    std::vector<float> m_left, m_right;
    std::vector<qint16> m_piece;
    qint64 m_headFrames = 0; // the copy's first frames, held in memory
};
