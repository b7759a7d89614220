#include "online/replylimit.h"

#include <QNetworkReply>

#include "library/logcategories.h"

namespace ReplyLimit {

void watch(QNetworkReply *reply, qint64 maxBytes)
{
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply, maxBytes](qint64 received, qint64 total) {
        if (received > maxBytes || total > maxBytes) {
            qCDebug(lcOnline) << "answer larger than" << maxBytes << "bytes, aborted:" << reply->url().toString();
            reply->abort();
        }
    });
}

} // namespace ReplyLimit
