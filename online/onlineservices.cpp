#include "online/onlineservices.h"

#ifndef SAMPORA_SERVICE_URL
#define SAMPORA_SERVICE_URL ""
#endif

namespace {

// A server that accepts the connection and never answers must not keep a check open forever;
// half a minute still lets a slow line deliver the installer.
constexpr std::chrono::milliseconds kDefaultTransferTimeout { 30000 };

QUrl &baseUrlOverride()
{
    static QUrl url;
    return url;
}

std::chrono::milliseconds &timeoutSetting()
{
    static std::chrono::milliseconds timeout = kDefaultTransferTimeout;
    return timeout;
}

QUrl withPath(const QString &file)
{
    QUrl url = OnlineServices::baseUrl();
    QString path = url.path();
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    url.setPath(path + QLatin1Char('/') + file);
    return url;
}

} // namespace

namespace OnlineServices {

QUrl baseUrl()
{
    const QUrl &url = baseUrlOverride();
    return url.isValid() && !url.isEmpty() ? url : QUrl(QStringLiteral(SAMPORA_SERVICE_URL));
}

bool isConfigured()
{
    const QUrl url = baseUrl();
    return url.isValid() && !url.host().isEmpty()
        && (url.scheme() == QLatin1String("https") || url.scheme() == QLatin1String("http"));
}

void setBaseUrl(const QUrl &url)
{
    baseUrlOverride() = url;
}

QUrl manifestUrl()
{
    return withPath(QStringLiteral("version.xml"));
}

QUrl feedbackUrl()
{
    return withPath(QStringLiteral("feedback.php"));
}

std::chrono::milliseconds transferTimeout()
{
    return timeoutSetting();
}

void setTransferTimeout(std::chrono::milliseconds timeout)
{
    timeoutSetting() = timeout;
}

} // namespace OnlineServices
