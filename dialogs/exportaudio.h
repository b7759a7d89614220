#pragma once

#include <QDialog>

#include "render/renderjob.h"

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;
class MixRenderWorker;
struct RenderResult;

// File > "Export Mix as Audio...": asks for the file, the length in bars, the format and the
// rate, then renders the deck's mix on a worker thread with a progress bar and Cancel.
// Closes once the file is written; a failure or a cancel is told in the dialog, which stays.
class ExportAudioDialog : public QDialog {
    Q_OBJECT

public:
    // `mix` holds the rows, the deck volume and the grid; `defaultBars` the length offered.
    ExportAudioDialog(const RenderJob &mix, int defaultBars, QWidget *parent = nullptr);
    ~ExportAudioDialog() override;

    // The job the form describes now (target with its extension).
    RenderJob job() const;
    bool isRendering() const;

public slots:
    // While rendering, cancels the render and stays open; otherwise closes.
    void reject() override;

signals:
    void exported(const QString &path);

protected:
    // The file the chooser picked; empty when the user cancels. Tests replace it.
    virtual QString chooseFile(const QString &current);

private:
    void startExport();
    void renderFinished(const RenderResult &result);
    void formatChanged();
    void showLength();
    void setEditable(bool on);
    void tell(const QString &message);
    QString targetPath() const;

    RenderJob mix;
    QLineEdit *fileEdit;
    QPushButton *chooseButton;
    QSpinBox *barsSpin;
    QLabel *lengthLabel;
    QComboBox *formatBox;
    QComboBox *rateBox;
    QCheckBox *stemsBox;
    QProgressBar *progress;
    QLabel *message;
    QDialogButtonBox *buttons;
    QPushButton *exportButton;
    MixRenderWorker *worker;
    QString confirmedOverwrite; // a target that exists and that the user chose to replace
};
