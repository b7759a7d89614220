#include "online/installerpolicy.h"

#include <QCoreApplication>
#include <QCryptographicHash>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("InstallerPolicy", text);
}

// Where a URL is served from, as the user reads it: host, and the port when one is named.
QString origin(const QUrl &url)
{
    return url.port() < 0 ? url.host() : QStringLiteral("%1:%2").arg(url.host()).arg(url.port());
}

} // namespace

namespace InstallerPolicy {

QString refuseLocation(const QUrl &manifestUrl, const QUrl &installerUrl)
{
    if (installerUrl.isEmpty())
        return tr("The update information names no installer to download.");
    const QString shown = installerUrl.toDisplayString(QUrl::RemoveUserInfo);
    if (!installerUrl.isValid() || installerUrl.scheme() != QLatin1String("https"))
        return tr("The installer is offered from an address that is not a secure web address (https):\n%1")
            .arg(shown);
    // Another port of the same machine is another service, which may not be ours.
    if (installerUrl.host().isEmpty() || installerUrl.scheme() != manifestUrl.scheme()
        || installerUrl.host() != manifestUrl.host() || installerUrl.port(443) != manifestUrl.port(443))
        return tr("The installer is offered from %1, not from the update server %2.")
            .arg(origin(installerUrl), origin(manifestUrl));
    return QString();
}

QString refuseContent(const QByteArray &installer, const std::optional<QString> &sha256)
{
    if (!sha256)
        return QString();
    const QByteArray expected = sha256->trimmed().toLatin1().toLower();
    const QByteArray actual = QCryptographicHash::hash(installer, QCryptographicHash::Sha256).toHex();
    if (expected != actual)
        return tr("The downloaded installer does not match the checksum the update server published.");
    return QString();
}

} // namespace InstallerPolicy
