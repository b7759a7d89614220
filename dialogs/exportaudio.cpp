#include "dialogs/exportaudio.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "render/mixrenderworker.h"

namespace {
QString extensionFor(RenderFormat format) { return format == RenderFormat::Flac ? QStringLiteral("flac") : QStringLiteral("wav"); }

QString defaultFolder()
{
    const QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    return QFileInfo(music).isDir() ? music : QDir::homePath();
}
} // namespace

ExportAudioDialog::ExportAudioDialog(const RenderJob &deckMix, int defaultBars, QWidget *parent)
    : QDialog(parent)
    , mix(deckMix)
    , fileEdit(new QLineEdit(this))
    , chooseButton(new QPushButton(tr("Choose..."), this))
    , barsSpin(new QSpinBox(this))
    , lengthLabel(new QLabel(this))
    , formatBox(new QComboBox(this))
    , rateBox(new QComboBox(this))
    , stemsBox(new QCheckBox(tr("one file per row (stems)"), this))
    , progress(new QProgressBar(this))
    , message(new QLabel(this))
    , buttons(new QDialogButtonBox(QDialogButtonBox::Cancel, this))
    , exportButton(buttons->addButton(tr("Export"), QDialogButtonBox::AcceptRole))
    , worker(new MixRenderWorker(this))
{
    setWindowTitle(tr("Export Mix as Audio"));
    fileEdit->setObjectName(QStringLiteral("exportFile"));
    barsSpin->setObjectName(QStringLiteral("exportBars"));
    formatBox->setObjectName(QStringLiteral("exportFormat"));
    rateBox->setObjectName(QStringLiteral("exportRate"));
    stemsBox->setObjectName(QStringLiteral("exportStems"));
    message->setObjectName(QStringLiteral("exportMessage"));
    exportButton->setObjectName(QStringLiteral("exportButton"));

    fileEdit->setText(QDir(defaultFolder()).filePath(tr("Sampora mix") + QStringLiteral(".wav")));
    barsSpin->setRange(1, 999);
    barsSpin->setValue(std::clamp(defaultBars, 1, 999));
    formatBox->addItem(tr("WAV 16-bit"), int(RenderFormat::Wav16));
    formatBox->addItem(tr("WAV 24-bit"), int(RenderFormat::Wav24));
    formatBox->addItem(tr("FLAC"), int(RenderFormat::Flac));
    rateBox->addItem(tr("44.1 kHz"), 44100);
    rateBox->addItem(tr("48 kHz"), 48000);
    progress->setRange(0, 100);
    progress->hide();
    message->setWordWrap(true);
    message->hide();

    auto *fileRow = new QHBoxLayout;
    fileRow->addWidget(fileEdit, 1);
    fileRow->addWidget(chooseButton);
    auto *lengthRow = new QHBoxLayout;
    lengthRow->addWidget(barsSpin);
    lengthRow->addWidget(lengthLabel, 1);
    auto *form = new QFormLayout;
    form->addRow(tr("File:"), fileRow);
    form->addRow(tr("Length in bars:"), lengthRow);
    form->addRow(tr("Format:"), formatBox);
    form->addRow(tr("Sample rate:"), rateBox);
    form->addRow(QString(), stemsBox);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(progress);
    layout->addWidget(message);
    layout->addWidget(buttons);
    showLength();

    connect(chooseButton, &QPushButton::clicked, this, [this] {
        const QString chosen = chooseFile(targetPath());
        if (!chosen.isEmpty()) {
            fileEdit->setText(chosen);
            // The chooser has asked about replacing it already.
            confirmedOverwrite = targetPath();
        }
    });
    connect(barsSpin, &QSpinBox::valueChanged, this, &ExportAudioDialog::showLength);
    connect(formatBox, &QComboBox::currentIndexChanged, this, &ExportAudioDialog::formatChanged);
    connect(exportButton, &QPushButton::clicked, this, &ExportAudioDialog::startExport);
    connect(buttons, &QDialogButtonBox::rejected, this, &ExportAudioDialog::reject);
    connect(worker, &MixRenderWorker::progress, progress, &QProgressBar::setValue);
    connect(worker, &MixRenderWorker::finished, this, &ExportAudioDialog::renderFinished);
}

ExportAudioDialog::~ExportAudioDialog() = default;

RenderJob ExportAudioDialog::job() const
{
    RenderJob job = mix;
    job.bars = barsSpin->value();
    job.format = RenderFormat(formatBox->currentData().toInt());
    job.sampleRate = rateBox->currentData().toInt();
    job.target = targetPath();
    job.stems = stemsBox->isChecked();
    return job;
}

bool ExportAudioDialog::isRendering() const { return worker->isRunning(); }

QString ExportAudioDialog::chooseFile(const QString &current)
{
    return QFileDialog::getSaveFileName(this, tr("Export Mix as Audio"), current,
                                        tr("Audio files (*.wav *.flac)"), nullptr,
                                        QFileDialog::DontUseNativeDialog);
}

void ExportAudioDialog::reject()
{
    // Cancel while rendering stops the render; the dialog stays to say so.
    if (worker->isRunning()) {
        worker->cancel();
        return;
    }
    QDialog::reject();
}

QString ExportAudioDialog::targetPath() const
{
    const QString typed = fileEdit->text().trimmed();
    if (typed.isEmpty())
        return typed;
    const QString path = QDir::cleanPath(QDir(defaultFolder()).absoluteFilePath(typed));
    // A folder stays as it is, for startExport() to refuse.
    if (QFileInfo(path).suffix().isEmpty() && !QFileInfo(path).isDir())
        return path + QLatin1Char('.') + extensionFor(RenderFormat(formatBox->currentData().toInt()));
    return path;
}

void ExportAudioDialog::formatChanged()
{
    // A name that ends in the other format's extension gets this one's.
    const QString typed = fileEdit->text();
    const QString suffix = QFileInfo(typed).suffix().toLower();
    if (suffix == QLatin1String("wav") || suffix == QLatin1String("flac")) {
        fileEdit->setText(typed.left(typed.size() - suffix.size())
                          + extensionFor(RenderFormat(formatBox->currentData().toInt())));
    }
}

void ExportAudioDialog::showLength()
{
    const int seconds = qRound(job().seconds());
    // %L: the tempo's decimal mark is the user's ("88,5" in German).
    lengthLabel->setText(tr("%1:%2 at %L3 BPM")
                             .arg(seconds / 60)
                             .arg(seconds % 60, 2, 10, QLatin1Char('0'))
                             .arg(mix.gridBpm, 0, 'f', 1));
}

void ExportAudioDialog::startExport()
{
    const RenderJob next = job();
    if (next.target.isEmpty()) {
        tell(tr("Choose a file to export to."));
        return;
    }
    const QFileInfo target(next.target);
    if (!target.absoluteDir().exists()) {
        tell(tr("The folder %1 does not exist.").arg(QDir::toNativeSeparators(target.absolutePath())));
        return;
    }
    if (target.isDir()) {
        tell(tr("%1 is a folder: add a file name.").arg(QDir::toNativeSeparators(next.target)));
        return;
    }
    if (target.exists() && confirmedOverwrite != next.target) {
        confirmedOverwrite = next.target;
        tell(tr("%1 exists already. Press Export again to replace it.").arg(QDir::toNativeSeparators(next.target)));
        return;
    }
    message->hide();
    progress->setValue(0);
    progress->show();
    setEditable(false);
    worker->start(next);
}

void ExportAudioDialog::renderFinished(const RenderResult &result)
{
    setEditable(true);
    progress->hide();
    if (result.status == RenderResult::Written) {
        emit exported(job().target);
        accept();
        return;
    }
    tell(result.message);
}

void ExportAudioDialog::setEditable(bool on)
{
    for (QWidget *widget : std::initializer_list<QWidget *> {fileEdit, chooseButton, barsSpin, formatBox, rateBox, stemsBox, exportButton})
        widget->setEnabled(on);
}

void ExportAudioDialog::tell(const QString &text)
{
    message->setText(text);
    message->show();
}
