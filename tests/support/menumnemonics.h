#pragma once

#include <QAction>
#include <QKeySequence>
#include <QMap>
#include <QMenu>
#include <QStringList>

namespace TestSupport {

// The keys that two entries of one menu (or of the menu bar) both underline, each as
// "menu: key: first, second", walking every submenu. Alt and the key reach only the first
// entry, so a clash leaves the other unreachable from the keyboard.
inline QStringList mnemonicClashes(const QList<QAction *> &entries, const QString &menu = QStringLiteral("menu bar"))
{
    QStringList clashes;
    QMap<QString, QStringList> byKey;
    for (QAction *entry : entries) {
        if (entry->isSeparator())
            continue;
        const QKeySequence key = QKeySequence::mnemonic(entry->text());
        if (!key.isEmpty())
            byKey[key.toString()] << entry->text();
        if (entry->menu())
            clashes << mnemonicClashes(entry->menu()->actions(), entry->text());
    }
    for (auto it = byKey.cbegin(); it != byKey.cend(); ++it) {
        if (it.value().size() > 1)
            clashes << menu + QStringLiteral(": ") + it.key() + QStringLiteral(": ") + it.value().join(QStringLiteral(", "));
    }
    return clashes;
}

} // namespace TestSupport
