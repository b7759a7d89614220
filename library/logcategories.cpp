#include "library/logcategories.h"

Q_LOGGING_CATEGORY(lcApp, "sampora.app", QtInfoMsg)
Q_LOGGING_CATEGORY(lcDeck, "sampora.deck", QtInfoMsg)
Q_LOGGING_CATEGORY(lcPlayer, "sampora.player", QtInfoMsg)
Q_LOGGING_CATEGORY(lcTempo, "sampora.tempo", QtInfoMsg)
Q_LOGGING_CATEGORY(lcLibrary, "sampora.library", QtInfoMsg)
Q_LOGGING_CATEGORY(lcDialogs, "sampora.dialogs", QtInfoMsg)
Q_LOGGING_CATEGORY(lcOnline, "sampora.online", QtInfoMsg)

QStringList vlcVerbosityArguments()
{
    if (lcPlayer().isDebugEnabled())
        return {QStringLiteral("--verbose=2")};
    return {QStringLiteral("--quiet")};
}
