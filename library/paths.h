#pragma once

#include <QString>

struct LibraryLocation;

// The one place that knows where the program's own files live. Tests point it at a
// temporary directory so that no test ever reads or writes a real config.xml.
namespace Paths {

// Directory of the executable (or the override set by setProgramDir).
QString programDir();

// The folder holding pixmaps/, help.html and the demo library: the program's own folder when
// it runs in place (it holds help.html), else the installed data folder (<prefix>/share/sampora
// beside <prefix>/bin). Relative folder paths in config.xml resolve against it.
QString dataDir();

// The library file in use, chosen once (see LibraryLocation): beside the executable, in the
// user's configuration folder, or the file named by setConfigFile().
QString configPath();

// The choice behind configPath(), for the About box and --help.
const LibraryLocation &libraryLocation();

// Makes file the library for the rest of the run (the --config option). An empty string
// goes back to the automatic choice.
void setConfigFile(const QString &file);

// Overrides programDir(), dataDir() and configPath() with dir and dir/config.xml; an empty
// string restores the automatic choice.
void setProgramDir(const QString &dir);

// Lets the style sheets and icons name images as "pixmaps:name.png", found in dataDir()
// whatever the working directory is.
void registerImageSearchPath();

} // namespace Paths
