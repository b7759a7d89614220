#pragma once

#include <QLoggingCategory>

// Controllers, media keys and drag and drop.
Q_DECLARE_LOGGING_CATEGORY(lcControls)
