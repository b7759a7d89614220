#pragma once

#include <QString>
#include <QTemporaryDir>

// A temporary directory that stands in for the program's directory for as long as it
// lives: config.xml, relative sample folders and the libvlc include folder resolve here, and
// the user's cache folder (the tempo cache) and settings folder lie below it.
class TempProgramDir : public QTemporaryDir {
public:
    TempProgramDir();
    ~TempProgramDir();

    // Writes text to path() + "/" + name, creating folders; returns the full path.
    QString writeFile(const QString &name, const QByteArray &content) const;

private:
    QByteArray m_cacheHome; // XDG_CACHE_HOME as it was before
    bool m_hadCacheHome = false;
    QByteArray m_configHome; // XDG_CONFIG_HOME as it was before
    bool m_hadConfigHome = false;
};

#if defined(__SANITIZE_ADDRESS__)
#define SAMPORA_ADDRESS_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SAMPORA_ADDRESS_SANITIZED 1
#endif
#endif

namespace TestSupport {

// The build runs under AddressSanitizer (tools/sanitize.sh).
#ifdef SAMPORA_ADDRESS_SANITIZED
inline constexpr bool kAddressSanitized = true;
#else
inline constexpr bool kAddressSanitized = false;
#endif

// True when a PulseAudio server answers (tests with real timing need one; without it
// libvlc drops the audio and reaches the end early).
bool audioServerAnswers();

// The repository's root, as the build passes it to the tests.
QString sourceDir();

// Root passes every permission check, and CI runs as root: a case about what a user may not
// write runs again in a copy of this test executable as the unprivileged user nobody.
bool runningAsRoot();
// Runs the current test function and data row that way; false with the child's output on a
// failure or when it could not be started.
bool passesAsNobody(QString *output);

} // namespace TestSupport
