// The quick-reference viewer: which files show as HTML, where their images come from.
#include <QtTest>

#include <QTextDocument>

#include "app/textedit.h"
#include "support/testsupport.h"

class TestAppTextEdit : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void imagesBesideThePage();
    void relativeNameFromWorkingDirectory();
    void onlyDotHtmlIsHtml_data();
    void onlyDotHtmlIsHtml();
    void stopsAtZeroByte();
    void unreadableFileKeepsContent();

private:
    QString write(const QString &name, const QByteArray &content);

    QTemporaryDir dir;
    QByteArray png;
};

void TestAppTextEdit::initTestCase()
{
    QVERIFY(dir.isValid());
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(Qt::red);
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(image.save(&buffer, "PNG"));
}

QString TestAppTextEdit::write(const QString &name, const QByteArray &content)
{
    const QString path = dir.path() + QLatin1Char('/') + name;
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(content);
    return path;
}

void TestAppTextEdit::imagesBesideThePage()
{
    write(QStringLiteral("guide/images/logo.png"), png);
    const QString page = write(QStringLiteral("guide/page.html"), "<html><body><img src=\"images/logo.png\"/><p>Deck</p></body></html>");
    TextEdit viewer;
    viewer.loadDocument(page);
    QCOMPARE(viewer.loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("images/logo.png"))).toByteArray(), png);
    // The document itself finds the image when it lays the page out.
    const QVariant image = viewer.document()->resource(QTextDocument::ImageResource, QUrl(QStringLiteral("images/logo.png")));
    QVERIFY(image.isValid());
    // A missing image falls back to the base class, which finds nothing either.
    QVERIFY(viewer.loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("images/none.png"))).isNull());
}

void TestAppTextEdit::relativeNameFromWorkingDirectory()
{
    write(QStringLiteral("cwd/pixmaps/shot.png"), png);
    write(QStringLiteral("cwd/help.html"), "<p>Here</p><img src=\"pixmaps/shot.png\"/>");
    const QString previous = QDir::currentPath();
    QDir::setCurrent(dir.path() + QStringLiteral("/cwd"));
    TextEdit viewer;
    viewer.loadDocument(QStringLiteral("help.html"));
    QDir::setCurrent(previous);
    QVERIFY(viewer.toPlainText().startsWith(QLatin1String("Here")));
    // Resolved against where the page was read, not against the working directory of later.
    QCOMPARE(viewer.loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("pixmaps/shot.png"))).toByteArray(), png);
}

void TestAppTextEdit::onlyDotHtmlIsHtml_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shown");
    QTest::newRow(".html") << "a.html" << "Bold";
    QTest::newRow(".HTML") << "b.HTML" << "<b>Bold</b>";
    QTest::newRow(".htm") << "c.htm" << "<b>Bold</b>";
    QTest::newRow(".txt") << "d.txt" << "<b>Bold</b>";
}

void TestAppTextEdit::onlyDotHtmlIsHtml()
{
    QFETCH(QString, name);
    QFETCH(QString, shown);
    TextEdit viewer;
    viewer.loadDocument(write(name, "<b>Bold</b>"));
    QCOMPARE(viewer.toPlainText(), shown);
    QVERIFY(viewer.isReadOnly());
}

void TestAppTextEdit::stopsAtZeroByte()
{
    TextEdit viewer;
    viewer.loadDocument(write(QStringLiteral("zero.html"), QByteArray("<p>before</p>\0<p>after</p>", 26)));
    QCOMPARE(viewer.toPlainText(), QStringLiteral("before"));
}

void TestAppTextEdit::unreadableFileKeepsContent()
{
    TextEdit viewer;
    viewer.loadDocument(write(QStringLiteral("first.html"), "<p>First</p>"));
    viewer.loadDocument(dir.path() + QStringLiteral("/missing.html"));
    QCOMPARE(viewer.toPlainText(), QStringLiteral("First"));

    TextEdit fresh;
    fresh.loadDocument(dir.path() + QStringLiteral("/missing.html"));
    QVERIFY(fresh.toPlainText().isEmpty());
}

QTEST_MAIN(TestAppTextEdit)
#include "tst_app_textedit.moc"
