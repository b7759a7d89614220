#pragma once

#include <QString>
#include <QVector>

#include "player/trackinfo.h"

// How a saved mix is laid out on disk: the names of the copies and the text of the info
// file. Kept free of widgets and file access so the rules can be checked by table.
namespace MixExport {

// One sample to copy into the project folder.
struct MixCopy {
    int slot = 0; // player id + 1; fixed, so the numbers of later slots never move up
    QString source; // the sample file the player holds
    QString fileName; // name of the copy inside the project folder
    float rate = 1.0f; // play rate the copy must be played at to sound as in the deck
};

// "<project>_<slot>[_<bpm>BPM]<extension>": the BPM part only for a usable BPM, the
// extension being the source's own suffix with its dot (none when it has no suffix).
QString copyFileName(const QString &project, int slot, int bpm, const QString &source);

// "<project> Info.txt".
QString infoFileName(const QString &project);

// The copies for the deck's slots in slot order; slots without a file are left out.
QVector<MixCopy> plan(const QString &project, const QVector<TrackInfo> &tracks);

// The six-line banner and its three empty lines that open every info file.
QString banner();

// "<file> Playing at:<rate with three decimals>\n", a point as separator in any locale.
QString infoLine(const QString &fileName, float rate);

// The whole info file for the copies that were made.
QString infoText(const QVector<MixCopy> &copies);

} // namespace MixExport
