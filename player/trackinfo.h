#pragma once

#include <QString>

// What a player holds for its current sample and files in its history.
struct TrackInfo {
    QString file;       // sample path, empty for "no sample"
    qint32 bpm = -1;    // BPM when the sample started
    qint32 baseBpm = -1;
    float rate = 1.0f;  // tempo controller's factor
};
