#include "dialogs/mixreader.h"

#include <algorithm>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "dialogs/mixexport.h"

namespace MixReader {

namespace {

// The info file holds a banner and five lines; anything much larger is not one.
constexpr qint64 kMaxInfoSize = 1024 * 1024;
constexpr int kSlots = 5;
const QLatin1String kInfoSuffix(" Info.txt");
const QLatin1String kPlayingAt(" Playing at:");

QString tr(const char *text)
{
    return QCoreApplication::translate("MixReader", text);
}

// A line as the user would recognise it in a message, however long or strange it is.
QString shown(const QString &line)
{
    constexpr int kMaxShown = 60;
    QString text = line.simplified();
    if (text.size() > kMaxShown)
        text = text.left(kMaxShown) + QStringLiteral("...");
    return text;
}

// Finds the info file: the path itself, or "<folder name> Info.txt" inside the folder (or the
// only info file in it, when the folder was renamed).
QString infoFileFor(const QString &path, QString *error)
{
    const QFileInfo given(path);
    if (given.isFile())
        return given.absoluteFilePath();
    if (!given.isDir()) {
        *error = tr("\"%1\" does not exist.").arg(path);
        return {};
    }
    const QDir folder(given.absoluteFilePath());
    const QString named = folder.filePath(MixExport::infoFileName(folder.dirName()));
    if (QFileInfo(named).isFile())
        return named;
    const QStringList infos = folder.entryList({ QStringLiteral("*") + kInfoSuffix }, QDir::Files);
    if (infos.size() == 1)
        return folder.filePath(infos.first());
    *error = infos.isEmpty() ? tr("\"%1\" holds no saved mix (no file ending in \"Info.txt\").").arg(path)
                             : tr("\"%1\" holds more than one saved mix; please choose its info file.").arg(path);
    return {};
}

} // namespace

bool parseCopyName(const QString &project, const QString &fileName, int *slot, int *bpm)
{
    static const QRegularExpression rest(QStringLiteral("^_([1-5])(?:_([0-9]{1,4})BPM)?(?:\\.[^/.]+)?$"));
    if (!fileName.startsWith(project))
        return false;
    const QRegularExpressionMatch match = rest.match(QStringView(fileName).mid(project.size()));
    if (!match.hasMatch())
        return false;
    *slot = match.captured(1).toInt();
    *bpm = match.hasCaptured(2) ? match.captured(2).toInt() : -1;
    return true;
}

OpenedMix read(const QString &path)
{
    OpenedMix mix;
    const QString infoPath = infoFileFor(path, &mix.error);
    if (infoPath.isEmpty())
        return mix;
    const QFileInfo info(infoPath);
    if (!info.fileName().endsWith(kInfoSuffix) || info.fileName() == kInfoSuffix.mid(1)) {
        mix.error = tr("\"%1\" is not a mix info file: its name does not end in \"Info.txt\".").arg(infoPath);
        return mix;
    }
    mix.project = info.fileName().chopped(kInfoSuffix.size());
    mix.folder = info.absolutePath();

    QFile file(infoPath);
    if (info.size() > kMaxInfoSize) {
        mix.error = tr("\"%1\" is too large to be a mix info file.").arg(infoPath);
        return mix;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        mix.error = tr("\"%1\" cannot be read: %2").arg(infoPath, file.errorString());
        return mix;
    }

    const QStringList bannerLines = MixExport::banner().split(QLatin1Char('\n'));
    const QString text = QString::fromUtf8(file.readAll());
    bool used[kSlots + 1] = {};
    for (QString line : text.split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty() || bannerLines.contains(line))
            continue;
        const qsizetype at = line.lastIndexOf(kPlayingAt);
        if (at <= 0) {
            mix.skipped << tr("Unknown line: \"%1\"").arg(shown(line));
            continue;
        }
        const QString fileName = line.left(at);
        int slot = 0;
        int bpm = -1;
        if (!parseCopyName(mix.project, fileName, &slot, &bpm)) {
            mix.skipped << tr("\"%1\" is not a copy of this mix: its name does not start with \"%2_\" and a "
                              "slot from 1 to 5.")
                               .arg(shown(fileName), mix.project);
            continue;
        }
        bool isNumber = false;
        const QString rateText = line.mid(at + kPlayingAt.size());
        const double rate = rateText.toDouble(&isNumber);
        if (!isNumber || !(rate >= kMinRate && rate <= kMaxRate)) {
            mix.skipped << tr("%1: the rate \"%2\" is not between %L3 and %L4.")
                               .arg(fileName, shown(rateText))
                               .arg(kMinRate, 0, 'f', 2)
                               .arg(kMaxRate, 0, 'f', 2);
            continue;
        }
        if (used[slot]) {
            mix.skipped << tr("%1: slot %2 is already taken by an earlier line.").arg(fileName).arg(slot);
            continue;
        }
        const QString copy = QDir(mix.folder).filePath(fileName);
        if (!QFileInfo(copy).isFile()) {
            mix.skipped << tr("%1: the copy is missing from the folder.").arg(fileName);
            continue;
        }
        used[slot] = true;
        mix.copies.append({ slot, copy, bpm, float(rate) });
    }
    std::sort(mix.copies.begin(), mix.copies.end(),
        [](const SavedCopy &a, const SavedCopy &b) { return a.slot < b.slot; });
    if (mix.copies.isEmpty() && mix.skipped.isEmpty())
        mix.skipped << tr("The mix holds no copies.");
    return mix;
}

} // namespace MixReader
