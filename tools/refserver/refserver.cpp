#include "refserver.h"

#include <QDateTime>
#include <QFile>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QTextStream>
#include <QUrlQuery>

namespace {

// As a form handler reads application/x-www-form-urlencoded: "+" is a space, then
// percent-decoding, then the bytes as UTF-8.
QString formValue(const QByteArray &body, const QString &key)
{
    QByteArray raw = body;
    raw.replace('+', ' ');
    return QUrlQuery(QString::fromLatin1(raw)).queryItemValue(key, QUrl::FullyDecoded);
}

} // namespace

RefServer::RefServer(const QString &version, const QByteArray &installer, const QString &feedbackLog)
    : version(version)
    , installer(installer)
    , feedbackLog(feedbackLog)
{
    server.route(QStringLiteral("/version.xml"), QHttpServerRequest::Method::Get,
        [this](const QHttpServerRequest &request) {
            return QHttpServerResponse(QByteArrayLiteral("application/xml"), manifest(request));
        });
    server.route(QStringLiteral("/spupdate.exe"), QHttpServerRequest::Method::Get, [this] {
        return QHttpServerResponse(QByteArrayLiteral("application/octet-stream"), this->installer);
    });
    server.route(QStringLiteral("/feedback.php"), QHttpServerRequest::Method::Post,
        [this](const QHttpServerRequest &request) { return takeFeedback(request); });
}

quint16 RefServer::listen(const QHostAddress &address, quint16 port)
{
    return server.listen(address, port);
}

QByteArray RefServer::manifest(const QHttpServerRequest &request) const
{
    QUrl location = request.url();
    location.setPath(QStringLiteral("/spupdate.exe"));
    location.setQuery(QString());
    return QByteArrayLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<sampora_update>\n  <version>")
        + version.toHtmlEscaped().toUtf8() + QByteArrayLiteral("</version>\n  <download_location>")
        + location.toString().toHtmlEscaped().toUtf8()
        + QByteArrayLiteral("</download_location>\n  <update_args></update_args>\n</sampora_update>\n");
}

QHttpServerResponse RefServer::takeFeedback(const QHttpServerRequest &request) const
{
    const QString from = formValue(request.body(), QStringLiteral("from"));
    const QString message = formValue(request.body(), QStringLiteral("message"));
    QTextStream out(stdout);
    out << "feedback from \"" << from << "\":\n" << message << "\n---\n";
    out.flush();
    if (!feedbackLog.isEmpty()) {
        QFile log(feedbackLog);
        if (log.open(QIODevice::WriteOnly | QIODevice::Append)) {
            QTextStream stream(&log);
            stream << QDateTime::currentDateTimeUtc().toString(Qt::ISODate) << " from: " << from << '\n'
                   << message << "\n---\n";
        }
    }
    if (message.trimmed().isEmpty())
        return QHttpServerResponse(QByteArrayLiteral("text/plain"), "Please write a message before sending.");
    return QHttpServerResponse(QByteArrayLiteral("text/plain"), "Your feedback has been received. Thank you!");
}
