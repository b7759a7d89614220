#pragma once

// Local servers on 127.0.0.1 for the online tests: a real HTTP server whose answers each test
// sets, and a raw TCP server for the ways a server can misbehave.

#ifndef SAMPORA_HAVE_HTTPSERVER
#error "The online tests need Qt HttpServer (Debian: qt6-httpserver-dev, qt6-websockets-dev)"
#endif

#include <QByteArray>
#include <QHostAddress>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <QUrlQuery>

using Status = QHttpServerResponder::StatusCode;

// Serves /version.xml, /spupdate.exe and /feedback.php from what the test put in its fields.
class TestHttpServer {
public:
    TestHttpServer()
    {
        server.route(QStringLiteral("/version.xml"), [this] {
            ++manifestRequests;
            QByteArray body = manifest;
            body.replace("$BASE", baseUrl().toString().toUtf8());
            return QHttpServerResponse(QByteArrayLiteral("application/xml"), body, manifestStatus);
        });
        server.route(QStringLiteral("/spupdate.exe"), [this] {
            ++installerRequests;
            return QHttpServerResponse(QByteArrayLiteral("application/octet-stream"), installer, installerStatus);
        });
        server.route(QStringLiteral("/feedback.php"), QHttpServerRequest::Method::Post,
            [this](const QHttpServerRequest &request) {
                feedbackBodies.append(request.body());
                feedbackContentType = request.value(QByteArrayLiteral("Content-Type"));
                return QHttpServerResponse(QByteArrayLiteral("text/plain"), feedbackReply, feedbackStatus);
            });
        port = server.listen(QHostAddress::LocalHost, 0);
    }

    QUrl baseUrl() const { return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port)); }

    // "$BASE" in the manifest stands for baseUrl().
    QByteArray manifest;
    Status manifestStatus = Status::Ok;
    QByteArray installer;
    Status installerStatus = Status::Ok;
    QByteArray feedbackReply = QByteArrayLiteral("Your feedback has been received.");
    Status feedbackStatus = Status::Ok;

    int manifestRequests = 0;
    int installerRequests = 0;
    QList<QByteArray> feedbackBodies;
    QByteArray feedbackContentType;
    quint16 port = 0;

private:
    QHttpServer server;
};

// Misbehaving servers: one that accepts and never answers, one whose body never ends, one that
// announces more bytes than it sends and hangs up.
class RawTcpServer : public QObject {
public:
    enum Mode { Hang, Endless, CutOff };

    explicit RawTcpServer(Mode mode)
        : mode(mode)
    {
        server.listen(QHostAddress::LocalHost, 0);
        connect(&server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = server.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
        });
    }

    QUrl url(const QString &path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server.serverPort()).arg(path));
    }

private:
    void answer(QTcpSocket *socket)
    {
        socket->readAll();
        if (mode == Hang || socket->property("answered").toBool())
            return;
        socket->setProperty("answered", true);
        if (mode == CutOff) {
            socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\nContent-Length: 100000\r\n\r\n"
                          "#!/bin/sh\n");
            socket->disconnectFromHost();
            return;
        }
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: application/xml\r\nConnection: close\r\n\r\n<v>");
        const QByteArray chunk(64 * 1024, 'x');
        connect(socket, &QTcpSocket::bytesWritten, socket, [socket, chunk] {
            if (socket->bytesToWrite() < chunk.size())
                socket->write(chunk);
        });
        socket->write(chunk);
    }

    Mode mode;
    QTcpServer server;
};

// A port that nothing listens on.
inline QUrl refusingUrl()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    const quint16 port = probe.serverPort();
    probe.close();
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(port));
}

// A form value as a standard form handler decodes it: "+" is a space, then percent-decoding.
inline QString formValue(const QByteArray &body, const QString &key)
{
    QByteArray raw = body;
    raw.replace('+', ' ');
    return QUrlQuery(QString::fromLatin1(raw)).queryItemValue(key, QUrl::FullyDecoded);
}
