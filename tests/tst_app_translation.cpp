#include <QtTest>

#include <QDialogButtonBox>
#include <QLabel>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>
#include <QXmlStreamReader>

#include "app/mainwindow.h"
#include "app/translations.h"
#include "dialogs/exportaudio.h"
#include "online/installerpolicy.h"
#include "support/menumnemonics.h"
#include "support/testsupport.h"

// Run with a German system locale (ctest sets LC_ALL=de_DE.UTF-8): the window speaks German,
// and Qt's own buttons do too.
class TestAppTranslation : public QObject {
    Q_OBJECT

private slots:
    void windowInGerman()
    {
        QCOMPARE(QLocale().language(), QLocale::German);
        const Translations translations;
        QVERIFY(translations.programTranslated());

        TempProgramDir dir;
        MainWindow window(false);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QStringList menus;
        const QList<QAction *> entries = window.menuBar()->actions();
        for (QAction *entry : entries) {
            if (!entry->isSeparator())
                menus << entry->text();
        }
        QCOMPARE(menus, QStringList({"&Datei", "&Bearbeiten", "&Playlist", "&Hilfe"}));
        // A translation picks its own underlined letters: they must not clash either.
        const QStringList clashes = TestSupport::mnemonicClashes(entries);
        QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(QLatin1Char('\n'))));
        QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("Lassen Sie Ihre Sample-Bibliothek für sich arbeiten!"));

        // Qt's base translations: a standard button of a message box or dialog.
        QDialogButtonBox buttons(QDialogButtonBox::Cancel);
        QVERIFY2(buttons.button(QDialogButtonBox::Cancel)->text().contains(QLatin1String("Abbrechen")),
                 qPrintable(buttons.button(QDialogButtonBox::Cancel)->text()));
    }

    // Every text of the sources has its German translation, and the file is as the update
    // script leaves it: a distributor's run changes nothing. On a failure, run
    // tools/update-translations.sh and translate what it added.
    void everyTextTranslated()
    {
        const QString ts = TestSupport::sourceDir() + QStringLiteral("/translations/sampora_de.ts");
        QFile original(ts);
        QVERIFY(original.open(QIODevice::ReadOnly));
        const QByteArray committed = original.readAll();
        QTemporaryDir dir;
        const QString copy = dir.filePath(QStringLiteral("sampora_de.ts"));
        QVERIFY(QFile::copy(ts, copy));
        QProcess update;
        update.setProcessChannelMode(QProcess::MergedChannels);
        update.start(QStringLiteral("bash"), { TestSupport::sourceDir() + QStringLiteral("/tools/update-translations.sh"), copy });
        QVERIFY(update.waitForFinished(120000));
        QVERIFY2(update.exitStatus() == QProcess::NormalExit && update.exitCode() == 0, update.readAll().constData());

        QFile updated(copy);
        QVERIFY(updated.open(QIODevice::ReadOnly));
        const QByteArray bytes = updated.readAll();
        QStringList untranslated;
        QXmlStreamReader reader(bytes);
        QString context;
        QString source;
        while (!reader.atEnd()) {
            if (reader.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (reader.name() == QLatin1String("name")) {
                context = reader.readElementText();
            } else if (reader.name() == QLatin1String("source")) {
                source = reader.readElementText();
            } else if (reader.name() == QLatin1String("translation")) {
                const bool unfinished = !reader.attributes().value(QLatin1String("type")).isEmpty();
                if (reader.readElementText(QXmlStreamReader::IncludeChildElements).trimmed().isEmpty() || unfinished)
                    untranslated << context + QStringLiteral(": ") + source;
            }
        }
        QVERIFY2(!reader.hasError(), qPrintable(reader.errorString()));
        QVERIFY2(untranslated.isEmpty(), qPrintable(QStringLiteral("no German for:\n") + untranslated.join(QLatin1Char('\n'))));
        QVERIFY2(bytes == committed, "tools/update-translations.sh rewrites translations/sampora_de.ts");
    }

    // Texts are looked up under the context lupdate files them under, and numbers shown in a
    // text are written the German way.
    void textsReachTheUserInGerman()
    {
        const Translations translations;
        const QString refusal = InstallerPolicy::refuseLocation(QUrl(QStringLiteral("https://a.example/v.xml")),
                                                                QUrl(QStringLiteral("https://b.example/i.run")));
        QVERIFY2(refusal.startsWith(QStringLiteral("Das Installationsprogramm wird von b.example angeboten")), qPrintable(refusal));

        RenderJob mix;
        mix.rows = { RenderRow{} };
        mix.gridBpm = 88.5;
        ExportAudioDialog dialog(mix, 2);
        QStringList labels;
        for (const QLabel *label : dialog.findChildren<QLabel *>())
            labels << label->text();
        QVERIFY2(labels.contains(QStringLiteral("0:05 bei 88,5 BPM")), qPrintable(labels.join(QLatin1Char('|'))));
    }
};

QTEST_MAIN(TestAppTranslation)
#include "tst_app_translation.moc"
