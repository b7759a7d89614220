#include <QtTest>

#include <QDialogButtonBox>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>

#include "app/mainwindow.h"
#include "app/translations.h"
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
        QCOMPARE(window.statusBar()->currentMessage(), QStringLiteral("Lassen Sie Ihre Sample-Bibliothek für sich arbeiten!"));

        // Qt's base translations: a standard button of a message box or dialog.
        QDialogButtonBox buttons(QDialogButtonBox::Cancel);
        QVERIFY2(buttons.button(QDialogButtonBox::Cancel)->text().contains(QLatin1String("Abbrechen")),
                 qPrintable(buttons.button(QDialogButtonBox::Cancel)->text()));
    }
};

QTEST_MAIN(TestAppTranslation)
#include "tst_app_translation.moc"
