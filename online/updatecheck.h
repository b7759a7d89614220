#pragma once

#include <optional>

#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>

class FileDownloader;

// Compares the version named by the update server's manifest with the running one and, if
// the user agrees, downloads the installer, starts it with root rights and announces
// updateStarted() so that the main window can close for it. Construction starts the first,
// quiet check unless checkAtStart is false; after manualCheck() every outcome is reported.
// Without a configured service address nothing is ever requested.
class UpdateCheck : public QObject {
    Q_OBJECT

public:
    // An installer is far larger than a manifest but must still fit in memory.
    static constexpr qint64 kMaxInstallerBytes = 512LL * 1024 * 1024;

    explicit UpdateCheck(QObject *parent = nullptr, bool checkAtStart = true);

    void manualCheck();

    // The folder created for the last saved installer (empty before one was saved, and again
    // once a folder whose installer could not be started has been removed).
    QString installerDir() const;

signals:
    void updateAvailable();
    void upToDate();
    void updateStarted();

public slots:
    void parseXML();
    void downloadPrompt();
    void nothingToDo();
    void noConn();
    void install();

private:
    // What the newest manifest offered, kept together so that the installer is judged by the
    // manifest that named it.
    struct Offer {
        QUrl manifestUrl;
        QUrl installerUrl;
        std::optional<QString> sha256;
    };

    void fetchManifest();
    void freeWhenDone(FileDownloader *done);
    // The downloader whose downloaded() triggered the running slot, so that a check started
    // meanwhile cannot hand its data to an earlier request's handler.
    FileDownloader *reportingDownloader() const;
    void refuse(const QString &reason);
    bool saveInstaller(const QByteArray &bytes, QString *path, QString *error);

    QPointer<FileDownloader> downloader;
    QString currentVersion;
    QString latestVersion;
    Offer offered;
    Offer accepted;
    QPointer<FileDownloader> installerDownloader;
    bool manual = false;
    QString savedInstallerDir;
};
