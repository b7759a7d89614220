#pragma once

#include <QString>

#include "tools/audiogen.h"

// The deck played live and then exported: three rows on one engine playing to the audio
// server (two loops stretched to different rates, started apart, and a song streamed from
// disk that joins later), the mix tapped on its way to libvlc, then the deck's snapshot
// rendered to a file and held against what the mix was from the same bar line on. Needs a
// QApplication and the audio server (PULSE_SERVER).
namespace ExportCheck {

struct Outcome {
    QString failure; // empty when both were there to compare
    double errorDb = 0.0; // the largest difference, in dB of full scale
    double liveLevelDb = 0.0; // the loudest frame of the live mix compared, so a silent match is seen
    qint64 frames = 0; // frames compared
};

Outcome liveAgainstExport(const QString &folder);

// Clicks over a tone, so that a stretcher has more than clicks to do.
AudioGen::Pcm clicksOverTone(double seconds, int clicks, double frequency, double toneFrequency);
// A loop of `beats` such clicks at `bpm`, named with its BPM, in `folder`.
QString writeLoop(const QString &folder, int bpm, int beats, double frequency);

} // namespace ExportCheck
