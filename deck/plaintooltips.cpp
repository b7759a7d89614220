#include "deck/plaintooltips.h"

#include <QHelpEvent>
#include <QToolTip>
#include <QWidget>

PlainToolTips::PlainToolTips(QWidget *root)
    : QObject(root)
{
    root->installEventFilter(this);
    const QList<QWidget *> widgets = root->findChildren<QWidget *>();
    for (QWidget *widget : widgets)
        widget->installEventFilter(this);
}

bool PlainToolTips::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ToolTip || !watched->isWidgetType())
        return false;
    const auto *widget = static_cast<QWidget *>(watched);
    const QString text = widget->toolTip();
    if (text.isEmpty()) {
        // Let the event travel on to the parent, as QWidget does with an empty tip.
        return false;
    }
    // Without a widget the tip label has no style-sheet parent and uses the palette.
    QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(), text, nullptr, QRect(),
        widget->toolTipDuration());
    return true;
}
