// config.xml as the reader sees it: any bytes must load without a crash, and whatever the
// reader reports must agree with itself.
#include <cstdint>
#include <cstdlib>

#include <QBuffer>
#include <QCoreApplication>

#include "library/configfile.h"

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    QBuffer device(&bytes);
    device.open(QIODevice::ReadOnly);
    if (ConfigFile::readCapped(device) != bytes)
        abort();

    const ConfigFile::Result result = ConfigFile::parse(bytes);
    // Entries are only offered from a document whose root is the library's.
    const QList<ConfigFile::Entry> entries = ConfigFile::entries(result.doc, ConfigFile::Untyped::Keep);
    if (!result.readable() && !entries.isEmpty())
        abort();
    if (result.status == ConfigFile::Status::Ok && (!result.wellFormed || !result.message.isEmpty()))
        abort();
    if (result.status == ConfigFile::Status::Partial && (result.wellFormed || result.errorLine < 1))
        abort();
    for (const ConfigFile::Entry &entry : entries) {
        if (entry.path.isEmpty())
            abort();
        (void)entry.type();
    }
    return 0;
}
