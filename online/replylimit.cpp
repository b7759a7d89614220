#include "online/replylimit.h"

#include <QNetworkReply>

#include "library/logcategories.h"

namespace {

const char kExceeded[] = "sampora_replyLimitExceeded";

} // namespace

namespace ReplyLimit {

void watch(QNetworkReply *reply, qint64 maxBytes)
{
    QObject::connect(reply, &QNetworkReply::downloadProgress, reply, [reply, maxBytes](qint64 received, qint64 total) {
        if (received > maxBytes || total > maxBytes) {
            qCDebug(lcOnline) << "answer larger than" << maxBytes << "bytes, aborted:" << reply->url().toString();
            reply->setProperty(kExceeded, true);
            reply->abort();
        }
    });
}

bool exceeded(const QNetworkReply &reply)
{
    return reply.property(kExceeded).toBool();
}

} // namespace ReplyLimit
