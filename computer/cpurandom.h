#pragma once
// The numbers behind the computer's random choices: uniform in [0, 1).
// One generator for the whole program, seeded once; a window can be handed a
// source of its own (tests feed chosen numbers, the tournament a seeded one).
#include <QtGlobal>
#include <functional>

namespace CpuRandom {
using Source = std::function<double()>;

// The program's generator.
double draw();
// An independent generator that repeats the same numbers for the same seed.
Source seeded(quint32 seed);
}  // namespace CpuRandom
