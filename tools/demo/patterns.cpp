#include "patterns.h"

namespace Patterns {
namespace {

using AudioGen::MidiNote;
using Instruments::Voice;

constexpr int kDrumChannel = 9;
constexpr double kStep = 0.25; // a sixteenth note, in beats

// One bar of a drum row on a sixteenth grid: 'X' accent, 'x' hit, 'o' ghost note.
// Hip hop rows may swing: the off-beat eighths come late.
void drumRow(Phrase &phrase, int bar, int key, const char *steps, double level, double swing = 0.0)
{
    for (int i = 0; steps[i] != '\0'; ++i) {
        const char c = steps[i];
        if (c != 'X' && c != 'x' && c != 'o')
            continue;
        const int velocity = c == 'X' ? 127 : c == 'x' ? 105 : 52;
        const double late = i % 4 == 2 ? swing : 0.0;
        phrase.notes.append({kDrumChannel, key, int(velocity * level), bar * 4 + i * kStep + late, kStep});
    }
}

// Notes as (sixteenth step from the phrase's start, key, length in sixteenths).
struct Step {
    int step;
    int key;
    double length;
    int velocity = 100;
};

void melodic(Phrase &phrase, std::initializer_list<Step> steps)
{
    for (const Step &s : steps)
        phrase.notes.append({0, s.key, s.velocity, s.step * kStep, s.length * kStep});
}

void chord(Phrase &phrase, int step, double length, std::initializer_list<int> keys, int velocity)
{
    for (int key : keys)
        phrase.notes.append({0, key, velocity, step * kStep, length * kStep});
}

// Keys used below.
enum Key {
    E1 = 28, F1 = 29, G1 = 31, A1 = 33, C2 = 36, D2 = 38, E2 = 40, G2 = 43, A2 = 45,
    F3 = 53, G3 = 55, A3 = 57, C4 = 60, D4 = 62, E4 = 64, F4 = 65, G4 = 67, A4 = 69, B4 = 71,
    C5 = 72, D5 = 74, E5 = 76,
};

} // namespace

Phrase hipHopDrums(int variation)
{
    Phrase p;
    const double swing = 0.07;
    if (variation == 0) {
        drumRow(p, 0, 36, "x......x..x.....", 1.0);
        drumRow(p, 1, 36, "x.x.......x.....", 1.0);
        drumRow(p, 0, 38, "....x.......x...", 1.0);
        drumRow(p, 1, 38, "....x.......x..o", 1.0);
        for (int bar = 0; bar < 2; ++bar)
            drumRow(p, bar, 42, "x.x.x.x.x.x.x.x.", 0.75, swing);
    } else {
        drumRow(p, 0, 36, "x.....x...x..x..", 1.0);
        drumRow(p, 1, 36, "x.........x.....", 1.0);
        drumRow(p, 0, 38, "....x.......x...", 1.0);
        drumRow(p, 1, 38, "....x..o....x...", 1.0);
        drumRow(p, 0, 37, "..........x.....", 0.8);
        drumRow(p, 0, 42, "xoxoxoxoxoxoxoxo", 0.7, swing);
        drumRow(p, 1, 42, "xoxoxoxoxoxox...", 0.7, swing);
        drumRow(p, 1, 46, "..............x.", 0.6, swing);
    }
    return p;
}

Phrase hipHopBass(int variation)
{
    Phrase p;
    if (variation == 0) {
        p.voice = Voice::SubBass;
        melodic(p, {{0, A1, 5}, {7, A1, 2}, {10, C2, 4}, {16, F1, 5}, {23, F1, 2}, {26, G1, 4}});
    } else {
        p.voice = Voice::Pluck;
        melodic(p, {{0, A1, 3}, {3, A1, 1}, {6, C2, 2}, {8, E2, 2}, {12, D2, 2}, {14, C2, 2},
                    {16, F1, 3}, {19, F1, 1}, {22, A1, 2}, {24, C2, 2}, {28, G1, 2}, {30, E1, 2}});
    }
    return p;
}

Phrase hipHopMelody(int variation)
{
    Phrase p;
    if (variation == 0) {
        p.voice = Voice::ElectricPiano;
        const int rhythm[][2] = {{0, 5}, {6, 2}, {10, 5}};
        for (const auto &[step, length] : rhythm) {
            chord(p, step, length, {A3, C4, E4, G4}, step == 0 ? 92 : 76);
            chord(p, 16 + step, length, {F3, A3, C4, E4}, step == 0 ? 92 : 76);
        }
    } else {
        p.voice = Voice::Pluck;
        melodic(p, {{0, E5, 2}, {3, C5, 1}, {4, A4, 2}, {8, G4, 2}, {10, A4, 2}, {12, C5, 4},
                    {16, A4, 2}, {19, C5, 1}, {20, E5, 3}, {24, D5, 2}, {26, C5, 2}, {28, A4, 4}});
    }
    return p;
}

Phrase technoDrums(int variation)
{
    Phrase p;
    for (int bar = 0; bar < 2; ++bar) {
        drumRow(p, bar, 36, bar == 1 && variation == 1 ? "x...x...x...x..o" : "x...x...x...x...", 1.0);
        drumRow(p, bar, 39, "....x.......x...", 0.9);
        if (variation == 0) {
            drumRow(p, bar, 46, "..x...x...x...x.", 0.55);
            drumRow(p, bar, 42, "oo.ooo.ooo.ooo.o", 0.9);
        } else {
            drumRow(p, bar, 37, "...x.......x..x.", 0.7);
            drumRow(p, bar, 42, "xoxxxoxxxoxxxoxx", 0.6);
            if (bar == 1)
                drumRow(p, bar, 46, "..x...x...x...x.", 0.5);
        }
    }
    return p;
}

Phrase technoBass(int variation)
{
    Phrase p;
    p.voice = Voice::AcidBass;
    if (variation == 0) {
        melodic(p, {{2, A1, 2, 70}, {6, A1, 2, 70}, {10, A1, 2, 70}, {14, A1, 2, 70},
                    {18, A1, 2, 70}, {22, A1, 2, 70}, {26, A1, 2, 70}, {30, C2, 2, 76}});
    } else {
        const int keys[32] = {A1, A1, A2, A1, C2, A1, G1, A2, A1, E2, A1, A1, D2, A1, C2, G1,
                              A1, A1, A2, A1, C2, A1, G2, A2, A1, E2, A1, A2, D2, C2, A1, G1};
        const char *accents = "X.x.X..xX.x.x..x" "X.x.X..xX.x.Xx.x";
        for (int i = 0; i < 32; ++i) {
            if (i % 8 == 5)
                continue; // a rest now and then lets the line breathe
            const int velocity = accents[i] == 'X' ? 127 : accents[i] == 'x' ? 96 : 72;
            melodic(p, {{i, keys[i], 0.8, velocity}});
        }
    }
    return p;
}

Phrase technoMelody(int variation)
{
    Phrase p;
    if (variation == 0) {
        p.voice = Voice::Pluck;
        p.beats = 16.0;
        const int tops[4] = {A4, B4, A4, G4};
        const int thirds[4] = {C4, C4, C4, D4};
        const int fifths[4] = {E4, E4, F4, G4};
        for (int bar = 0; bar < 4; ++bar) {
            const int cycle[4] = {A3, thirds[bar], fifths[bar], tops[bar]};
            for (int i = 0; i < 16; ++i)
                melodic(p, {{bar * 16 + i, cycle[(i % 6 < 4 ? i % 6 : 6 - i % 6) % 4], 0.9, i % 4 == 0 ? 110 : 84}});
        }
    } else {
        p.voice = Voice::Stab;
        for (int step : {3, 6, 10, 19, 22, 27, 30})
            chord(p, step, 1.2, {A3, C4, E4}, step % 8 == 6 ? 110 : 90);
    }
    return p;
}

} // namespace Patterns
