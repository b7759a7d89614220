#include "library/sampletempo.h"

#include <QCoreApplication>

QString SampleTempo::describe() const
{
    // Translated in the context of the detector, which wrote these lines first.
    switch (origin) {
    case BpmOrigin::FileName:
        return QCoreApplication::translate("TempoDetector", "%1 BPM, from the file name").arg(bpm);
    case BpmOrigin::Audio:
        return QCoreApplication::translate("TempoDetector", "%1 BPM, estimated from the audio").arg(bpm);
    case BpmOrigin::None:
        break;
    }
    return QCoreApplication::translate("TempoDetector", "No BPM: plays at its own speed");
}
