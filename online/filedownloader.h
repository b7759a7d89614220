#pragma once

#include <QByteArray>
#include <QObject>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

// Fetches one URL into memory with an HTTP GET issued at construction and reports the
// outcome by signal: downloaded() once the whole body has arrived with HTTP success,
// noConnection() for everything else (no route, refusal, an HTTP error status, a stalled
// transfer, a cut-off body, a body larger than the limit).
class FileDownloader : public QObject {
    Q_OBJECT

public:
    // A manifest is a few hundred bytes; anything near this size is not one.
    static constexpr qint64 kDefaultMaxBytes = 1024 * 1024;

    explicit FileDownloader(QUrl url, QObject *parent = nullptr, qint64 maxBytes = kDefaultMaxBytes);
    ~FileDownloader() override;

    QUrl url() const;

    // The body of the reply; empty until downloaded() has been emitted.
    QByteArray downloadedData() const;

signals:
    void downloaded();
    void updateAvailable();
    void noConnection();

private slots:
    void fileDownloaded(QNetworkReply *pReply);

private:
    QNetworkAccessManager *manager;
    QUrl requestedUrl;
    QByteArray replyData;
};
