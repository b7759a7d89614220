#include "online/replyfailure.h"

#include <QCoreApplication>
#include <QNetworkReply>

#include "online/replylimit.h"

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("ReplyFailure", text);
}

QString httpStatus(const QNetworkReply &reply)
{
    const int status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QString reason = reply.attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString().trimmed();
    return reason.isEmpty() ? QString::number(status) : QStringLiteral("%1 %2").arg(status).arg(reason);
}

} // namespace

namespace ReplyFailure {

QString describe(const QNetworkReply &reply)
{
    switch (reply.error()) {
    case QNetworkReply::NoError:
        break;
    case QNetworkReply::ConnectionRefusedError:
        return tr("The server refused the connection.");
    case QNetworkReply::HostNotFoundError:
        return tr("The server's address could not be found.");
    // A transfer that stalls past its timeout is aborted, which Qt reports as cancelled;
    // so is an answer cut off at its size limit.
    case QNetworkReply::TimeoutError:
    case QNetworkReply::OperationCanceledError:
        if (ReplyLimit::exceeded(reply))
            return tr("The server's answer was far longer than any answer expected here.");
        return tr("The server did not answer in time.");
    case QNetworkReply::SslHandshakeFailedError:
        return tr("The secure connection to the server failed: %1").arg(reply.errorString());
    case QNetworkReply::RemoteHostClosedError:
        return tr("The server closed the connection before answering.");
    default:
        if (reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
            return tr("The server answered with HTTP status %1.").arg(httpStatus(reply));
        return reply.errorString();
    }
    // Qt takes some answers outside 2xx (an unfollowed redirect, for one) as no error.
    const QVariant status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299))
        return tr("The server answered with HTTP status %1.").arg(httpStatus(reply));
    return QString();
}

} // namespace ReplyFailure
