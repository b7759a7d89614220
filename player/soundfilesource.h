#pragma once

#include <memory>
#include <vector>

#include <QString>

#include "player/audiosource.h"
#include "player/stereodownmix.h"

typedef struct sf_private_tag SNDFILE;

// WAV, AIFF, MP3 and the other formats libsndfile reads, at any bit depth, as stereo float.
class SoundFileSource : public AudioSource {
public:
    // Null when libsndfile cannot read the file as audio.
    static std::unique_ptr<SoundFileSource> open(const QString &path);
    ~SoundFileSource() override;

    int sampleRate() const override { return rate; }
    qint64 totalFrames() const override { return frames; }
    qint64 read(float *stereo, qint64 count) override;
    bool seek(qint64 frame) override;

private:
    SoundFileSource(SNDFILE *file, int rate, qint64 frames, StereoDownmix downmix);

    SNDFILE *file;
    int rate;
    qint64 frames;
    StereoDownmix downmix;
    std::vector<float> fileFrames; // a read in the file's own channel layout
};
