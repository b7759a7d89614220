#pragma once

#include <memory>

#include <QByteArray>
#include <QString>

#include "player/audiosource.h"

// A Standard MIDI File rendered with libfluidsynth and a General MIDI sound font, piece by
// piece, at PcmFormat::kRate. It lasts exactly as long as the file's tracks (their last
// end-of-track event), not as long as its last notes ring: a loop must keep its length. The
// ringing beyond the end is cut, with a short fade so the cut does not click.
class MidiSource : public AudioSource {
public:
    // Null when the data is not a MIDI file, is empty in time, or no sound font is installed.
    static std::unique_ptr<MidiSource> open(const QByteArray &smf);
    ~MidiSource() override;

    // The first General MIDI sound font found on this system, or an empty string.
    static QString soundFont();

    int sampleRate() const override;
    qint64 totalFrames() const override { return frames; }
    qint64 read(float *stereo, qint64 count) override;
    bool seek(qint64 frame) override;

private:
    struct Synth;

    MidiSource(const QByteArray &smf, qint64 frames);
    bool restart();

    QByteArray smf;
    qint64 frames;
    qint64 position = 0;
    std::unique_ptr<Synth> synth;
};
