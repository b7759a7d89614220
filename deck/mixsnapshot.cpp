#include "deck/mixsnapshot.h"

#include <cmath>

#include <QVector>

#include "engine/volumecurve.h"
#include "library/sampletypes.h"
#include "player/decodedsample.h"
#include "player/player.h"

namespace MixSnapshot {

RenderJob of(const std::array<Player *, 5> &players, qint64 nowFrame, int volume, bool evenLoudness)
{
    RenderJob mix;
    // libvlc's volume is what the loudspeaker hears of the slider; the file gets the same curve.
    mix.gain = VolumeCurve::gain(volume);
    mix.evenLoudness = evenLoudness;
    int gridRow = -1;
    QVector<qint64> copyStarts;
    int slot = 0;
    for (const Player *player : players) {
        ++slot;
        if (!player || !player->isPlaying() || player->currentTrack().file.isEmpty())
            continue;
        TrackInfo info;
        try {
            info = player->trackInfo();
        } catch (int) {
            continue; // a hidden row
        }
        const Player::HeardCopy heard = player->heardCopy();
        // The copy heard is what the row sounds like: a song streamed from disk plays as it is.
        const double rate = heard.sample ? heard.sample->rate : double(info.rate);
        RenderRow row(info.file, rate, heard.sample, 0);
        row.slot = slot; // a stem is named after its row and the tempo heard
        row.bpm = info.baseBpm > kMinUsableBpm ? int(std::lround(info.baseBpm * rate)) : 0;
        mix.rows.append(row);
        copyStarts.append(heard.startFrame);
        if (gridRow < 0 && info.baseBpm > kMinUsableBpm) {
            gridRow = int(mix.rows.size()) - 1;
            mix.gridBpm = info.baseBpm * rate;
        }
    }
    if (mix.rows.isEmpty())
        return mix;
    const int barRow = gridRow >= 0 ? gridRow : 0;
    qint64 barLine = copyStarts[barRow];
    if (const auto &copy = mix.rows[barRow].copy; copy && copy->frames() > 0 && nowFrame > barLine)
        barLine = nowFrame - RenderRow::phaseAt(barLine, nowFrame, copy->frames());
    for (int i = 0; i < mix.rows.size(); ++i) {
        if (const auto &copy = mix.rows[i].copy)
            mix.rows[i].phase = RenderRow::phaseAt(copyStarts[i], barLine, copy->frames());
    }
    return mix;
}

} // namespace MixSnapshot
