#include "library/folderscanner.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

namespace {

constexpr std::size_t kDirentBufferSize = 64 * 1024;

inline unsigned char lowerAscii(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c | 0x20) : c;
}

// Closes a directory descriptor on every way out of a scope.
class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Fd(const Fd &) = delete;
    Fd &operator=(const Fd &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

enum class Kind { File, Dir, Other };

// The kind of an entry; a symbolic link counts by what it points at, except that
// linked folders are never walked (a link back to an ancestor would never end).
Kind kindOf(int dirFd, const char *name, unsigned char type, bool wantFile)
{
    switch (type) {
    case DT_REG:
        return Kind::File;
    case DT_DIR:
        return Kind::Dir;
    case DT_LNK: {
        if (!wantFile)
            return Kind::Other;
        struct stat st;
        return (::fstatat(dirFd, name, &st, 0) == 0 && S_ISREG(st.st_mode)) ? Kind::File : Kind::Other;
    }
    case DT_UNKNOWN: {
        // Some file systems report no type; ask once, without following links.
        struct stat st;
        if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            return Kind::Other;
        if (S_ISREG(st.st_mode))
            return Kind::File;
        if (S_ISDIR(st.st_mode))
            return Kind::Dir;
        if (S_ISLNK(st.st_mode))
            return kindOf(dirFd, name, DT_LNK, wantFile);
        return Kind::Other;
    }
    default:
        return Kind::Other;
    }
}

} // namespace

bool FolderScanner::isSampleName(const char *name, std::size_t length)
{
    if (length < 4 || name[length - 4] != '.')
        return false;
    const unsigned char a = lowerAscii(static_cast<unsigned char>(name[length - 3]));
    const unsigned char b = lowerAscii(static_cast<unsigned char>(name[length - 2]));
    const unsigned char c = lowerAscii(static_cast<unsigned char>(name[length - 1]));
    switch (a) {
    case 'm':
        return (b == 'p' && c == '3') || (b == 'i' && c == 'd');
    case 'w':
        return b == 'a' && c == 'v';
    case 'a':
        return b == 'i' && c == 'f';
    default:
        return false;
    }
}

QString FolderScanner::trimmedRoot(const QString &folder)
{
    qsizetype end = folder.size();
    while (end > 0 && folder.at(end - 1) == QLatin1Char('/'))
        --end;
    return folder.left(end);
}

void FolderScanner::walk(const QString &folder, Sink &sink)
{
    if (folder.isEmpty())
        return;
    const QByteArray root = QFile::encodeName(trimmedRoot(folder));
    const Fd rootFd(::open(root.isEmpty() ? "/" : root.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (rootFd.get() < 0)
        return;

    std::string path(root.constData(), std::size_t(root.size()));
    path += '/';
    const std::size_t below = path.size();
    path.reserve(4096);

    const std::unique_ptr<char[]> buffer(new char[kDirentBufferSize]);
    // Folders still to walk, as paths below the root; a stack keeps the walk depth-first
    // without recursion, so no tree is too deep for it.
    std::vector<std::string> pending{std::string()};
    while (!pending.empty()) {
        const std::string rel = std::move(pending.back());
        pending.pop_back();
        const Fd dirFd(rel.empty() ? ::dup(rootFd.get())
                                   : ::openat(rootFd.get(), rel.c_str(),
                                              O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
        if (dirFd.get() < 0)
            continue;
        path.resize(below);
        if (!rel.empty()) {
            path += rel;
            path += '/';
        }
        const std::size_t dirLength = path.size();
        const std::size_t firstSubdir = pending.size();

        for (;;) {
            const ssize_t n = ::getdents64(dirFd.get(), buffer.get(), kDirentBufferSize);
            if (n <= 0)
                break;
            for (ssize_t offset = 0; offset < n;) {
                const auto *entry = reinterpret_cast<const struct dirent64 *>(buffer.get() + offset);
                offset += entry->d_reclen;
                const char *name = entry->d_name;
                if (name[0] == '.')
                    continue; // hidden, "." and ".."
                const std::size_t nameLength = std::strlen(name);
                const bool sampleName = isSampleName(name, nameLength);
                switch (kindOf(dirFd.get(), name, entry->d_type, sampleName)) {
                case Kind::File:
                    if (sampleName) {
                        path.resize(dirLength);
                        path.append(name, nameLength);
                        sink.file(path.data(), path.size(), below, dirLength);
                    }
                    break;
                case Kind::Dir:
                    if (rel.empty())
                        pending.emplace_back(name, nameLength);
                    else
                        pending.push_back(rel + '/' + std::string(name, nameLength));
                    break;
                case Kind::Other:
                    break;
                }
            }
        }
        // The stack pops the last pushed first; reverse so subfolders go in listing order.
        std::reverse(pending.begin() + std::ptrdiff_t(firstSubdir), pending.end());
    }
}
