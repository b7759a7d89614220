#pragma once

#include <memory>
#include <vector>

#include <QString>

#include "player/pcmformat.h"

class AudioSource;
class Resampler;

// Decodes one audio file to PcmFormat piece by piece, so that a long song streams from disk
// in bounded memory. WAV, AIFF, MP3 (and what else libsndfile reads) at any rate, bit depth
// and channel count; MIDI through a General MIDI synthesizer. Not thread-safe: one decoder
// per thread; separate decoders may work on separate threads.
class FileDecoder {
public:
    FileDecoder();
    ~FileDecoder();
    FileDecoder(const FileDecoder &) = delete;
    FileDecoder &operator=(const FileDecoder &) = delete;

    // On failure returns false and sets *reason (if given) to the text the player shows:
    // "file not found", "file is empty", "file cannot be read" or "not a playable audio file".
    bool open(const QString &path, QString *reason);
    bool isOpen() const { return source != nullptr; }

    // Writes up to `frames` interleaved frames to `out`; returns how many, 0 at the end.
    qint64 read(qint16 *out, qint64 frames);
    // Reading goes on from this frame; false when the file cannot get there (a read error,
    // a frame past the end). After resampling the frame reached may lie up to half a frame off.
    bool seek(qint64 frame);
    bool rewind() { return seek(0); }
    // The next frame read() gives.
    qint64 position() const { return framesMade; }

    // The length the file announces, in frames of PcmFormat. A damaged file (a cut MP3, say)
    // may end sooner; read() then ends there.
    qint64 totalFrames() const;

    // Why a file that could not be decoded fails, as the player words it.
    static QString failureReason(const QString &path);

private:
    qint64 fillFromSource();
    qint64 produce(float *stereo, qint64 frames);

    std::unique_ptr<AudioSource> source;
    std::unique_ptr<Resampler> resampler; // only when the file's rate differs
    std::vector<float> sourceFrames; // read from the source, not yet converted
    qint64 sourcePos = 0;
    qint64 sourceCount = 0;
    bool sourceEnded = false;
    qint64 sourceFramesRead = 0; // in all, at the source's rate
    qint64 framesMade = 0; // in all, in PcmFormat
    std::vector<float> converted;
};
