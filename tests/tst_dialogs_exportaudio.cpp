// The export-as-audio dialog: what it offers, what it refuses before rendering, and that
// Cancel stops a render and keeps the dialog open to say so.
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include "dialogs/exportaudio.h"
#include "tools/audiogen.h"

namespace {

class ExportAudioDialogTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void offersTheDeckMix();
    void formatKeepsTheExtension();
    void refusesBeforeRendering_data();
    void refusesBeforeRendering();
    void replacesOnlyWhenAskedTwice();
    void cancelStopsTheRender();

private:
    void clickExport() { QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("exportButton")), Qt::LeftButton); }
    QLineEdit *fileEdit() const { return dialog->findChild<QLineEdit *>(QStringLiteral("exportFile")); }
    QString message() const
    {
        auto *label = dialog->findChild<QLabel *>(QStringLiteral("exportMessage"));
        return label->isVisible() ? label->text() : QString();
    }

    QTemporaryDir dir;
    RenderJob mix;
    std::unique_ptr<ExportAudioDialog> dialog;
};

void ExportAudioDialogTest::initTestCase()
{
    const QString loop = dir.filePath(QStringLiteral("loop 100.wav"));
    QVERIFY(AudioGen::writeWav(loop, AudioGen::clickLoop(2.4, 4, 500)));
    mix.rows = {{loop, 1.05}};
    mix.gridBpm = 105;
}

void ExportAudioDialogTest::init()
{
    dialog = std::make_unique<ExportAudioDialog>(mix, 3);
    dialog->show();
}

void ExportAudioDialogTest::cleanup() { dialog.reset(); }

void ExportAudioDialogTest::offersTheDeckMix()
{
    const RenderJob job = dialog->job();
    QCOMPARE(job.bars, 3);
    QCOMPARE(job.format, RenderFormat::Wav16);
    QCOMPARE(job.sampleRate, 44100);
    QCOMPARE(job.gridBpm, 105.0);
    QCOMPARE(job.rows.size(), 1);
    QVERIFY(job.target.endsWith(QLatin1String(".wav")));
    const auto *format = dialog->findChild<QComboBox *>(QStringLiteral("exportFormat"));
    const auto *rate = dialog->findChild<QComboBox *>(QStringLiteral("exportRate"));
    QCOMPARE(format->count(), 3);
    QCOMPARE(format->itemText(2), QStringLiteral("FLAC"));
    QCOMPARE(rate->itemText(1), QStringLiteral("48 kHz"));
}

void ExportAudioDialogTest::formatKeepsTheExtension()
{
    auto *format = dialog->findChild<QComboBox *>(QStringLiteral("exportFormat"));
    fileEdit()->setText(dir.filePath(QStringLiteral("set.wav")));
    format->setCurrentIndex(2);
    QCOMPARE(fileEdit()->text(), dir.filePath(QStringLiteral("set.flac")));
    // A name without an extension gets the format's when it is used.
    fileEdit()->setText(dir.filePath(QStringLiteral("set")));
    QCOMPARE(dialog->job().target, dir.filePath(QStringLiteral("set.flac")));
}

void ExportAudioDialogTest::refusesBeforeRendering_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("because");
    QTest::newRow("no name") << "  " << "Choose a file";
    QTest::newRow("missing folder") << "nowhere/mix.wav" << "does not exist";
    QTest::newRow("a folder") << "." << "is a folder";
}

void ExportAudioDialogTest::refusesBeforeRendering()
{
    QFETCH(QString, file);
    QFETCH(QString, because);
    fileEdit()->setText(file.trimmed().isEmpty() ? file : dir.filePath(file));
    clickExport();
    QVERIFY2(message().contains(because), qPrintable(message()));
    QVERIFY(!dialog->isRendering());
    QVERIFY(dialog->isVisible());
}

void ExportAudioDialogTest::replacesOnlyWhenAskedTwice()
{
    const QString target = dir.filePath(QStringLiteral("old.wav"));
    QFile old(target);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("an earlier mix");
    old.close();
    fileEdit()->setText(target);
    clickExport();
    QVERIFY2(message().contains(QLatin1String("exists already")), qPrintable(message()));
    QVERIFY(!dialog->isRendering());

    QSignalSpy exported(dialog.get(), &ExportAudioDialog::exported);
    clickExport();
    QVERIFY(exported.wait(20000));
    QCOMPARE(exported.first().first().toString(), target);
    QVERIFY(!dialog->isVisible());
    QVERIFY(QFileInfo(target).size() > 1000);
}

void ExportAudioDialogTest::cancelStopsTheRender()
{
    QTemporaryDir folder;
    dialog->findChild<QSpinBox *>(QStringLiteral("exportBars"))->setValue(999);
    fileEdit()->setText(folder.filePath(QStringLiteral("long.wav")));
    clickExport();
    QVERIFY(dialog->isRendering());
    QVERIFY(!fileEdit()->isEnabled());
    dialog->reject(); // Cancel, Escape and the close button all end here
    QTRY_VERIFY_WITH_TIMEOUT(!dialog->isRendering(), 20000);
    QVERIFY(dialog->isVisible());
    QVERIFY2(message().contains(QLatin1String("cancelled")), qPrintable(message()));
    QVERIFY(fileEdit()->isEnabled());
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
}

} // namespace

QTEST_MAIN(ExportAudioDialogTest)
#include "tst_dialogs_exportaudio.moc"
