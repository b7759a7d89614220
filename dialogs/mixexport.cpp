#include "dialogs/mixexport.h"

#include <QFileInfo>

#include "library/sampletypes.h"

namespace MixExport {

QString copyFileName(const QString &project, int slot, int bpm, const QString &source)
{
    QString name = project + QLatin1Char('_') + QString::number(slot);
    if (bpm > kMinUsableBpm)
        name += QLatin1Char('_') + QString::number(bpm) + QLatin1String("BPM");
    // The source's own suffix, whatever its length: a copy of an .aiff must stay playable
    // as .aiff, and a name without a suffix must not lose its last characters.
    const QString suffix = QFileInfo(source).suffix();
    if (!suffix.isEmpty())
        name += QLatin1Char('.') + suffix;
    return name;
}

QString infoFileName(const QString &project)
{
    return project + QLatin1String(" Info.txt");
}

QVector<MixCopy> plan(const QString &project, const QVector<TrackInfo> &tracks)
{
    QVector<MixCopy> copies;
    for (int i = 0; i < tracks.size(); ++i) {
        const TrackInfo &track = tracks.at(i);
        if (track.file.isEmpty())
            continue;
        const int slot = i + 1;
        // The file's own BPM, not the one the tempo slider made of it: the rate recorded
        // with the copy already holds the slider's share, and name BPM x rate must give
        // the tempo that was heard.
        copies.append(
            { slot, track.file, copyFileName(project, slot, track.baseBpm, track.file), track.rate });
    }
    return copies;
}

QString banner()
{
    return QStringLiteral("   #######     ###    ##     ## ########   #######  ########     ###   \n"
                          "  ##          ## ##   ###   ### ##     ## ##     ## ##     ##   ## ##  \n"
                          "   ######    ##   ##  #### #### ##     ## ##     ## ##     ##  ##   ## \n"
                          "        ##  ######### ## ### ## ########  ##     ## ########  #########\n"
                          "        ##  ##     ## ##  #  ## ##        ##     ## ##   ##   ##     ##\n"
                          "  #######   ##     ## ##     ## ##         #######  ##     ## ##     ##\n"
                          "\n"
                          "\n"
                          "\n");
}

QString infoLine(const QString &fileName, float rate)
{
    // QString::number never uses the system locale, so the separator is always a point.
    return fileName + QLatin1String(" Playing at:") + QString::number(double(rate), 'f', 3)
        + QLatin1Char('\n');
}

QString infoText(const QVector<MixCopy> &copies)
{
    QString text = banner();
    for (const MixCopy &copy : copies)
        text += infoLine(copy.fileName, copy.rate);
    return text;
}

} // namespace MixExport
