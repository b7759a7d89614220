#include "online/filedownloader.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

#include "library/logcategories.h"
#include "online/onlineservices.h"

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
    , maxBytes(maxBytes)
{
    connect(manager, &QNetworkAccessManager::finished, this, &FileDownloader::fileDownloaded);
    QNetworkRequest request(url);
    request.setTransferTimeout(int(OnlineServices::transferTimeout().count()));
    watchSize(manager->get(request));
}

FileDownloader::~FileDownloader() = default;

QByteArray FileDownloader::downloadedData() const
{
    return replyData;
}

void FileDownloader::watchSize(QNetworkReply *reply)
{
    // Checked while the body streams in, so an endless or oversized answer is cut off
    // before it fills the memory.
    connect(reply, &QNetworkReply::downloadProgress, this, [this, reply](qint64 received, qint64 total) {
        if (received > maxBytes || total > maxBytes) {
            qCDebug(lcOnline) << "download larger than" << maxBytes << "bytes, aborted:" << reply->url().toString();
            reply->abort();
        }
    });
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
