#include "library/folderfiles.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "library/folderscanner.h"

namespace {

quint32 begin(const QList<quint32> &ends, qsizetype i)
{
    return i == 0 ? 0 : ends.at(i - 1);
}

} // namespace

// The walker hands over the files of one folder in a row, so a new subfolder record is
// needed only when the folder part changes.
class FolderFilesCollector final : public FolderScanner::Sink {
public:
    explicit FolderFilesCollector(FolderFiles &files) : m_files(files) {}

    void file(const char *path, std::size_t length, std::size_t below, std::size_t name) override
    {
        constexpr std::size_t limit = std::numeric_limits<quint32>::max();
        const std::size_t dirLength = name - below;
        const std::size_t nameLength = length - name;
        if (std::size_t(m_files.m_names.size()) + nameLength > limit
            || std::size_t(m_files.m_dirs.size()) + dirLength > limit)
            return; // beyond 4 GiB of names; no real library gets here
        if (!sameDir(path + below, dirLength)) {
            m_files.m_dirs.append(path + below, qsizetype(dirLength));
            m_files.m_dirEnds.append(quint32(m_files.m_dirs.size()));
            m_files.m_dirFirst.append(quint32(m_files.m_nameEnds.size()));
        }
        m_files.m_names.append(path + name, qsizetype(nameLength));
        m_files.m_nameEnds.append(quint32(m_files.m_names.size()));
    }

private:
    bool sameDir(const char *dir, std::size_t length) const
    {
        const QList<quint32> &ends = m_files.m_dirEnds;
        if (ends.isEmpty())
            return false;
        const quint32 first = begin(ends, ends.size() - 1);
        return ends.last() - first == length && std::memcmp(m_files.m_dirs.constData() + first, dir, length) == 0;
    }

    FolderFiles &m_files;
};

std::shared_ptr<const FolderFiles> FolderFiles::scan(const QString &folder)
{
    auto files = std::make_shared<FolderFiles>();
    files->m_root = FolderScanner::trimmedRoot(folder);
    FolderFilesCollector collector(*files);
    FolderScanner::walk(folder, collector);
    files->m_names.squeeze();
    files->m_nameEnds.squeeze();
    files->m_dirs.squeeze();
    files->m_dirEnds.squeeze();
    files->m_dirFirst.squeeze();
    return files;
}

QString FolderFiles::path(qsizetype i) const
{
    const qsizetype dir = std::upper_bound(m_dirFirst.cbegin(), m_dirFirst.cend(), quint32(i)) - m_dirFirst.cbegin() - 1;
    const quint32 dirBegin = begin(m_dirEnds, dir);
    const quint32 nameBegin = begin(m_nameEnds, i);
    QByteArray below;
    below.reserve(qsizetype(m_dirEnds.at(dir) - dirBegin + m_nameEnds.at(i) - nameBegin));
    below.append(m_dirs.constData() + dirBegin, qsizetype(m_dirEnds.at(dir) - dirBegin));
    below.append(m_names.constData() + nameBegin, qsizetype(m_nameEnds.at(i) - nameBegin));
    return m_root + QLatin1Char('/') + QString::fromUtf8(below);
}
