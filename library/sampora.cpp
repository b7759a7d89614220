#include "library/sampora.h"

#include <random>
#include <utility>

#include <QDir>
#include <QHash>

#include "library/configfile.h"
#include "library/folderfiles.h"
#include "library/folderscanner.h"
#include "library/logcategories.h"
#include "library/paths.h"

namespace {

bool isGenre(int genre)
{
    return genre >= HipHop && genre <= Custom;
}

const char *noSamplesMessage(int type)
{
    switch (type) {
    case Beat:
        return "No Beats/effects in library";
    case Melody:
        return "No Melody in library";
    default:
        return "No Base Beats in library";
    }
}

class PathCollector final : public FolderScanner::Sink {
public:
    explicit PathCollector(QStringList &paths) : m_paths(paths) {}
    void file(const char *path, std::size_t length, std::size_t, std::size_t) override
    {
        m_paths.append(QString::fromUtf8(path, qsizetype(length)));
    }

private:
    QStringList &m_paths;
};

} // namespace

Sampora::Sampora(GenrePreset genre)
    : m_random(QRandomGenerator::system()->generate())
{
    m_selection = &m_samples[HipHop];
    setGenre(genre);
    updateMedia();
}

Sampora::~Sampora() = default;

void Sampora::updateMedia()
{
    const ConfigFile::Result config = ConfigFile::load(Paths::configPath());
    if (!config.readable())
        return;

    // Older versions stored a folder again when it was imported as "/x/y/" after "/x/y": it is
    // one folder, and its samples must not come up twice as often in the draw. The file keeps
    // its entries until the user changes the library.
    std::array<QList<LibraryFolder>, 3> folders;
    for (const ConfigFile::Entry &entry : ConfigFile::entries(config.doc)) {
        const LibraryFolder folder{QDir::cleanPath(entry.path), *entry.type()};
        for (const GenrePreset genre : {HipHop, Techno, Custom}) {
            if (entry.inGenre(genre) && !folders[genre].contains(folder))
                folders[genre].append(folder);
        }
    }

    // A folder in several playlists or of several types is walked once and shared.
    QHash<QString, std::shared_ptr<const FolderFiles>> scanned;
    std::array<GenreLists, 3> samples;
    for (const GenrePreset genre : {HipHop, Techno, Custom}) {
        for (const LibraryFolder &folder : std::as_const(folders[genre])) {
            std::shared_ptr<const FolderFiles> &files = scanned[folder.path];
            if (!files)
                files = FolderFiles::scan(folder.path);
            samples[genre][folder.type].append(files);
        }
    }

    // m_selection points at an element of m_samples, which stays where it is.
    m_folders = std::move(folders);
    m_samples = std::move(samples);
}

void Sampora::setGenre(GenrePreset genre)
{
    m_genre = genre;
    if (isGenre(genre))
        m_selection = &m_samples[genre];
}

QString Sampora::randomSample(int sampleType, int &bpm)
{
    if (sampleType < Beat || sampleType > Bass)
        return QString();
    const SampleList &list = (*m_selection)[sampleType];
    if (list.isEmpty()) {
        qCDebug(lcLibrary) << noSamplesMessage(sampleType);
        return QString();
    }
    // uniform_int_distribution rejects the draws that would favour low indices.
    std::uniform_int_distribution<qsizetype> pick(0, list.size() - 1);
    const QString path = list.at(pick(m_random));
    const QStringView fileName = QStringView(path).mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    bpm = bpmFromFileName(fileName);
    qCDebug(lcLibrary) << "file name" << fileName;
    qCDebug(lcLibrary) << "BPM:" << bpm;
    qCDebug(lcLibrary) << "sending file: " << path;
    return path;
}

QStringList Sampora::sampleNamePatterns()
{
    QStringList patterns;
    for (const char *suffix : {"mp3", "wav", "aif", "mid"}) {
        QString pattern = QStringLiteral("*.");
        for (const QChar c : QLatin1String(suffix)) {
            if (c.isLetter())
                pattern += QLatin1Char('[') + c.toLower() + c.toUpper() + QLatin1Char(']');
            else
                pattern += c;
        }
        patterns << pattern;
    }
    return patterns;
}

int Sampora::bpmFromFileName(QStringView fileName)
{
    // Walk runs of digits from the end: the first run in range found is the last one in
    // the name. Values saturate, so a run too long for an int never qualifies.
    const char16_t *const begin = fileName.utf16();
    const char16_t *p = begin + fileName.size();
    auto isDigit = [](char16_t c) { return c >= u'0' && c <= u'9'; };
    while (p != begin) {
        const char16_t c = p[-1];
        if (c == u'/')
            break;
        if (!isDigit(c)) {
            --p;
            continue;
        }
        const char16_t *runEnd = p;
        while (p != begin && isDigit(p[-1]))
            --p;
        int value = 0;
        for (const char16_t *d = p; d != runEnd; ++d) {
            value = value * 10 + (*d - u'0');
            if (value > 1000)
                break;
        }
        if (value >= 51 && value <= 219)
            return value;
    }
    return -1;
}

QStringList Sampora::scanFolder(const QString &folder)
{
    QStringList paths;
    PathCollector collector(paths);
    FolderScanner::walk(folder, collector);
    return paths;
}

QList<LibraryFolder> Sampora::folders(GenrePreset genre) const
{
    return isGenre(genre) ? m_folders[genre] : QList<LibraryFolder>();
}

QStringList Sampora::samples(GenrePreset genre, SampleType type) const
{
    return isGenre(genre) ? m_samples[genre][type].toStringList() : QStringList();
}

qsizetype Sampora::sampleCount(GenrePreset genre, SampleType type) const
{
    return isGenre(genre) ? m_samples[genre][type].size() : 0;
}
