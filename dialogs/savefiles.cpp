#include "dialogs/savefiles.h"

#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSizePolicy>
#include <QStringList>

#include "dialogs/mixexport.h"
#include "library/logcategories.h"

SaveFiles::SaveFiles(const QVector<TrackInfo> &list, QWidget *parent)
    : QDialog(parent)
    , tracks(list)
    , projectName(new QComboBox(this))
    , directory(new QComboBox(this))
    , nameLabel(new QLabel(tr("Name Your Project:"), this))
    , directoryLabel(new QLabel(tr("In directory:"), this))
    , status(new QLabel(this))
    , browseButton(new QPushButton(tr("&Browse..."), this))
    , saveButton(new QPushButton(tr("&Save"), this))
{
    projectName->setObjectName(QStringLiteral("projectName"));
    projectName->setEditable(true);
    projectName->addItem(tr("MyBeats"));
    projectName->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);

    directory->setObjectName(QStringLiteral("directory"));
    directory->setEditable(true);
    directory->addItem(QDir::currentPath());
    directory->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);

    // Why a save did not happen, or did not fully happen: the user must not be left
    // believing a mix was stored when it was not.
    status->setObjectName(QStringLiteral("status"));
    status->setStyleSheet(QStringLiteral("color:#ff5a5a;"));
    status->setWordWrap(true);
    status->setTextInteractionFlags(Qt::TextSelectableByMouse);
    status->hide();

    browseButton->setObjectName(QStringLiteral("browseButton"));
    saveButton->setObjectName(QStringLiteral("saveButton"));
    // Enter after typing a name saves; it must not open the directory chooser instead.
    saveButton->setDefault(true);
    connect(browseButton, &QPushButton::clicked, this, &SaveFiles::browse);
    connect(saveButton, &QPushButton::clicked, this, &SaveFiles::save);

    auto *grid = new QGridLayout(this);
    grid->addWidget(nameLabel, 0, 0);
    grid->addWidget(projectName, 0, 1);
    grid->addWidget(directoryLabel, 1, 0);
    grid->addWidget(directory, 1, 1);
    grid->addWidget(browseButton, 1, 2);
    grid->addWidget(status, 2, 0, 1, 3);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(saveButton);
    grid->addLayout(buttons, 3, 0, 1, 3);

    setWindowTitle(tr("Save Files"));
    resize(500, 100);
}

void SaveFiles::remember(QComboBox *box)
{
    const QString text = box->currentText();
    if (box->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0)
        box->addItem(text);
}

void SaveFiles::showProblem(const QString &text)
{
    status->setText(text);
    status->show();
}

void SaveFiles::browse()
{
    const QString chosen = QFileDialog::getExistingDirectory(
        this, tr("Save Files"), QDir::currentPath(), QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty())
        return;
    int index = directory->findText(chosen, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0) {
        directory->addItem(chosen);
        index = directory->count() - 1;
    }
    directory->setCurrentIndex(index);
}

bool SaveFiles::createProjectFolder(const QString &name, const QString &dir)
{
    if (name.isEmpty()) {
        showProblem(tr("Please enter a project name."));
        return false;
    }
    // The name becomes one folder and the start of every file name in it.
    if (name.contains(QLatin1Char('/')) || name == QLatin1String(".") || name == QLatin1String("..")) {
        showProblem(
            tr("\"%1\" cannot be used as a folder name. Please choose another project name.").arg(name));
        return false;
    }
    if (dir.isEmpty()) {
        showProblem(tr("Please choose the directory to save the project in."));
        return false;
    }
    // Only the project folder itself is ever created, never the directory holding it:
    // a mistyped directory must not scatter folders over the disk.
    if (!QFileInfo(dir).isDir()) {
        showProblem(tr("The directory \"%1\" does not exist.").arg(dir));
        return false;
    }
    projectParent.setPath(dir);
    if (QFileInfo::exists(projectParent.filePath(name))) {
        showProblem(
            tr("\"%1\" already exists in \"%2\". Please choose another project name.").arg(name, dir));
        return false;
    }
    if (!projectParent.mkdir(name)) {
        showProblem(tr("The folder \"%1\" could not be created in \"%2\". Is the directory writable?")
                        .arg(name, dir));
        return false;
    }
    return true;
}

void SaveFiles::save()
{
    const QString name = projectName->currentText();
    const QString dir = directory->currentText();
    remember(projectName);
    remember(directory);
    status->hide();

    if (!createProjectFolder(name, dir))
        return;
    const QString folder = projectParent.filePath(name);

    QVector<MixExport::MixCopy> made;
    QStringList failures;
    for (const MixExport::MixCopy &copy : MixExport::plan(name, tracks)) {
        const QString target = folder + QLatin1Char('/') + copy.fileName;
        qCDebug(lcDialogs) << "copy:" << copy.source << "to:" << target;
        qCDebug(lcDialogs) << "rate: " << copy.rate;
        QFile source(copy.source);
        if (source.copy(target)) {
            made.append(copy);
            continue;
        }
        const QString reason
            = source.exists() ? source.errorString() : tr("the sample file no longer exists.");
        failures << tr("Slot %1 (%2) was not copied: %3")
                        .arg(copy.slot)
                        .arg(QFileInfo(copy.source).fileName(), reason);
    }

    // The info file lists only the copies that are really there, so that it never
    // promises a file the project does not hold.
    const QString infoPath = folder + QLatin1Char('/') + MixExport::infoFileName(name);
    qCDebug(lcDialogs) << QString(QLatin1String("text file path") + infoPath);
    const QByteArray text = MixExport::infoText(made).toUtf8();
    QFile info(infoPath);
    const bool infoWritten = info.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)
        && info.write(text) == text.size() && info.flush();
    if (!infoWritten)
        failures << tr("The info file \"%1\" could not be written: %2").arg(infoPath, info.errorString());
    info.close();

    if (failures.isEmpty()) {
        accept();
        return;
    }
    showProblem(tr("The project \"%1\" was saved incompletely.").arg(name) + QLatin1Char('\n')
        + failures.join(QLatin1Char('\n')));
}
