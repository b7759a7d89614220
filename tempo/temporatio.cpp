#include "tempo/temporatio.h"

#include <cmath>
#include <cstdint>
#include <span>

namespace TempoRatio {

namespace {

// B itself, then the multiples of B in order of preference.
constexpr Multiple kMultiples[]
    = { { 1, 1 }, { 1, 2 }, { 1, 4 }, { 2, 1 }, { 4, 1 }, { 1, 3 }, { 3, 1 }, { 2, 3 }, { 3, 2 } };

__extension__ typedef unsigned __int128 Wide128;

// The candidate rule, on whole tempos (Value std::int64_t, compared in 128 bits) or on real
// ones (double). Each candidate is kept as the fraction num / den = (timesB x B) / (timesA x A)
// and distances from 1 are compared cross-multiplied, so two candidates equally near really
// compare equal and the earlier one stays; with rounded quotients the later of two equally
// good ratios could win by an ulp.
template <typename Value, typename Wide> std::optional<Multiple> nearest(Value a, Value b)
{
    struct Fraction {
        Value num;
        Value den;
    };
    const auto distanceNumerator
        = [](const Fraction &f) { return Wide(f.num > f.den ? f.num - f.den : f.den - f.num); };
    // |1 - x| < |1 - y|
    const auto strictlyNearer = [&](const Fraction &x, const Fraction &y) {
        return distanceNumerator(x) * Wide(y.den) < distanceNumerator(y) * Wide(x.den);
    };

    Fraction best { b, a };
    std::optional<Multiple> chosen = kMultiples[0];
    // A tempo more than four times the other is no pair to match: park the best at 5.0,
    // outside the accepted bounds, so only a real multiple below can replace it.
    if (distanceNumerator(best) > Wide(3) * Wide(a)) {
        best = { 5, 1 };
        chosen.reset();
    }
    for (const Multiple &m : std::span(kMultiples).subspan(1)) {
        const Fraction candidate { Value(m.timesB) * b, Value(m.timesA) * a };
        if (strictlyNearer(candidate, best)) {
            best = candidate;
            chosen = m;
        }
    }

    // best > 2.5 or best < 0.8, exactly; the bounds themselves are accepted.
    if (Wide(2) * Wide(best.num) > Wide(5) * Wide(best.den)
        || Wide(5) * Wide(best.num) < Wide(4) * Wide(best.den))
        return std::nullopt;
    return chosen;
}

} // namespace

std::optional<Multiple> nearestMultiple(double bpm1, double bpm2)
{
    // Written so that NaN counts as unusable too.
    if (!(bpm2 >= kMinBpm) || !(bpm1 >= kMinBpm) || std::isinf(bpm1) || std::isinf(bpm2))
        return std::nullopt;
    return nearest<double, double>(bpm1, bpm2);
}

float tempoRatio(int bpm1, int bpm2)
{
    if (bpm2 < kMinBpm || bpm1 < kMinBpm)
        return 1.0f;
    const std::optional<Multiple> m = nearest<std::int64_t, Wide128>(bpm1, bpm2);
    return m ? float(m->ratio(bpm1, bpm2)) : 1.0f;
}

RateSplit splitRatio(double ratio)
{
    const double half = std::sqrt(ratio);
    return { half, 1.0 / half };
}

} // namespace TempoRatio
