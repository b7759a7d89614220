#pragma once

#include <QLoggingCategory>
#include <QStringList>

// One logging category per area. Debug output is off by default and switched on with
// QT_LOGGING_RULES, e.g. QT_LOGGING_RULES="sampora.*.debug=true" or "sampora.player.debug=true";
// warnings and errors always print.
Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_DECLARE_LOGGING_CATEGORY(lcDeck)
Q_DECLARE_LOGGING_CATEGORY(lcPlayer)
Q_DECLARE_LOGGING_CATEGORY(lcTempo)
Q_DECLARE_LOGGING_CATEGORY(lcLibrary)
Q_DECLARE_LOGGING_CATEGORY(lcDialogs)
Q_DECLARE_LOGGING_CATEGORY(lcOnline)

// The libvlc start arguments that set how much libvlc writes to the terminal: nothing unless
// the player category's debug output is on, then libvlc's warnings and debug lines too.
QStringList vlcVerbosityArguments();
