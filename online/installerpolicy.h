#pragma once

#include <optional>

#include <QByteArray>
#include <QString>
#include <QUrl>

// What an installer offered by a manifest must satisfy before it is fetched and run as root.
// Each check returns the reason for the user when it refuses, and an empty string when the
// installer may go on.
namespace InstallerPolicy {

// The installer must come over https from the scheme, host and port that served the manifest:
// no file: or data: URLs, no plain http, no other server or service.
QString refuseLocation(const QUrl &manifestUrl, const QUrl &installerUrl);

// When the manifest publishes a SHA-256 digest (64 hex digits, any case, surrounding blanks
// ignored), the downloaded bytes must match it. Without one there is nothing to compare.
QString refuseContent(const QByteArray &installer, const std::optional<QString> &sha256);

} // namespace InstallerPolicy
