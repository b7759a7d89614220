#include <QtTest>

#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "dialogs/mixexport.h"
#include "dialogs/savefiles.h"
#include "support/testsupport.h"
#include "tools/audiogen.h"

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

QComboBox *combo(SaveFiles &dialog, const char *name)
{
    return dialog.findChild<QComboBox *>(QLatin1String(name));
}

QLabel *status(SaveFiles &dialog)
{
    return dialog.findChild<QLabel *>(QStringLiteral("status"));
}

void pressSave(SaveFiles &dialog, const QString &name, const QString &dir)
{
    combo(dialog, "projectName")->setCurrentText(name);
    combo(dialog, "directory")->setCurrentText(dir);
    QTest::mouseClick(dialog.findChild<QPushButton *>(QStringLiteral("saveButton")), Qt::LeftButton);
}

} // namespace

// The save dialog on real files: what it creates, what it refuses, and what it says.
class TestSaveFiles : public QObject {
    Q_OBJECT

    QTemporaryDir samples;
    QString melody, beat, bass, other;

private slots:
    void initTestCase()
    {
        QVERIFY(samples.isValid());
        melody = samples.filePath(QStringLiteral("melody 90.wav"));
        beat = samples.filePath(QStringLiteral("beat 120.wav"));
        bass = samples.filePath(QStringLiteral("bass 95.aiff"));
        other = samples.filePath(QStringLiteral("Ночь 100.wav"));
        QVERIFY(AudioGen::writeWav(melody, AudioGen::tone(0.3, 440)));
        QVERIFY(AudioGen::writeWav(beat, AudioGen::tone(0.2, 220)));
        QVERIFY(AudioGen::writeAiff(bass, AudioGen::tone(0.25, 110)));
        QVERIFY(AudioGen::writeWav(other, AudioGen::tone(0.1, 330)));
    }

    void form()
    {
        SaveFiles dialog(QVector<TrackInfo>(5));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Save Files"));
        QCOMPARE(dialog.size(), QSize(500, 100));

        auto *grid = qobject_cast<QGridLayout *>(dialog.layout());
        QVERIFY(grid);
        const auto at = [grid](int row, int column) {
            QLayoutItem *item = grid->itemAtPosition(row, column);
            return item ? item->widget() : nullptr;
        };
        QCOMPARE(qobject_cast<QLabel *>(at(0, 0))->text(), QStringLiteral("Name Your Project:"));
        QCOMPARE(at(0, 1), combo(dialog, "projectName"));
        QCOMPARE(qobject_cast<QLabel *>(at(1, 0))->text(), QStringLiteral("In directory:"));
        QCOMPARE(at(1, 1), combo(dialog, "directory"));
        QCOMPARE(qobject_cast<QPushButton *>(at(1, 2))->text(), QStringLiteral("&Browse..."));
        QLayout *buttonRow = grid->itemAtPosition(3, 0)->layout();
        QVERIFY(buttonRow);
        QVERIFY(buttonRow->itemAt(0)->spacerItem());
        QCOMPARE(
            qobject_cast<QPushButton *>(buttonRow->itemAt(1)->widget())->text(), QStringLiteral("&Save"));

        for (const char *name : { "projectName", "directory" }) {
            QComboBox *box = combo(dialog, name);
            QVERIFY(box->isEditable());
            QCOMPARE(box->count(), 1);
            QCOMPARE(box->sizePolicy().horizontalPolicy(), QSizePolicy::Expanding);
            QCOMPARE(box->sizePolicy().verticalPolicy(), QSizePolicy::Preferred);
        }
        QCOMPARE(combo(dialog, "projectName")->currentText(), QStringLiteral("MyBeats"));
        QCOMPARE(combo(dialog, "directory")->currentText(), QDir::currentPath());
        QVERIFY(!status(dialog)->isVisibleTo(&dialog));
    }

    void savesTheMix()
    {
        QTemporaryDir target;
        QVector<TrackInfo> tracks(5);
        tracks[0] = { melody, 90, 90, 1.0f };
        tracks[2] = { bass, 95, 95, 0.8571f };
        tracks[3] = { melody, 0, 0, 1.5f }; // the same sample on a second player
        tracks[4] = { other, -1, -1, 1.0f };
        const QString name = QStringLiteral("Ночная смесь");

        SaveFiles dialog(tracks);
        dialog.show();
        // Later changes on the deck do not reach an open dialog.
        tracks[1] = { beat, 120, 120, 1.0f };
        pressSave(dialog, name, target.path());

        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const QString folder = target.filePath(name);
        QCOMPARE(entries(target.path()), QStringList { name });
        QStringList expected { name + "_1_90BPM.wav", name + "_3_95BPM.aiff", name + "_4.wav",
            name + "_5.wav", name + " Info.txt" };
        expected.sort();
        QCOMPARE(entries(folder), expected);
        QCOMPARE(contents(folder + "/" + name + "_1_90BPM.wav"), contents(melody));
        QCOMPARE(contents(folder + "/" + name + "_3_95BPM.aiff"), contents(bass));
        QCOMPARE(contents(folder + "/" + name + "_4.wav"), contents(melody));
        QCOMPARE(contents(folder + "/" + name + "_5.wav"), contents(other));

        const QString info = MixExport::banner() + name + "_1_90BPM.wav Playing at:1.000\n" + name
            + "_3_95BPM.aiff Playing at:0.857\n" + name + "_4.wav Playing at:1.500\n" + name
            + "_5.wav Playing at:1.000\n";
        QCOMPARE(contents(folder + "/" + name + " Info.txt"), info.toUtf8());

        QCOMPARE(combo(dialog, "projectName")->count(), 2);
        QCOMPARE(combo(dialog, "projectName")->itemText(1), name);
        QCOMPARE(combo(dialog, "directory")->itemText(1), target.path());
    }

    void emptyMixWritesOnlyTheBanner()
    {
        QTemporaryDir target;
        SaveFiles dialog(QVector<TrackInfo>(5));
        dialog.show();
        pressSave(dialog, QStringLiteral("Nothing"), target.path());
        QVERIFY(!dialog.isVisible());
        QCOMPARE(entries(target.filePath("Nothing")), QStringList { "Nothing Info.txt" });
        QCOMPARE(contents(target.filePath("Nothing/Nothing Info.txt")), MixExport::banner().toUtf8());
    }

    void enterSaves()
    {
        QTemporaryDir target;
        SaveFiles dialog(QVector<TrackInfo>(5));
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        combo(dialog, "directory")->setCurrentText(target.path());
        QComboBox *name = combo(dialog, "projectName");
        name->setFocus();
        name->setCurrentText(QStringLiteral("Typed"));
        bool chooserOpened = false;
        QTimer::singleShot(1000, &dialog, [&chooserOpened] {
            if (auto *modal = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
                chooserOpened = true;
                modal->reject();
            }
        });
        QTest::keyClick(name->lineEdit(), Qt::Key_Return);
        QVERIFY(!chooserOpened);
        QTRY_VERIFY(QFileInfo::exists(target.filePath(QStringLiteral("Typed/Typed Info.txt"))));
        QVERIFY(!dialog.isVisible());
    }

    void refusesAndSaysWhy_data()
    {
        // clang-format off
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("dir"); // relative to the target directory; "-" for empty
        QTest::addColumn<QString>("reason");
        QTest::newRow("folder exists") << "Taken" << "" << "already exists";
        QTest::newRow("empty name") << "" << "" << "enter a project name";
        QTest::newRow("no such directory") << "Mix" << "/missing/deeper" << "does not exist";
        QTest::newRow("no directory") << "Mix" << "-" << "choose the directory";
        QTest::newRow("slash in name") << "a/b" << "" << "cannot be used";
        QTest::newRow("dot dot") << ".." << "" << "cannot be used";
        // clang-format on
    }
    void refusesAndSaysWhy()
    {
        QFETCH(QString, name);
        QFETCH(QString, dir);
        QFETCH(QString, reason);
        QTemporaryDir target;
        QVERIFY(QDir(target.path()).mkpath(QStringLiteral("Taken/a")));
        QFile kept(target.filePath(QStringLiteral("Taken/keep.txt")));
        QVERIFY(kept.open(QIODevice::WriteOnly));
        kept.write("mine");
        kept.close();
        const QStringList before = entries(target.path());

        QVector<TrackInfo> tracks(5);
        tracks[0] = { melody, 90, 90, 1.0f };
        SaveFiles dialog(tracks);
        dialog.show();
        pressSave(dialog, name, dir == QLatin1String("-") ? QString() : target.path() + dir);

        // Still open, nothing created, nothing touched, and the reason on screen.
        QVERIFY(dialog.isVisible());
        QVERIFY(status(dialog)->isVisible());
        QVERIFY2(status(dialog)->text().contains(reason), qPrintable(status(dialog)->text()));
        QCOMPARE(entries(target.path()), before);
        QCOMPARE(entries(target.filePath(QStringLiteral("Taken"))), (QStringList { "a", "keep.txt" }));
        QCOMPARE(contents(target.filePath(QStringLiteral("Taken/keep.txt"))), QByteArray("mine"));
    }

    void failedCopyIsReported()
    {
        QTemporaryDir target;
        QTemporaryDir gone;
        const QString vanished = gone.filePath(QStringLiteral("lost 120.wav"));
        QVERIFY(AudioGen::writeWav(vanished, AudioGen::tone(0.1, 200)));
        QVector<TrackInfo> tracks(5);
        tracks[0] = { melody, 90, 90, 1.0f };
        tracks[1] = { vanished, 120, 120, 1.25f };
        SaveFiles dialog(tracks);
        dialog.show();
        QVERIFY(QFile::remove(vanished));
        pressSave(dialog, QStringLiteral("Partial"), target.path());

        const QString folder = target.filePath(QStringLiteral("Partial"));
        QCOMPARE(entries(folder), (QStringList { "Partial Info.txt", "Partial_1_90BPM.wav" }));
        // The info file lists the copy that is there, not the one that is not.
        QCOMPARE(contents(folder + "/Partial Info.txt"),
            (MixExport::banner() + "Partial_1_90BPM.wav Playing at:1.000\n").toUtf8());
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.result() != QDialog::Accepted);
        const QString text = status(dialog)->text();
        QVERIFY2(text.contains(QStringLiteral("Slot 2")) && text.contains(QStringLiteral("lost 120.wav"))
                && text.contains(QStringLiteral("no longer exists")),
            qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("Slot 1")));

        // The folder now exists: a second press with the same name is refused.
        pressSave(dialog, QStringLiteral("Partial"), target.path());
        QVERIFY(status(dialog)->text().contains(QStringLiteral("already exists")));
        QCOMPARE(entries(folder), (QStringList { "Partial Info.txt", "Partial_1_90BPM.wav" }));
        QCOMPARE(combo(dialog, "projectName")->count(), 2);
    }

    void browse()
    {
        QTemporaryDir chosen;
        SaveFiles dialog(QVector<TrackInfo>(5));
        dialog.show();
        QComboBox *dirs = combo(dialog, "directory");
        auto *button = dialog.findChild<QPushButton *>(QStringLiteral("browseButton"));
        const auto answer = [](const QString &dir) {
            QTimer::singleShot(0, [dir] {
                auto *chooser = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
                QVERIFY(chooser);
                if (dir.isEmpty()) {
                    chooser->reject();
                } else {
                    chooser->setDirectory(dir);
                    static_cast<QDialog *>(chooser)->accept();
                }
            });
        };

        answer(QString());
        button->click();
        QCOMPARE(dirs->count(), 1);
        QCOMPARE(dirs->currentText(), QDir::currentPath());

        answer(chosen.path());
        button->click();
        QCOMPARE(dirs->count(), 2);
        QCOMPARE(dirs->currentText(), chosen.path());

        dirs->setCurrentIndex(0);
        answer(chosen.path());
        button->click();
        QCOMPARE(dirs->count(), 2);
        QCOMPARE(dirs->currentIndex(), 1);
    }
};

QTEST_MAIN(TestSaveFiles)
#include "tst_dialogs_savefiles.moc"
