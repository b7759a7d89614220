#include "tempo/beatevidence.h"

#include <algorithm>
#include <cmath>
#include <vector>

double BeatEvidence::onGrid(double bpm) const
{
    if (onsets.isEmpty() || bpm <= 0.0)
        return 0.0;
    const double sixteenth = 60.0 / bpm / 4.0;
    std::vector<double> phases;
    phases.reserve(std::size_t(onsets.size()) * 2);
    for (const double onset : onsets)
        phases.push_back(onset / sixteenth - std::floor(onset / sixteenth));
    std::sort(phases.begin(), phases.end());
    // Around the circle once more, so that a window may wrap past the grid line.
    for (qsizetype i = 0; i < onsets.size(); ++i)
        phases.push_back(phases[std::size_t(i)] + 1.0);
    // The grid's phase is unknown (aubio reports onsets a little late, a swung groove pushes
    // every other sixteenth): the window of 2 x kGridTolerance that holds the most onsets.
    qsizetype most = 0;
    auto last = phases.begin();
    for (auto first = phases.begin(); first != phases.begin() + onsets.size(); ++first) {
        while (last != phases.end() && *last <= *first + 2 * kGridTolerance)
            ++last;
        most = std::max<qsizetype>(most, last - first);
    }
    return double(most) / double(onsets.size());
}

bool BeatEvidence::isBeat(double bpm) const
{
    return onsets.size() >= kMinOnsets && onGrid(bpm) >= kMinOnGrid;
}
