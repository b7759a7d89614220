#include "dialogs/importfolder.h"

#include <initializer_list>
#include <iterator>
#include <utility>

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "library/paths.h"

namespace {

QString flagValue(bool set)
{
    return set ? QStringLiteral("1") : QStringLiteral("0");
}

QGroupBox *stackedGroup(const QString &title, std::initializer_list<QWidget *> widgets, QWidget *parent)
{
    auto *group = new QGroupBox(title, parent);
    auto *layout = new QVBoxLayout(group);
    for (QWidget *widget : widgets)
        layout->addWidget(widget);
    layout->addStretch();
    return group;
}

// The main window's dark sheet cascades here and leaves the platform's unchecked indicators
// dark on dark: draw every indicator with a light frame, and the checked ones with a light mark.
const char kIndicatorStyle[] =
    "QRadioButton::indicator, QCheckBox::indicator {"
    " width: 12px; height: 12px; border: 1px solid #b8c2d6; background: #0d1a36; }"
    "QRadioButton::indicator { border-radius: 7px; }"
    "QRadioButton::indicator:checked {"
    " background: qradialgradient(cx:0.5, cy:0.5, radius:0.5, fx:0.5, fy:0.5,"
    " stop:0 white, stop:0.45 white, stop:0.55 #0d1a36, stop:1 #0d1a36); }"
    "QCheckBox::indicator:checked { image: url(pixmaps:check.png); }"
    "QRadioButton::indicator:hover, QCheckBox::indicator:hover { border-color: white; }";

} // namespace

ImportFolder::ImportFolder(QWidget *parent, std::optional<ConfigFile::Entry> folder)
    : QDialog(parent)
    , m_folder(std::move(folder))
{
    m_status = new QLabel(this);
    // Write errors name the system's reason; they wrap rather than widen the dialog.
    m_status->setWordWrap(true);
    auto *directoryLabel = new QLabel(editing() ? tr("Directory:") : tr("Import Directory:"), this);
    m_directory = new QComboBox(this);
    m_directory->setEditable(true);
    m_directory->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
    m_directory->addItem(editing() ? m_folder->pathAttr : QDir::currentPath());

    auto *browseButton = new QPushButton(tr("&Browse..."), this);
    auto *confirmButton = new QPushButton(editing() ? tr("&Save") : tr("&Import"), this);
    auto *cancelButton = new QPushButton(tr("&cancel"), this);
    connect(browseButton, &QPushButton::clicked, this, &ImportFolder::browse);
    connect(confirmButton, &QPushButton::clicked, this, &ImportFolder::import);
    connect(cancelButton, &QPushButton::clicked, this, &ImportFolder::cancel);

    m_hipHop = new QCheckBox(tr("&Hip Hop/ R&&B"));
    m_techno = new QCheckBox(tr("T&echno/House"));
    m_custom = new QCheckBox(tr("Cu&stom"));
    QGroupBox *genreGroup = stackedGroup(tr("Genre Playlist:"), {m_hipHop, m_techno, m_custom}, this);
    genreGroup->setFlat(true);

    m_melody = new QRadioButton(tr("&Melody"));
    m_beat = new QRadioButton(tr("B&eat/Effects"));
    m_bass = new QRadioButton(tr("Be&at/Bass"));
    QGroupBox *typeGroup = stackedGroup(tr("Sample Type"), {m_melody, m_beat, m_bass}, this);

    auto *buttonRow = new QHBoxLayout;
    buttonRow->addStretch();
    buttonRow->addWidget(confirmButton);
    buttonRow->addWidget(cancelButton);

    auto *grid = new QGridLayout(this);
    grid->addWidget(m_status, 0, 0, 1, 2);
    grid->addWidget(directoryLabel, 1, 0);
    grid->addWidget(m_directory, 1, 1, 1, 2);
    grid->addWidget(browseButton, 1, 3);
    grid->addWidget(genreGroup, 2, 1);
    grid->addWidget(typeGroup, 2, 2);
    grid->addLayout(buttonRow, 2, 3);

    // Enter after typing a folder imports (or saves) it; it must not open the chooser or,
    // in edit mode, put the stored path back over the typed one.
    confirmButton->setDefault(true);
    // Tab follows the form as it reads: folder, chooser, genres, type, then the buttons.
    QWidget *const tabOrder[] = { m_directory, browseButton, m_hipHop, m_techno, m_custom, m_melody, m_beat,
        m_bass, confirmButton, cancelButton };
    for (std::size_t i = 1; i < std::size(tabOrder); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    m_directory->setFocus();

    if (editing()) {
        m_hipHop->setChecked(m_folder->hipHop);
        m_techno->setChecked(m_folder->techno);
        m_custom->setChecked(m_folder->custom);
        // The first type flag set wins here, in the order melody, beat, bass.
        QRadioButton *type = m_folder->melody ? m_melody
            : m_folder->beat                  ? m_beat
            : m_folder->bass                  ? m_bass
                                              : m_melody;
        type->setChecked(true);
    } else {
        m_custom->setChecked(true);
        m_melody->setChecked(true);
    }

    setWindowTitle(editing() ? tr("Edit Folder") : tr("Import Folder"));
    setStyleSheet(QLatin1String(kIndicatorStyle));
    resize(500, 150);
}

void ImportFolder::browse()
{
    if (editing()) {
        selectDirectory(m_folder->pathAttr);
        return;
    }
    // Opened rather than exec()'d: the dialog stays responsive to the event loop, and a
    // test can answer the chooser like a user would.
    auto *chooser = new QFileDialog(this, tr("Import Samples"), QDir::currentPath());
    chooser->setAttribute(Qt::WA_DeleteOnClose);
    chooser->setFileMode(QFileDialog::Directory);
    chooser->setOption(QFileDialog::ShowDirsOnly);
    connect(chooser, &QFileDialog::fileSelected, this, &ImportFolder::selectDirectory);
    chooser->open();
}

void ImportFolder::import()
{
    const QString typed = m_directory->currentText();
    addDirectory(typed);
    QString text = typed;
    text.replace(QLatin1Char('\\'), QLatin1Char('/'));

    const std::optional<QString> path = pathToStore(text);
    if (!path) {
        m_status->setStyleSheet(QStringLiteral("QLabel {color : red}"));
        m_status->setText(tr("Folder does not exist."));
        return;
    }
    const ConfigWriteResult written = ConfigWriter(Paths::configPath()).addOrReplace(attributes(*path));
    if (!written.ok) {
        m_status->setText(written.message);
        return;
    }
    accept();
}

void ImportFolder::cancel()
{
    reject();
}

void ImportFolder::addDirectory(const QString &text)
{
    if (m_directory->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive) < 0)
        m_directory->addItem(text);
}

void ImportFolder::selectDirectory(const QString &text)
{
    if (text.isEmpty())
        return;
    addDirectory(text);
    m_directory->setCurrentIndex(m_directory->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

// The path that is tested must be the one that is stored, and both must mean what the
// library will read. A new relative or empty text is taken against the working
// directory, as the user sees it, and stored absolute; the library would otherwise read
// it against the program's directory. Every new path is stored in one clean form, so
// that "/x/y/" and "/x/y" are one entry and the folder is not drawn from twice. The
// unchanged path of the entry being edited keeps its stored form (so the entry is
// replaced, not duplicated) and its meaning.
std::optional<QString> ImportFolder::pathToStore(const QString &text) const
{
    if (editing() && text == m_folder->pathAttr)
        return QFileInfo(m_folder->path).isDir() ? std::optional(text) : std::nullopt;
    const QString path = QDir::cleanPath(QDir::current().absoluteFilePath(text));
    return QFileInfo(path).isDir() ? std::optional(path) : std::nullopt;
}

ConfigWriter::Attributes ImportFolder::attributes(const QString &path) const
{
    return {{ConfigFile::kPathAttr, path},
            {ConfigFile::kMelodyAttr, flagValue(m_melody->isChecked())},
            {ConfigFile::kBeatAttr, flagValue(m_beat->isChecked())},
            {ConfigFile::kBassAttr, flagValue(m_bass->isChecked())},
            {ConfigFile::kHipHopAttr, flagValue(m_hipHop->isChecked())},
            {ConfigFile::kTechnoAttr, flagValue(m_techno->isChecked())},
            {ConfigFile::kCustomAttr, flagValue(m_custom->isChecked())}};
}
