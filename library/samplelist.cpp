#include "library/samplelist.h"

#include <algorithm>

void SampleList::append(std::shared_ptr<const FolderFiles> files)
{
    if (!files || files->size() == 0)
        return;
    m_ends.append(size() + files->size());
    m_parts.append(std::move(files));
}

void SampleList::clear()
{
    m_parts.clear();
    m_ends.clear();
}

QString SampleList::at(qsizetype i) const
{
    const auto part = std::upper_bound(m_ends.cbegin(), m_ends.cend(), i);
    const qsizetype index = part - m_ends.cbegin();
    const qsizetype first = index == 0 ? 0 : m_ends.at(index - 1);
    return m_parts.at(index)->path(i - first);
}

QStringList SampleList::toStringList() const
{
    QStringList paths;
    paths.reserve(size());
    for (const auto &part : m_parts) {
        for (qsizetype i = 0; i < part->size(); ++i)
            paths.append(part->path(i));
    }
    return paths;
}
