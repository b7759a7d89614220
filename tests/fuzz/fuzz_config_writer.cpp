// The config writer on any existing config.xml and any folder path: it either refuses and leaves
// the file exactly as it was, or writes a file the reader accepts whole, with the entry in it
// (or gone, for a removal) and everything else kept.
#include <cstdint>
#include <cstdlib>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include "library/configfile.h"
#include "library/configwriter.h"

namespace {

QString configPath;

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int entriesWithPath(const QByteArray &bytes, const QString &path)
{
    int count = 0;
    for (const ConfigFile::Entry &entry : ConfigFile::entries(ConfigFile::parse(bytes).doc, ConfigFile::Untyped::Keep))
        count += entry.pathAttr == path ? 1 : 0;
    return count;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    static QTemporaryDir dir;
    configPath = dir.filePath(QStringLiteral("config.xml"));
    return 0;
}

// Input: one byte that picks the operation, the folder path up to the first zero byte, then the
// existing file's content.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const bool removing = data[0] & 1;
    const QByteArray rest(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const qsizetype zero = rest.indexOf('\0');
    const QString folder = QString::fromUtf8(zero < 0 ? rest : rest.left(zero));
    const QByteArray before = zero < 0 ? QByteArray() : rest.mid(zero + 1);

    QFile::remove(configPath + QStringLiteral(".bak"));
    {
        QFile file(configPath);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(before) != before.size())
            abort();
    }

    const ConfigWriter writer(configPath);
    const ConfigWriteResult result = removing
        ? writer.remove(folder)
        : writer.addOrReplace({ { QStringLiteral("path"), folder }, { QStringLiteral("beat"), QStringLiteral("1") } });
    const QByteArray after = readAll(configPath);

    if (!result.ok) {
        if (result.message.isEmpty() || after != before)
            abort();
        return 0;
    }
    if (!result.message.isEmpty() || ConfigFile::parse(after).status != ConfigFile::Status::Ok)
        abort();
    // The previous file is kept as the backup, byte for byte.
    if (readAll(writer.backupPath()) != before)
        abort();
    const int had = entriesWithPath(before, folder);
    const int has = entriesWithPath(after, folder);
    if (removing ? has != qMax(0, had - 1) : has != qMax(1, had))
        abort();
    return 0;
}
