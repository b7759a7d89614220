#include "app/textedit.h"

#include <QFile>
#include <QFileInfo>
#include <QTextDocument>

#include "library/logcategories.h"

TextEdit::TextEdit(QWidget *parent)
    : QTextEdit(parent)
{
    setReadOnly(true);
}

TextEdit::~TextEdit() = default;

void TextEdit::loadDocument(const QString &fileName)
{
    documentUrl = QUrl::fromLocalFile(QFileInfo(fileName).absoluteFilePath());
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QByteArray bytes = file.readAll();
    const qsizetype zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    const QString text = QString::fromUtf8(bytes);
    if (fileName.endsWith(QLatin1String(".html"))) {
        qCDebug(lcApp) << "set Html";
        setHtml(text);
    } else {
        setPlainText(text);
    }
}

QVariant TextEdit::loadResource(int type, const QUrl &name)
{
    if (type == QTextDocument::ImageResource) {
        QFile image(documentUrl.resolved(name).toLocalFile());
        if (image.open(QIODevice::ReadOnly))
            return image.readAll();
    }
    return QTextEdit::loadResource(type, name);
}
