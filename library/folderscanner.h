#pragma once

#include <cstddef>

#include <QString>

// The recursive walk behind the library scan. It reads directories with getdents64 and
// the entry type the kernel reports, builds every path in one buffer and tests the
// suffix on raw bytes, so nothing is allocated and nothing is stat'ed for files that
// are not kept: on a warm cache it runs about as fast as `find -type f`.
class FolderScanner {
public:
    class Sink {
    public:
        // path: the full path as UTF-8 (folder, "/", the path below it), not
        // NUL-terminated; below: where the path below the folder starts; name: where
        // the file's own name starts. The files of one folder arrive one after another.
        virtual void file(const char *path, std::size_t length, std::size_t below, std::size_t name) = 0;

    protected:
        ~Sink() = default;
    };

    // Hands every sample file below folder to sink, at any depth, in directory order
    // (files of a folder before its subfolders). Hidden entries (a leading dot) are
    // skipped, symbolic links to folders are not descended into, symbolic links to
    // regular files count as files. Unreadable or missing folders contribute nothing.
    static void walk(const QString &folder, Sink &sink);

    // ".mp3", ".wav", ".aif" or ".mid" at the end of the name, in any letter case.
    static bool isSampleName(const char *name, std::size_t length);

    // The folder path as scanned paths start: trailing slashes removed ("/" becomes "").
    static QString trimmedRoot(const QString &folder);
};
