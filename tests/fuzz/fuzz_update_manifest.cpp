// The update manifest parser on any bytes a server could send: no crash, no hang on hostile
// nesting, and an offer only ever comes with the version that made it.
#include <cstdint>
#include <cstdlib>

#include <QByteArray>
#include <QString>

#include "online/updatemanifest.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray xml(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString running = QStringLiteral("0.2");
    const UpdateManifest::Contents contents = UpdateManifest::parse(xml, running);
    if (contents.updateAvailable && !contents.latestVersion)
        abort();
    // The last version named differs from the running one: that is an offer.
    if (contents.latestVersion && *contents.latestVersion != running && !contents.updateAvailable)
        abort();
    return 0;
}
