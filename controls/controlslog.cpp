#include "controls/controlslog.h"

Q_LOGGING_CATEGORY(lcControls, "sampora.controls", QtInfoMsg)
