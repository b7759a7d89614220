#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

class FileDownloader;

// Compares the version named by the update server's manifest with the running one and, if
// the user agrees, downloads the installer, starts it with root rights and announces
// updateStarted() so that the main window can close for it. Construction starts the first,
// quiet check; after manualCheck() every outcome is reported.
class UpdateCheck : public QObject {
    Q_OBJECT

public:
    // An installer is far larger than a manifest but must still fit in memory.
    static constexpr qint64 kMaxInstallerBytes = 512LL * 1024 * 1024;

    explicit UpdateCheck(QObject *parent = nullptr);

    void manualCheck();

    // The folder created for the last saved installer (empty before one was saved).
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
    void fetchManifest();
    // The downloader whose downloaded() triggered the running slot, so that a check started
    // meanwhile cannot hand its data to an earlier request's handler.
    FileDownloader *reportingDownloader() const;
    bool saveInstaller(const QByteArray &bytes, QString *path, QString *error);

    QUrl downloadUrl;
    FileDownloader *downloader = nullptr;
    QString currentVersion;
    QString latestVersion;
    bool manual = false;
    QString savedInstallerDir;
};
