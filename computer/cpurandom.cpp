#include "computer/cpurandom.h"

#include <memory>
#include <random>

namespace CpuRandom {
namespace {
// 32 random bits scaled by 2^-32: exactly uniform over [0, 1), so 2 × r and
// 64 × r give every direction and every cell the same chance.
double unit(std::mt19937 &g) { return static_cast<double>(g()) / 4294967296.0; }

std::mt19937 &generator()
{
    static std::mt19937 g = [] {
        std::random_device device;
        std::seed_seq seq{device(), device(), device(), device()};
        return std::mt19937(seq);
    }();
    return g;
}
}  // namespace

double draw() { return unit(generator()); }

Source seeded(quint32 seed)
{
    auto g = std::make_shared<std::mt19937>(seed);
    return [g] { return unit(*g); };
}
}  // namespace CpuRandom
