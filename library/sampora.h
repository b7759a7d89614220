#pragma once

#include <array>

#include <QList>
#include <QObject>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>
#include <QStringView>

#include "library/libraryfolder.h"
#include "library/sampletypes.h"
#include "library/samplelist.h"

// The sample library model: the folders of config.xml turned into one list of sample
// files per genre playlist and sample type, and the random draw the players ask for.
class Sampora : public QObject {
    Q_OBJECT
public:
    // Reads config.xml and scans its folders; the random generator is seeded once here.
    explicit Sampora(GenrePreset genre);
    ~Sampora() override;

    // Re-reads config.xml and rescans every folder. When the file cannot be opened or
    // has no "sampora" root, the previous library stays in use.
    void updateMedia();

    // Switches the current playlist; rescans nothing. A value outside the three
    // presets is stored but leaves the selection as it was.
    void setGenre(GenrePreset genre);
    GenrePreset genre() const { return m_genre; }

    // A random sample of the type from the current playlist, or "" when it has none
    // (then bpm is left untouched); on success bpm receives the file name's BPM.
    QString randomSample(int sampleType, int &bpm);
    // Makes the draws that follow a fixed sequence (tests that need a known order).
    void seed(quint32 value) { m_random.seed(value); }

    // The last run of ASCII digits in the name whose value lies in 51..219, else -1.
    // A full path may be passed: only its last component is read.
    static int bpmFromFileName(QStringView fileName);

    // Every regular file below folder (any depth, unsorted) whose name ends in ".mp3",
    // ".wav", ".aif" or ".mid" in any letter case, as folder + "/" + path below it.
    // Hidden entries are skipped and symbolic links to folders are not followed;
    // symbolic links to files count as files. A missing or unreadable folder gives an
    // empty list.
    static QStringList scanFolder(const QString &folder);

    // Glob patterns for a file chooser that take the names scanFolder() takes, in any
    // letter case ("*.[mM][pP]3", ...): a platform chooser may compare case-sensitively.
    static QStringList sampleNamePatterns();

    // Read access for the dialogs and tests: copies, never references into the lists.
    QList<LibraryFolder> folders(GenrePreset genre) const;
    QStringList samples(GenrePreset genre, SampleType type) const;
    qsizetype sampleCount(GenrePreset genre, SampleType type) const;

private:
    using GenreLists = std::array<SampleList, 3>; // indexed by SampleType

    GenrePreset m_genre = HipHop;
    const GenreLists *m_selection = nullptr;
    std::array<QList<LibraryFolder>, 3> m_folders; // indexed by GenrePreset
    std::array<GenreLists, 3> m_samples;
    QRandomGenerator64 m_random;
};
