#pragma once

// Genre playlist selection; the values are stored nowhere but must stay 0..2. The fixed
// underlying type lets a caller hand in any int (the library then selects nothing) without
// undefined behaviour: an enum without one can only hold the values its enumerators need.
enum GenrePreset : int { HipHop = 0, Techno = 1, Custom = 2 };

// The sample type a player asks the library for; fixed to int for the same reason.
enum SampleType : int { Beat = 0, Melody = 1, Bass = 2 };

// A BPM at or below this counts as "no usable BPM": the sample plays at rate 1.0
// and its player takes no part in tempo matching.
constexpr int kMinUsableBpm = 20;
