#pragma once

#include <memory>
#include <vector>

#include <QtGlobal>

#include "engine/mixoutput.h"

class DeckMixer;
class QString;
class RenderedFile;
class Resampler;

// The deck's mix into a file: the output an export plays to. Where the loudspeaker's output
// pulls the mixer at the pace of the sound card, this one is pulled by its caller as fast as
// the mixer makes frames. It scales the mix by the deck's level as the loudspeaker hears it,
// converts it to the file's rate and writes exactly the frames the file is to hold.
class FileOutput : public MixOutput {
public:
    // `fileFrames` at `sampleRate`; `gain` as a factor (VolumeCurve).
    FileOutput(DeckMixer &mixer, RenderedFile &file, int sampleRate, qint64 fileFrames, double gain);
    ~FileOutput() override;
    FileOutput(const FileOutput &) = delete;
    FileOutput &operator=(const FileOutput &) = delete;

    // False when the file's rate cannot be converted to.
    bool isValid() const;
    // Mixes the next `frames` deck frames and writes them; nothing while not running or paused.
    bool pull(qint64 frames, QString *error);
    // Writes `count` frames made elsewhere (one row's, for a file of its own) as pull() writes
    // the mix: scaled, converted, and no more than the file is to hold.
    bool write(const float *frames, qint64 count, QString *error);
    // Drains the converter and fills up with silence what rounding left short.
    bool finish(QString *error);

    void start() override;
    void pause() override { m_paused = m_running; }
    void resume() override { m_paused = false; }
    void stop() override;
    bool isRunning() const override { return m_running; }
    bool isPaused() const override { return m_paused; }
    qint64 playedMs() const override;

private:
    // `frames` may be m_mix itself.
    bool scaleAndConvert(const float *frames, qint64 count, QString *error);
    bool convert(const float *mix, qint64 frames, QString *error);
    bool put(const float *frames, qint64 count, QString *error);
    qint64 convertedFrames() const;

    DeckMixer &m_mixer;
    RenderedFile &m_file;
    const float m_gain;
    qint64 m_framesLeft;
    qint64 m_pulled = 0;
    std::unique_ptr<Resampler> m_resampler;
    std::vector<float> m_mix;
    std::vector<float> m_converted;
    bool m_running = false;
    bool m_paused = false;
};
