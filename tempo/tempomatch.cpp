#include "tempo/tempomatch.h"

namespace TempoMatch {

Result matchTempos(const std::vector<double> &ownBpms)
{
    Result result;
    result.rates.assign(ownBpms.size(), 1.0);
    for (std::size_t i = 0; i + 1 < ownBpms.size(); ++i) {
        Pair pair;
        pair.earlierBpm = ownBpms[i] * result.rates[i];
        pair.laterBpm = ownBpms[i + 1];
        pair.multiple = TempoRatio::nearestMultiple(pair.earlierBpm, pair.laterBpm);
        if (pair.multiple) {
            const TempoRatio::RateSplit split = TempoRatio::splitRatio(pair.ratio());
            for (std::size_t j = 0; j <= i; ++j)
                result.rates[j] *= split.earlier;
            result.rates[i + 1] *= split.later;
        }
        result.pairs.push_back(pair);
    }
    return result;
}

} // namespace TempoMatch
