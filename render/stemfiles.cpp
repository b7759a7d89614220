#include "render/stemfiles.h"

#include <QFile>

#include "player/pcmformat.h"
#include "render/renderjob.h"

bool StemFiles::open(const RenderJob &job, const std::vector<std::unique_ptr<PcmStream>> &voices, DeckMixer &mixer, QString *error)
{
    for (size_t i = 0; i < voices.size() && i < size_t(job.rows.size()); ++i) {
        auto stem = std::make_unique<Stem>();
        stem->target = job.stemPath(job.rows[qsizetype(i)]);
        if (!stem->file.open(stem->target, job.format, job.sampleRate, error))
            return false;
        stem->output = std::make_unique<FileOutput>(mixer, stem->file, job.sampleRate, job.framesAt(job.sampleRate), job.gain);
        m_stems[voices[i].get()] = std::move(stem);
    }
    return true;
}

void StemFiles::voiceFrames(const PcmStream *voice, const float *frames, qint64 count)
{
    const auto stem = m_stems.find(voice);
    QString error;
    if (stem != m_stems.end() && m_error.isEmpty() && !stem->second->output->write(frames, count, &error))
        m_error = error;
}

bool StemFiles::ok(QString *error) const
{
    if (m_error.isEmpty())
        return true;
    *error = m_error;
    return false;
}

bool StemFiles::commit(QString *error)
{
    for (auto &[voice, stem] : m_stems) {
        if (!stem->output->finish(error) || !stem->file.commit(error)) {
            removeCommitted();
            return false;
        }
        m_committed << stem->target;
    }
    return true;
}

void StemFiles::removeCommitted()
{
    for (const QString &file : std::as_const(m_committed))
        QFile::remove(file);
    m_committed.clear();
}
