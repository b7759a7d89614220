#pragma once

#include <QObject>

class QWidget;

// Shows the tool tips of a widget tree in the platform's own tool-tip colours. A tool tip
// otherwise takes the style sheets of its widget and all its parents, and the deck's sheets
// give every widget a dark or transparent background or an image: the "QToolTip{color:black;}"
// rules then paint black text on black, and the add button's tip shows its plus picture.
class PlainToolTips : public QObject {
    Q_OBJECT
public:
    // Watches root and every widget below it that exists now.
    explicit PlainToolTips(QWidget *root);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
