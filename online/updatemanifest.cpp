#include "online/updatemanifest.h"

#include <QXmlStreamReader>

namespace UpdateManifest {

Contents parse(const QByteArray &xml, const QString &currentVersion)
{
    Contents contents;
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const bool isVersion = reader.name() == QLatin1String("version");
        const bool isDigest = reader.name() == QLatin1String("sha256");
        if (!isVersion && !isDigest && reader.name() != QLatin1String("download_location"))
            continue;
        const QString text = reader.readElementText();
        // An element cut off by the end of the data or by a fault is not a value: a truncated
        // manifest must not offer version "0." or an empty one.
        if (reader.hasError())
            break;
        if (isVersion) {
            contents.latestVersion = text;
            // A later element equal to the running version does not withdraw an offer.
            if (text != currentVersion)
                contents.updateAvailable = true;
        } else if (isDigest) {
            contents.sha256 = text;
        } else {
            contents.downloadLocation = text;
        }
    }
    return contents;
}

} // namespace UpdateManifest
