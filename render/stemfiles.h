#pragma once

#include <map>
#include <memory>
#include <vector>

#include <QString>
#include <QStringList>

#include "engine/deckmixer.h"
#include "render/fileoutput.h"
#include "render/renderedfile.h"

class PcmStream;
struct RenderJob;

// One file per row beside the mix, made in the same pull as the mix: each voice's frames as the
// mixer takes them (after its loudness gain, before the sum and the master limiter), so the files
// are as long as the mix, start on its first frame and add up to it, ready to be laid side by
// side in another program at the deck's tempo. Files are written under temporary names and take
// theirs only at commit().
class StemFiles : public DeckMixer::VoiceTap {
public:
    // `voices` in the order of job.rows.
    bool open(const RenderJob &job, const std::vector<std::unique_ptr<PcmStream>> &voices, DeckMixer &mixer, QString *error);
    void voiceFrames(const PcmStream *voice, const float *frames, qint64 count) override;
    // False when a write failed since the last look; the error is the first one.
    bool ok(QString *error) const;
    // Drains the converters and gives every file its name; on a failure removes those it named.
    bool commit(QString *error);
    // Removes the files commit() named, when the mix itself could not be written.
    void removeCommitted();

private:
    struct Stem {
        RenderedFile file;
        std::unique_ptr<FileOutput> output;
        QString target;
    };
    std::map<const PcmStream *, std::unique_ptr<Stem>> m_stems;
    QString m_error;
    QStringList m_committed;
};
