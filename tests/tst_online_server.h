#pragma once

// Local servers on 127.0.0.1 for the online tests: a real HTTP(S) server whose answers each
// test sets, and a raw TCP server for the ways a server can misbehave.

#ifndef SAMPORA_HAVE_HTTPSERVER
#error "The online tests need Qt HttpServer (Debian: qt6-httpserver-dev, qt6-websockets-dev)"
#endif

#include <memory>

#include <QByteArray>
#include <QFile>
#include <QHostAddress>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponse>
#include <QList>
#include <QSslConfiguration>
#include <QSslKey>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <QUrlQuery>

#include "support/testsupport.h"

using Status = QHttpServerResponder::StatusCode;

enum class Transport { Http, Https };

// The server side of https on loopback: a self-signed certificate for 127.0.0.1 kept with the
// tests. The first call makes this process's clients trust it, as a system CA would.
inline QSslConfiguration loopbackTls()
{
    static const QSslConfiguration server = [] {
        const auto read = [](const char *name) {
            QFile file(TestSupport::sourceDir() + QStringLiteral("/tests/support/") + QLatin1String(name));
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        const QSslCertificate certificate(read("loopback-tls.crt"), QSsl::Pem);
        QSslConfiguration client = QSslConfiguration::defaultConfiguration();
        client.addCaCertificate(certificate);
        QSslConfiguration::setDefaultConfiguration(client);

        QSslConfiguration config = QSslConfiguration::defaultConfiguration();
        config.setLocalCertificate(certificate);
        config.setPrivateKey(QSslKey(read("loopback-tls.key"), QSsl::Ec, QSsl::Pem));
        config.setPeerVerifyMode(QSslSocket::VerifyNone);
        return config;
    }();
    return server;
}

// Serves /version.xml, /spupdate.exe (and a cut-off /cut/spupdate.exe) and /feedback.php from what
// the test put in its fields.
class TestHttpServer {
public:
    explicit TestHttpServer(Transport transport = Transport::Http)
        : scheme(transport == Transport::Https ? QStringLiteral("https") : QStringLiteral("http"))
    {
        server.route(QStringLiteral("/version.xml"), [this] {
            ++manifestRequests;
            QByteArray body = manifest;
            body.replace("$BASE", baseUrl().toString().toUtf8());
            return QHttpServerResponse(QByteArrayLiteral("application/xml"), body, manifestStatus);
        });
        server.route(QStringLiteral("/spupdate.exe"), [this] {
            ++installerRequests;
            if (!redirectInstallerTo.isEmpty()) {
                QHttpServerResponse moved(Status::Found);
                moved.addHeader(QByteArrayLiteral("Location"), redirectInstallerTo.toUtf8());
                return moved;
            }
            return QHttpServerResponse(QByteArrayLiteral("application/octet-stream"), installer, installerStatus);
        });
        // Announces more bytes than it sends: an installer download cut off midway.
        server.route(QStringLiteral("/cut/spupdate.exe"), [this](const QHttpServerRequest &, QHttpServerResponder &&responder) {
            ++installerRequests;
            responder.writeStatusLine();
            responder.writeHeader(QByteArrayLiteral("Content-Type"), QByteArrayLiteral("application/octet-stream"));
            responder.writeHeader(QByteArrayLiteral("Content-Length"), QByteArrayLiteral("100000"));
            responder.writeBody(installer.left(4));
        });
        server.route(QStringLiteral("/feedback.php"), QHttpServerRequest::Method::Post,
            [this](const QHttpServerRequest &request) {
                feedbackBodies.append(request.body());
                feedbackContentType = request.value(QByteArrayLiteral("Content-Type"));
                return QHttpServerResponse(QByteArrayLiteral("text/plain"), feedbackReply, feedbackStatus);
            });
        if (transport == Transport::Https)
            server.sslSetup(loopbackTls());
        port = server.listen(QHostAddress::LocalHost, 0);
    }

    QUrl baseUrl() const { return QUrl(QStringLiteral("%1://127.0.0.1:%2").arg(scheme).arg(port)); }

    // "$BASE" in the manifest stands for baseUrl().
    QByteArray manifest;
    Status manifestStatus = Status::Ok;
    QByteArray installer;
    Status installerStatus = Status::Ok;
    QString redirectInstallerTo; // answers the installer request with a redirect when set
    QByteArray feedbackReply = QByteArrayLiteral("Your feedback has been received.");
    Status feedbackStatus = Status::Ok;

    int manifestRequests = 0;
    int installerRequests = 0;
    QList<QByteArray> feedbackBodies;
    QByteArray feedbackContentType;
    quint16 port = 0;

private:
    QString scheme;
    QHttpServer server;
};

// Misbehaving servers: one that accepts and never answers, one whose body never ends, one that
// announces more bytes than it sends and hangs up.
class RawTcpServer : public QObject {
public:
    enum Mode { Hang, Endless, CutOff };

    explicit RawTcpServer(Mode mode, Transport transport = Transport::Http)
        : mode(mode)
        , tls(transport == Transport::Https)
    {
        if (tls) {
            auto sslServer = std::make_unique<QSslServer>();
            sslServer->setSslConfiguration(loopbackTls());
            server = std::move(sslServer);
        } else {
            server = std::make_unique<QTcpServer>();
        }
        server->listen(QHostAddress::LocalHost, 0);
        connect(server.get(), &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket *socket = server->nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { answer(socket); });
        });
    }

    QUrl url(const QString &path) const
    {
        return QUrl(QStringLiteral("%1://127.0.0.1:%2%3")
                        .arg(tls ? QStringLiteral("https") : QStringLiteral("http"))
                        .arg(server->serverPort())
                        .arg(path));
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
    bool tls;
    std::unique_ptr<QTcpServer> server;
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
