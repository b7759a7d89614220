#pragma once

#include <QString>

// The one place that knows where the program's own files live. Tests point it at a
// temporary directory so that no test ever reads or writes a real config.xml.
namespace Paths {

// Directory of the executable (or the override set by setProgramDir).
QString programDir();

// programDir() + "/config.xml".
QString configPath();

// Overrides programDir(); an empty string restores the executable's directory.
void setProgramDir(const QString &dir);

} // namespace Paths
