#pragma once

#include <QByteArray>
#include <QHttpServer>
#include <QString>

// Serves version.xml naming the given version and an installer on this server, the installer
// itself, and takes feedback POSTs the way a PHP form handler would decode them.
class RefServer {
public:
    RefServer(const QString &version, const QByteArray &installer, const QString &feedbackLog);

    // Returns the port listened on, 0 on failure.
    quint16 listen(const QHostAddress &address, quint16 port);

private:
    QByteArray manifest(const QHttpServerRequest &request) const;
    QHttpServerResponse takeFeedback(const QHttpServerRequest &request) const;

    QHttpServer server;
    QString version;
    QByteArray installer;
    QString feedbackLog;
};
