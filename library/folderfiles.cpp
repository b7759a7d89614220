#include "library/folderfiles.h"

#include <limits>

#include "library/folderscanner.h"

namespace {

class Collector final : public FolderScanner::Sink {
public:
    Collector(QByteArray &names, QList<quint32> &ends) : m_names(names), m_ends(ends) {}

    void file(const char *path, std::size_t length, std::size_t below) override
    {
        const std::size_t nameLength = length - below;
        if (std::size_t(m_names.size()) + nameLength > std::numeric_limits<quint32>::max())
            return; // beyond 4 GiB of names; no real library gets here
        m_names.append(path + below, qsizetype(nameLength));
        m_ends.append(quint32(m_names.size()));
    }

private:
    QByteArray &m_names;
    QList<quint32> &m_ends;
};

} // namespace

std::shared_ptr<const FolderFiles> FolderFiles::scan(const QString &folder)
{
    auto files = std::make_shared<FolderFiles>();
    files->m_root = FolderScanner::trimmedRoot(folder);
    Collector collector(files->m_names, files->m_ends);
    FolderScanner::walk(folder, collector);
    files->m_names.squeeze();
    files->m_ends.squeeze();
    return files;
}

QString FolderFiles::path(qsizetype i) const
{
    const quint32 begin = i == 0 ? 0 : m_ends.at(i - 1);
    const quint32 end = m_ends.at(i);
    QString result;
    result.reserve(m_root.size() + 1 + qsizetype(end - begin));
    result += m_root;
    result += QLatin1Char('/');
    result += QString::fromUtf8(m_names.constData() + begin, qsizetype(end - begin));
    return result;
}
