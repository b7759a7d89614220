#include "online/filedownloader.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include "library/logcategories.h"
#include "online/onlineservices.h"
#include "online/replylimit.h"

namespace {

bool isHttp(const QUrl &url)
{
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

// Qt reports 4xx/5xx statuses and bodies cut short as errors, but not every status outside
// 2xx (an unfollowed redirect, for one): only a 2xx answer is the file asked for.
bool isCompleteSuccess(QNetworkReply *reply)
{
    if (reply->error() != QNetworkReply::NoError)
        return false;
    if (!isHttp(reply->url()))
        return true;
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    return status >= 200 && status <= 299;
}

} // namespace

FileDownloader::FileDownloader(QUrl url, QObject *parent, qint64 maxBytes)
    : QObject(parent)
    , manager(new QNetworkAccessManager(this))
    , requestedUrl(std::move(url))
{
    connect(manager, &QNetworkAccessManager::finished, this, &FileDownloader::fileDownloaded);
    QNetworkRequest request(requestedUrl);
    request.setTransferTimeout(int(OnlineServices::transferTimeout().count()));
    // Qt's default would follow an https redirect to any host: the file must come from the
    // server that was asked.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);
    ReplyLimit::watch(manager->get(request), maxBytes);
}

FileDownloader::~FileDownloader() = default;

QUrl FileDownloader::url() const
{
    return requestedUrl;
}

QByteArray FileDownloader::downloadedData() const
{
    return replyData;
}

void FileDownloader::fileDownloaded(QNetworkReply *pReply)
{
    pReply->deleteLater();
    if (!isCompleteSuccess(pReply)) {
        qCDebug(lcOnline) << "download failed:" << pReply->url().toString()
                 << pReply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt() << pReply->errorString();
        emit noConnection();
        return;
    }
    replyData = pReply->readAll();
    emit downloaded();
}
