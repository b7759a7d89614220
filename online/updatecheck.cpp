#include "online/updatecheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "library/logcategories.h"
#include "online/filedownloader.h"
#include "online/installerlauncher.h"
#include "online/installerpolicy.h"
#include "online/onlineservices.h"
#include "online/updatemanifest.h"
#include "online/userprompt.h"

UpdateCheck::UpdateCheck(QObject *parent, bool checkAtStart)
    : QObject(parent)
    // The program's version as the application states it, the same one About and --version show.
    , currentVersion(QCoreApplication::applicationVersion())
{
    if (checkAtStart && OnlineServices::isConfigured())
        fetchManifest();
    connect(this, &UpdateCheck::upToDate, this, &UpdateCheck::nothingToDo);
    connect(this, &UpdateCheck::updateAvailable, this, &UpdateCheck::downloadPrompt);
}

void UpdateCheck::manualCheck()
{
    qCDebug(lcOnline) << "checking for updates";
    manual = true;
    if (!OnlineServices::isConfigured()) {
        UserPrompt::inform(tr("Update"), tr("This build of Sampora has no update service configured."));
        return;
    }
    fetchManifest();
}

QString UpdateCheck::installerDir() const
{
    return savedInstallerDir;
}

void UpdateCheck::fetchManifest()
{
    downloader = new FileDownloader(OnlineServices::manifestUrl(), this);
    connect(downloader, &FileDownloader::downloaded, this, &UpdateCheck::parseXML);
    connect(downloader, &FileDownloader::noConnection, this, &UpdateCheck::noConn);
    freeWhenDone(downloader);
}

void UpdateCheck::freeWhenDone(FileDownloader *done)
{
    // Connected after the handlers: the downloader (with its network manager and the whole
    // body it holds) goes once they have returned.
    connect(done, &FileDownloader::downloaded, done, &QObject::deleteLater);
    connect(done, &FileDownloader::noConnection, done, &QObject::deleteLater);
}

FileDownloader *UpdateCheck::reportingDownloader() const
{
    if (auto *source = qobject_cast<FileDownloader *>(sender()))
        return source;
    return downloader;
}

void UpdateCheck::parseXML()
{
    qCDebug(lcOnline) << "Got Web Data!";
    const FileDownloader *source = reportingDownloader();
    const UpdateManifest::Contents manifest
        = UpdateManifest::parse(source ? source->downloadedData() : QByteArray(), currentVersion);
    if (manifest.latestVersion)
        latestVersion = *manifest.latestVersion;
    if (manifest.updateAvailable) {
        offered.manifestUrl = source ? source->url() : OnlineServices::manifestUrl();
        offered.installerUrl = QUrl(manifest.downloadLocation.value_or(QString()).trimmed(), QUrl::StrictMode);
        offered.sha256 = manifest.sha256;
    }
    qCDebug(lcOnline) << manifest.updateAvailable;
    if (manifest.updateAvailable)
        downloadPrompt();
    else
        emit upToDate();
}

void UpdateCheck::downloadPrompt()
{
    qCDebug(lcOnline) << "download prompt";
    const QMessageBox::StandardButton answer = UserPrompt::show({ QMessageBox::Question,
        tr("Update Available"),
        tr("An update to version ") + latestVersion + tr(" is available. \n Would you like to download and install?"),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel });
    if (answer == QMessageBox::Yes) {
        const QString refusal = InstallerPolicy::refuseLocation(offered.manifestUrl, offered.installerUrl);
        if (!refusal.isEmpty()) {
            refuse(refusal);
            return;
        }
        accepted = offered;
        downloader = installerDownloader = new FileDownloader(accepted.installerUrl, this, kMaxInstallerBytes);
        connect(installerDownloader, &FileDownloader::downloaded, this, &UpdateCheck::install);
        // The user is waiting for the installer now: a failed download must not pass in silence.
        connect(installerDownloader, &FileDownloader::noConnection, this, [] {
            UserPrompt::show({ QMessageBox::Warning, tr("Update"),
                tr("The update could not be downloaded. Please try again later."), QMessageBox::Ok });
        });
        freeWhenDone(installerDownloader);
    } else if (answer == QMessageBox::No) {
        UserPrompt::inform(tr("Declined"), tr("The update will NOT download"));
    }
}

void UpdateCheck::nothingToDo()
{
    if (manual)
        UserPrompt::inform(tr("Update"), tr("Current version is installed."));
}

void UpdateCheck::noConn()
{
    if (manual)
        UserPrompt::inform(tr("Update"), tr("No internet connection."));
}

void UpdateCheck::refuse(const QString &reason)
{
    qCDebug(lcOnline) << "installer refused:" << reason;
    UserPrompt::show({ QMessageBox::Warning, tr("Update"),
        tr("The update was refused:\n%1").arg(reason), QMessageBox::Ok });
}

void UpdateCheck::install()
{
    const FileDownloader *source = reportingDownloader();
    // Only the installer the user accepted last is run; an earlier one arriving late is not.
    if (!source || source != installerDownloader)
        return;
    const QByteArray installer = source->downloadedData();
    const QString refusal = InstallerPolicy::refuseContent(installer, accepted.sha256);
    if (!refusal.isEmpty()) {
        refuse(refusal);
        return;
    }
    QString path;
    QString error;
    if (!saveInstaller(installer, &path, &error)) {
        qCDebug(lcOnline) << "installer not saved:" << error;
        UserPrompt::show({ QMessageBox::Warning, tr("Update"),
            tr("The update could not be saved:\n%1").arg(error), QMessageBox::Ok });
        return;
    }
    if (!InstallerLauncher::start(path)) {
        qCDebug(lcOnline) << "installer not started:" << path;
        // Nothing runs from it: the folder with a root-bound installer must not linger.
        QDir(savedInstallerDir).removeRecursively();
        savedInstallerDir.clear();
        UserPrompt::show({ QMessageBox::Warning, tr("Update"),
            tr("The update installer could not be started:\n%1").arg(QDir::toNativeSeparators(path)),
            QMessageBox::Ok });
        return;
    }
    emit updateStarted();
}

bool UpdateCheck::saveInstaller(const QByteArray &bytes, QString *path, QString *error)
{
    // A folder of our own (mode 0700) rather than a fixed name in the shared temporary
    // directory: another user could otherwise plant or swap the file that is run as root.
    const QString tempPath = QDir::tempPath();
    // An unusable TMPDIR yields an empty path, which would put the folder at the root.
    if (tempPath.isEmpty()) {
        *error = tr("No temporary directory is available.");
        return false;
    }
    QTemporaryDir dir(tempPath + QStringLiteral("/sampora-update-XXXXXX"));
    if (!dir.isValid()) {
        *error = dir.errorString();
        return false;
    }
    // The installer still runs after this program has closed; the folder must outlive it.
    dir.setAutoRemove(false);
    *path = dir.filePath(QStringLiteral("spupdate.exe"));
    QFile file(*path);
    const bool written = file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && file.write(bytes) == bytes.size()
        && file.flush()
        && file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser
            | QFile::WriteUser | QFile::ExeUser);
    if (!written) {
        *error = file.errorString();
        file.close();
        dir.remove();
        return false;
    }
    file.close();
    savedInstallerDir = dir.path();
    return true;
}
