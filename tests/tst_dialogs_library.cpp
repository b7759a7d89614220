#include <QtTest>
#include <QCheckBox>
#include <QComboBox>
#include <QDomDocument>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTreeView>

#include "dialogs/importfolder.h"
#include "dialogs/librarymgr.h"
#include "library/paths.h"
#include "support/testsupport.h"

namespace {

const QString kNotParsed = QStringLiteral("There was an error detected in config.xml: can not set doc type.");
const QString kWrongRoot = QStringLiteral("There is an error in config.xml:no Root Tag \"sampora\".");

QByteArray readConfig()
{
    QFile file(Paths::configPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Each entry as "path melody beat bass hipHop techno custom", in file order.
QStringList entries()
{
    QDomDocument doc;
    doc.setContent(readConfig());
    QStringList out;
    const QDomNodeList nodes = doc.documentElement().elementsByTagName(QStringLiteral("imported_folder"));
    for (int i = 0; i < nodes.size(); ++i) {
        const QDomElement e = nodes.at(i).toElement();
        QString line = e.attribute(QStringLiteral("path"));
        for (const char *name : {"melody", "beat", "bass", "hipHop", "techno", "custom"})
            line += QLatin1Char(' ') + e.attribute(QLatin1String(name), QStringLiteral("-"));
        out << line;
    }
    return out;
}

QByteArray configWith(const QStringList &paths)
{
    QByteArray xml = "<sampora>";
    for (const QString &path : paths)
        xml += "<imported_folder path=\"" + path.toUtf8() + "\" melody=\"1\" custom=\"1\"/>";
    return xml + "</sampora>";
}

QPushButton *button(const QWidget *dialog, const QString &text)
{
    const auto buttons = dialog->findChildren<QPushButton *>();
    for (QPushButton *b : buttons) {
        if (b->text() == text)
            return b;
    }
    return nullptr;
}

void click(const QWidget *dialog, const QString &text)
{
    QPushButton *b = button(dialog, text);
    QVERIFY2(b, qPrintable(text));
    QTest::mouseClick(b, Qt::LeftButton);
}

QStringList rows(const LibraryMgr &mgr)
{
    const QAbstractItemModel *model = mgr.findChild<QTreeView *>()->model();
    QStringList out;
    for (int r = 0; r < model->rowCount(); ++r)
        out << model->index(r, 0).data().toString();
    return out;
}

QPoint rowCentre(const LibraryMgr &mgr, int row)
{
    const QTreeView *view = mgr.findChild<QTreeView *>();
    return view->visualRect(view->model()->index(row, 0)).center();
}

void clickRow(const LibraryMgr &mgr, int row)
{
    QTest::mouseClick(mgr.findChild<QTreeView *>()->viewport(), Qt::LeftButton, {}, rowCentre(mgr, row));
}

// A real double click: the view only opens what the first press landed on.
ImportFolder *openEditorForRow(const LibraryMgr &mgr, int row)
{
    clickRow(mgr, row);
    QTest::mouseDClick(mgr.findChild<QTreeView *>()->viewport(), Qt::LeftButton, {}, rowCentre(mgr, row));
    const auto editors = mgr.findChildren<ImportFolder *>();
    return editors.isEmpty() ? nullptr : editors.last();
}

bool shown(QWidget &window)
{
    window.show();
    return QTest::qWaitForWindowExposed(&window);
}

QString status(const ImportFolder &dialog)
{
    return dialog.findChildren<QLabel *>().first()->text();
}

QComboBox *directoryBox(const ImportFolder &dialog)
{
    return dialog.findChild<QComboBox *>();
}

} // namespace

class TestLibraryDialogs : public QObject {
    Q_OBJECT

    TempProgramDir *m_dir = nullptr;
    QString m_oldCwd;

    QString folder(const QString &name) const
    {
        const QString path = m_dir->path() + QLatin1Char('/') + name;
        QDir().mkpath(path);
        return path;
    }

private slots:
    void init()
    {
        m_dir = new TempProgramDir;
        m_oldCwd = QDir::currentPath();
        QDir::setCurrent(folder(QStringLiteral("cwd")));
    }

    void cleanup()
    {
        QDir::setCurrent(m_oldCwd);
        delete m_dir;
    }

    void importAtOnceTakesTheWorkingDirectory()
    {
        ImportFolder dialog;
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Import Folder"));
        QCOMPARE(dialog.size(), QSize(500, 150));
        QCOMPARE(directoryBox(dialog)->itemText(0), QDir::currentPath());
        QSignalSpy accepted(&dialog, &QDialog::accepted);
        dialog.show();

        click(&dialog, QStringLiteral("&Import"));
        QCOMPARE(accepted.size(), 1);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(entries(), QStringList{QDir::currentPath() + QStringLiteral(" 1 0 0 0 0 1")});
        QVERIFY(readConfig().contains("techno=\"0\""));
    }

    void typedFoldersAreStoredAsTheLibraryWillReadThem_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("backslashes") << QStringLiteral("sub\\dir") << QStringLiteral("cwd/sub/dir");
        QTest::newRow("relative") << QStringLiteral("sub/./dir/") << QStringLiteral("cwd/sub/dir");
        QTest::newRow("empty") << QString() << QStringLiteral("cwd");
        QTest::newRow("absolute") << QStringLiteral("%1/cwd/./sub//") << QStringLiteral("cwd/sub");
        QTest::newRow("absolute with ..") << QStringLiteral("%1/cwd/sub/dir/../") << QStringLiteral("cwd/sub");
    }

    void typedFoldersAreStoredAsTheLibraryWillReadThem()
    {
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        folder(QStringLiteral("cwd/sub/dir"));
        typed.replace(QStringLiteral("%1"), m_dir->path());
        ImportFolder dialog;
        directoryBox(dialog)->setEditText(typed);
        click(&dialog, QStringLiteral("&Import"));
        QCOMPARE(entries(), QStringList{m_dir->path() + QLatin1Char('/') + stored + QStringLiteral(" 1 0 0 0 0 1")});
        QCOMPARE(directoryBox(dialog)->itemText(1), typed);
    }

    // However it is typed, one folder is one entry; two would have its samples drawn twice.
    void oneFolderTypedThreeWaysIsOneEntry()
    {
        const QString sub = folder(QStringLiteral("cwd/sub"));
        for (const QString &typed : {sub + QLatin1Char('/'), QStringLiteral("sub"), sub}) {
            ImportFolder dialog;
            directoryBox(dialog)->setEditText(typed);
            click(&dialog, QStringLiteral("&Import"));
        }
        QCOMPARE(entries(), QStringList{sub + QStringLiteral(" 1 0 0 0 0 1")});
    }

    void missingFolderThenBadConfigStaysRed()
    {
        const QByteArray broken = "<sampora><imported_folder path=\"/a\"";
        m_dir->writeFile(QStringLiteral("config.xml"), broken);
        ImportFolder dialog;
        QSignalSpy accepted(&dialog, &QDialog::accepted);
        QLabel *label = dialog.findChildren<QLabel *>().first();

        click(&dialog, QStringLiteral("&Import"));
        QCOMPARE(label->text(), kNotParsed);
        QVERIFY(label->styleSheet().isEmpty());

        directoryBox(dialog)->setEditText(QStringLiteral("does/not/exist"));
        click(&dialog, QStringLiteral("&Import"));
        QCOMPARE(label->text(), QStringLiteral("Folder does not exist."));
        QCOMPARE(label->styleSheet(), QStringLiteral("QLabel {color : red}"));

        directoryBox(dialog)->setCurrentIndex(0);
        click(&dialog, QStringLiteral("&Import"));
        QCOMPARE(label->text(), kNotParsed);
        QCOMPARE(label->styleSheet(), QStringLiteral("QLabel {color : red}"));

        m_dir->writeFile(QStringLiteral("config.xml"), "<library/>");
        click(&dialog, QStringLiteral("&Import"));
        QCOMPARE(label->text(), kWrongRoot);
        QCOMPARE(accepted.size(), 0);
        QCOMPARE(readConfig(), QByteArray("<library/>"));
    }

    void replacingMovesTheFolderToTheEndWithItsNewSettings()
    {
        const QString a = folder(QStringLiteral("a"));
        m_dir->writeFile(QStringLiteral("config.xml"), configWith({a, QStringLiteral("/b")}));
        ImportFolder dialog;
        directoryBox(dialog)->setEditText(a);
        dialog.findChildren<QRadioButton *>().at(2)->setChecked(true);
        const auto genres = dialog.findChildren<QCheckBox *>();
        genres.at(0)->setChecked(true);
        genres.at(2)->setChecked(false);
        click(&dialog, QStringLiteral("&Import"));
        QCOMPARE(entries(), (QStringList{QStringLiteral("/b 1 - - - - 1"), a + QStringLiteral(" 0 0 1 1 0 0")}));
    }

    void allGenresUncheckedIsInNoPlaylist()
    {
        ImportFolder dialog;
        for (QCheckBox *box : dialog.findChildren<QCheckBox *>())
            box->setChecked(false);
        click(&dialog, QStringLiteral("&Import"));
        QCOMPARE(entries(), QStringList{QDir::currentPath() + QStringLiteral(" 1 0 0 0 0 0")});
    }

    void cancelWritesNothing()
    {
        ImportFolder dialog;
        QSignalSpy accepted(&dialog, &QDialog::accepted);
        dialog.show();
        click(&dialog, QStringLiteral("&cancel"));
        QVERIFY(!dialog.isVisible());
        QCOMPARE(accepted.size(), 0);
        QVERIFY(!QFile::exists(Paths::configPath()));
    }

    void browseFillsTheBoxFromTheChooser()
    {
        const QString chosen = folder(QStringLiteral("chosen"));
        ImportFolder dialog;
        dialog.show();
        click(&dialog, QStringLiteral("&Browse..."));
        auto *chooser = dialog.findChild<QFileDialog *>();
        QVERIFY(chooser);
        QCOMPARE(chooser->windowTitle(), QStringLiteral("Import Samples"));
        QCOMPARE(chooser->fileMode(), QFileDialog::Directory);
        QCOMPARE(chooser->directory().absolutePath(), QDir::currentPath());
        chooser->selectFile(chosen);
        static_cast<QDialog *>(chooser)->accept();
        QCOMPARE(directoryBox(dialog)->currentText(), chosen);
        QCOMPARE(directoryBox(dialog)->count(), 2);
    }

    // Enter after typing a folder imports it (or, when editing, saves it): it must neither
    // open the chooser nor put the stored path back over the typed one.
    void enterTakesTheTypedFolder()
    {
        const QString typed = folder(QStringLiteral("typed"));
        const QString edited = folder(QStringLiteral("edited"));
        m_dir->writeFile(QStringLiteral("config.xml"), configWith({folder(QStringLiteral("old"))}));
        LibraryMgr mgr;
        QVERIFY(shown(mgr));
        ImportFolder *editor = openEditorForRow(mgr, 0);
        QVERIFY(editor);
        ImportFolder importer;
        QVERIFY(shown(importer));

        for (const auto &[dialog, path] : {std::pair{&importer, typed}, std::pair{editor, edited}}) {
            QSignalSpy accepted(dialog, &QDialog::accepted);
            QComboBox *box = directoryBox(*dialog);
            QVERIFY(dialog->focusWidget() == box || dialog->focusWidget() == box->lineEdit());
            box->setEditText(path);
            QTest::keyClick(box->lineEdit(), Qt::Key_Return);
            QCOMPARE(accepted.size(), 1);
            QVERIFY(!dialog->findChild<QFileDialog *>());
        }
        QCOMPARE(rows(mgr).first(), edited);
        QVERIFY(entries().contains(typed + QStringLiteral(" 1 0 0 0 0 1")));
    }

    // Tab follows the form as it reads: folder, chooser, genres, type, then the buttons.
    void tabFollowsTheForm()
    {
        ImportFolder dialog;
        QVERIFY(shown(dialog));
        // The editable box hands its focus to its line edit.
        const auto focused = [&dialog] {
            QWidget *w = dialog.focusWidget();
            return w == directoryBox(dialog)->lineEdit() ? static_cast<QWidget *>(directoryBox(dialog)) : w;
        };
        QWidgetList visited{focused()};
        for (int i = 0; i < 12; ++i) {
            QTest::keyClick(dialog.focusWidget(), Qt::Key_Tab);
            if (focused() == visited.first())
                break;
            visited << focused();
        }
        // Of an exclusive group Tab visits the checked button only, which Qt may do either way.
        const auto radios = dialog.findChildren<QRadioButton *>();
        QVERIFY(std::any_of(visited.cbegin(), visited.cend(), [&](QWidget *w) { return radios.contains(w); }));
        visited.removeIf([&](QWidget *w) { return radios.contains(qobject_cast<QRadioButton *>(w)); });
        const auto genres = dialog.findChildren<QCheckBox *>();
        QCOMPARE(visited, (QWidgetList{directoryBox(dialog), button(&dialog, QStringLiteral("&Browse...")), genres.at(0),
                                       genres.at(1), genres.at(2), button(&dialog, QStringLiteral("&Import")),
                                       button(&dialog, QStringLiteral("&cancel"))}));
    }

    void managerListsNewestFirstAndRemovesTheTopRow()
    {
        m_dir->writeFile(QStringLiteral("config.xml"),
                         "<sampora><imported_folder path=\"/F1\"/><!-- note --><imported_folder path=\"/F2\"/>"
                         "<other/><imported_folder path=\"/F3\"/></sampora>");
        LibraryMgr mgr;
        QSignalSpy accepted(&mgr, &QDialog::accepted);
        QVERIFY(shown(mgr));
        QCOMPARE(mgr.windowTitle(), QStringLiteral("Customize Sample Playlists"));
        QCOMPARE(mgr.findChild<QTreeView *>()->model()->headerData(0, Qt::Horizontal).toString(),
                 QStringLiteral("Sample Location"));
        QCOMPARE(rows(mgr), (QStringList{QStringLiteral("/F3"), QStringLiteral("/F2"), QStringLiteral("/F1")}));
        QVERIFY(!button(&mgr, QStringLiteral("r&emove"))->isEnabled());

        clickRow(mgr, 0);
        QVERIFY(button(&mgr, QStringLiteral("r&emove"))->isEnabled());
        click(&mgr, QStringLiteral("r&emove"));
        QCOMPARE(entries(), (QStringList{QStringLiteral("/F1 - - - - - -"), QStringLiteral("/F2 - - - - - -")}));
        QCOMPARE(rows(mgr), (QStringList{QStringLiteral("/F2"), QStringLiteral("/F1")}));
        QCOMPARE(mgr.findChild<QTreeView *>()->currentIndex().data().toString(), QStringLiteral("/F2"));
        QVERIFY(readConfig().contains("<!-- note -->"));
        QVERIFY(readConfig().contains("<other/>"));

        click(&mgr, QStringLiteral("ok&"));
        QCOMPARE(accepted.size(), 1);
        QVERIFY(!mgr.isVisible());
    }

    // "r&emove" takes the highlighted folder, whether the highlight came from a click or the
    // arrow keys, and also after an import has moved the rows under it.
    void removeTakesTheHighlightedFolder()
    {
        m_dir->writeFile(QStringLiteral("config.xml"),
                         configWith({QStringLiteral("/F1"), QStringLiteral("/F2"), QStringLiteral("/F3")}));
        LibraryMgr mgr;
        QVERIFY(shown(mgr));
        auto *view = mgr.findChild<QTreeView *>();
        clickRow(mgr, 0);
        QTest::keyClick(view, Qt::Key_Down);
        QCOMPARE(view->currentIndex().data().toString(), QStringLiteral("/F2"));
        click(&mgr, QStringLiteral("r&emove"));
        QCOMPARE(rows(mgr), (QStringList{QStringLiteral("/F3"), QStringLiteral("/F1")}));

        clickRow(mgr, 1);
        click(&mgr, QStringLiteral("&import"));
        click(mgr.findChild<ImportFolder *>(), QStringLiteral("&Import"));
        QCOMPARE(rows(mgr), (QStringList{QDir::currentPath(), QStringLiteral("/F3"), QStringLiteral("/F1")}));
        QCOMPARE(view->currentIndex().data().toString(), QStringLiteral("/F1"));
        click(&mgr, QStringLiteral("r&emove"));
        QCOMPARE(rows(mgr), (QStringList{QDir::currentPath(), QStringLiteral("/F3")}));
    }

    void removingTheLastRowTwiceIgnoresTheVanishedRow()
    {
        m_dir->writeFile(QStringLiteral("config.xml"), configWith({QStringLiteral("/F1"), QStringLiteral("/F2")}));
        LibraryMgr mgr;
        QVERIFY(shown(mgr));
        clickRow(mgr, 1);
        click(&mgr, QStringLiteral("r&emove"));
        QCOMPARE(rows(mgr), QStringList{QStringLiteral("/F2")});
        const QByteArray after = readConfig();
        click(&mgr, QStringLiteral("r&emove"));
        QVERIFY(readConfig() == after);
        QVERIFY(!mgr.findChild<QMessageBox *>());
        QSignalSpy accepted(&mgr, &QDialog::accepted);
        click(&mgr, QStringLiteral("exi&t"));
        QCOMPARE(accepted.size(), 1);
    }

    void duplicatePathsLoseOnlyTheFirst()
    {
        m_dir->writeFile(QStringLiteral("config.xml"),
                         "<sampora><imported_folder path=\"/D\" beat=\"1\"/><imported_folder path=\"/F\"/>"
                         "<imported_folder path=\"/D\" bass=\"1\"/></sampora>");
        LibraryMgr mgr;
        QVERIFY(shown(mgr));
        QCOMPARE(rows(mgr), (QStringList{QStringLiteral("/D"), QStringLiteral("/F"), QStringLiteral("/D")}));
        clickRow(mgr, 0);
        click(&mgr, QStringLiteral("r&emove"));
        QCOMPARE(entries(), (QStringList{QStringLiteral("/F - - - - - -"), QStringLiteral("/D - - 1 - - -")}));
        QCOMPARE(rows(mgr), (QStringList{QStringLiteral("/D"), QStringLiteral("/F")}));
    }

    void removeOnABadFileTellsTheUser_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("message");
        QTest::newRow("truncated") << QByteArray("<sampora><imported_folder path=\"/F1\"/") << kNotParsed;
        QTest::newRow("empty") << QByteArray() << kNotParsed;
        QTest::newRow("wrong root") << QByteArray("<library/>") << kWrongRoot;
    }

    void removeOnABadFileTellsTheUser()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, message);
        m_dir->writeFile(QStringLiteral("config.xml"), configWith({QStringLiteral("/F1")}));
        LibraryMgr mgr;
        QVERIFY(shown(mgr));
        m_dir->writeFile(QStringLiteral("config.xml"), content);
        clickRow(mgr, 0);
        click(&mgr, QStringLiteral("r&emove"));
        auto *box = mgr.findChild<QMessageBox *>();
        QVERIFY(box);
        QCOMPARE(box->text(), message);
        QVERIFY(readConfig() == content);
        QCOMPARE(rows(mgr), QStringList{QStringLiteral("/F1")});
        box->accept();
    }

    void badFilesListNothing_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("missing") << QByteArray("-") << QStringList();
        QTest::newRow("wrong root") << QByteArray("<library><imported_folder path=\"/a\"/></library>") << QStringList();
        QTest::newRow("no folders") << QByteArray("<sampora><!-- x --></sampora>") << QStringList();
        QTest::newRow("broken after the first entry")
            << QByteArray("<sampora><imported_folder path=\"/a\"/><imported_folder path=") << QStringList{"/a"};
    }

    void badFilesListNothing()
    {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, listed);
        if (content != "-")
            m_dir->writeFile(QStringLiteral("config.xml"), content);
        LibraryMgr mgr;
        QCOMPARE(rows(mgr), listed);
        QCOMPARE(mgr.findChild<QTreeView *>()->model()->headerData(0, Qt::Horizontal).toString(),
                 QStringLiteral("Sample Location"));
    }

    void editingWithANewPathKeepsTheOldEntry()
    {
        const QString f1 = folder(QStringLiteral("f1"));
        const QString f2 = folder(QStringLiteral("f2"));
        m_dir->writeFile(QStringLiteral("config.xml"),
                         "<sampora><imported_folder path=\"" + f1.toUtf8()
                             + "\" beat=\"1\" bass=\"1\" hipHop=\"1\" electronic=\"1\" custom=\"0\"/>"
                               "<imported_folder path=\"/other\"/></sampora>");
        LibraryMgr mgr;
        QVERIFY(shown(mgr));
        ImportFolder *editor = openEditorForRow(mgr, 1);
        QVERIFY(editor);
        QVERIFY(editor->isVisible());
        QVERIFY(!editor->isModal());
        QCOMPARE(editor->windowTitle(), QStringLiteral("Edit Folder"));
        QCOMPARE(directoryBox(*editor)->currentText(), f1);
        QVERIFY(button(editor, QStringLiteral("&Save")));
        QVERIFY(editor->findChildren<QRadioButton *>().at(1)->isChecked());
        const auto genres = editor->findChildren<QCheckBox *>();
        QVERIFY(genres.at(0)->isChecked());
        QVERIFY(genres.at(1)->isChecked());
        QVERIFY(!genres.at(2)->isChecked());

        // The list is rebuilt under the open editor; it keeps its own copy of the folder.
        clickRow(mgr, 0);
        click(&mgr, QStringLiteral("r&emove"));
        QCOMPARE(rows(mgr), QStringList{f1});

        directoryBox(*editor)->setEditText(QStringLiteral("elsewhere"));
        click(editor, QStringLiteral("&Browse..."));
        QCOMPARE(directoryBox(*editor)->currentText(), f1);
        QVERIFY(!editor->findChild<QFileDialog *>());

        directoryBox(*editor)->setEditText(f2);
        click(editor, QStringLiteral("&Save"));
        QVERIFY(!editor->isVisible());
        QCOMPARE(entries(), (QStringList{f1 + QStringLiteral(" - 1 1 1 - 0"), f2 + QStringLiteral(" 0 1 0 1 1 0")}));
        QCOMPARE(rows(mgr), (QStringList{f2, f1}));
    }

    void editingKeepsAHandWrittenRelativePath()
    {
        folder(QStringLiteral("loops/drums"));
        m_dir->writeFile(QStringLiteral("config.xml"),
                         "<sampora><imported_folder path=\"loops/drums\" melody=\"1\"/>"
                         "<imported_folder path=\"/z\" melody=\"1\"/></sampora>");
        LibraryMgr mgr;
        QVERIFY(shown(mgr));
        ImportFolder *editor = openEditorForRow(mgr, 1);
        QVERIFY(editor);
        editor->findChildren<QRadioButton *>().at(1)->setChecked(true);
        click(editor, QStringLiteral("&Save"));
        QCOMPARE(status(*editor), QString());
        QCOMPARE(entries(), (QStringList{QStringLiteral("/z 1 - - - - -"), QStringLiteral("loops/drums 0 1 0 0 0 0")}));
        QCOMPARE(rows(mgr), (QStringList{QStringLiteral("loops/drums"), QStringLiteral("/z")}));
    }

    void importFromTheManagerRefreshesTheList()
    {
        LibraryMgr mgr;
        QVERIFY(shown(mgr));
        click(&mgr, QStringLiteral("&import"));
        auto *dialog = mgr.findChild<ImportFolder *>();
        QVERIFY(dialog);
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Import Folder"));
        click(dialog, QStringLiteral("&Import"));
        QCOMPARE(rows(mgr), QStringList{QDir::currentPath()});
    }
};

QTEST_MAIN(TestLibraryDialogs)
#include "tst_dialogs_library.moc"
