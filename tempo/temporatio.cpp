#include "tempo/temporatio.h"

#include <cstdint>

namespace TempoRatio {

namespace {

// A candidate ratio num / den with both parts positive. Kept as a fraction so that two
// candidates at the same distance from 1 really compare equal; rounded doubles would
// let the later of two equally good ratios win by an ulp.
struct Fraction {
    std::int64_t num;
    std::int64_t den;
};

__extension__ typedef unsigned __int128 Wide;

Wide distanceNumerator(const Fraction &f)
{
    return Wide(f.num > f.den ? f.num - f.den : f.den - f.num);
}

// |1 - a| < |1 - b|, exactly.
bool strictlyNearer(const Fraction &a, const Fraction &b)
{
    return distanceNumerator(a) * Wide(b.den) < distanceNumerator(b) * Wide(a.den);
}

} // namespace

float tempoRatio(int bpm1, int bpm2)
{
    if (bpm2 < kMinBpm || bpm1 < kMinBpm)
        return 1.0f;
    const std::int64_t a = bpm1;
    const std::int64_t b = bpm2;

    Fraction best { b, a };
    // A tempo more than four times the other is no pair to match: park the best at 5.0,
    // outside the accepted bounds, so only a real multiple below can replace it.
    if (distanceNumerator(best) > Wide(3 * a))
        best = { 5, 1 };

    // Multiples of B tried after B itself, in order of preference.
    static constexpr struct {
        int timesB;
        int timesA;
    } multiples[] = { { 1, 2 }, { 1, 4 }, { 2, 1 }, { 4, 1 }, { 1, 3 }, { 3, 1 }, { 2, 3 }, { 3, 2 } };
    for (const auto &m : multiples) {
        const Fraction candidate { m.timesB * b, m.timesA * a };
        if (strictlyNearer(candidate, best))
            best = candidate;
    }

    // best > 2.5 or best < 0.8, exactly; the bounds themselves are accepted.
    if (Wide(2 * best.num) > Wide(5 * best.den) || Wide(5 * best.num) < Wide(4 * best.den))
        return 1.0f;
    return float(double(best.num) / double(best.den));
}

RateSplit splitRatio(float ratio)
{
    const double half = (double(ratio) - 1.0) * 0.5;
    return { float(1.0 + half) - 1.0f, float(1.0 - half) - 1.0f };
}

} // namespace TempoRatio
