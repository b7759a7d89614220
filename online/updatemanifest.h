#pragma once

#include <optional>

#include <QByteArray>
#include <QString>

// What an update manifest (version.xml) says, read as a stream so that the elements count
// wherever they stand and malformed data yields whatever was read before the fault.
namespace UpdateManifest {

struct Contents {
    std::optional<QString> latestVersion; // text of the last "version" element
    std::optional<QString> downloadLocation; // text of the last "download_location" element
    std::optional<QString> sha256; // text of the last "sha256" element: the installer's digest
    bool updateAvailable = false; // some "version" differed from the running version
};

// Texts are taken exactly as written; the comparison is exact and case-sensitive.
Contents parse(const QByteArray &xml, const QString &currentVersion);

} // namespace UpdateManifest
