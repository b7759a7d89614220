#pragma once

#include <QTextEdit>
#include <QUrl>

// A read-only viewer for the quick reference. Images the page links relatively are read
// from beside the page, wherever the page itself was loaded from.
class TextEdit : public QTextEdit {
    Q_OBJECT

public:
    explicit TextEdit(QWidget *parent = nullptr);
    ~TextEdit() override;

    // Files ending in ".html" are shown as HTML, anything else as plain text. A file that
    // cannot be opened leaves the current content.
    void loadDocument(const QString &fileName);

    QVariant loadResource(int type, const QUrl &name) override;

private:
    QUrl documentUrl;
};
