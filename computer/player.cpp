#include "computer/player.h"

#include <algorithm>

namespace Computer {
namespace {
// Level 3's groups, tried in this order.
constexpr int cornerCells[4] = {0, 7, 56, 63};
constexpr int otherCells[48] = {2,  3,  4,  5,  10, 11, 12, 13, 16, 17, 18, 19, 20, 21, 22, 23,
                                24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36, 37, 38, 39,
                                40, 41, 42, 43, 44, 45, 46, 47, 50, 51, 52, 53, 58, 59, 60, 61};
constexpr int nearCornerCells[12] = {1, 6, 8, 9, 14, 15, 48, 49, 54, 55, 57, 62};

// Level 2 draws until every cell has been tried. A sound generator covers the
// 64 cells in a few hundred draws; past this many the cells not yet tried are
// taken in order, so even a source stuck on a few numbers ends the turn.
constexpr int drawsBeforeSweep = 4096;

// 1 or 2, equally likely.
int drawDirection(const CpuRandom::Source &random) { return std::clamp(static_cast<int>(2 * random()) + 1, 1, 2); }
int drawCell(const CpuRandom::Source &random) { return std::clamp(static_cast<int>(64 * random()), 0, 63); }

bool legal(const Board &b, int k) { return !b.flips(k).isEmpty(); }

Choice cpu1(const Board &b, const CpuRandom::Source &random)
{
    const int d = drawDirection(random);
    if (b.full())
        return {Choice::Idle};
    for (int n = 0; n < 64; ++n) {
        const int k = d == 1 ? n : 63 - n;
        if (legal(b, k))
            return Choice::at(k);
    }
    return {Choice::Pass};
}

Choice cpu2(const Board &b, const CpuRandom::Source &random)
{
    if (b.full())
        return {Choice::Idle};
    bool tried[64] = {};
    int untried = 64;
    for (int draws = 0;; ++draws) {
        int k = 0;
        if (draws < drawsBeforeSweep)
            k = drawCell(random);
        else
            while (tried[k])
                ++k;
        if (legal(b, k))
            return Choice::at(k);
        if (!tried[k]) {
            tried[k] = true;
            --untried;
        }
        if (untried == 0)
            return {Choice::Pass};
    }
}

Choice cpu3(const Board &b, const CpuRandom::Source &random)
{
    const int d = drawDirection(random);
    struct Group {
        const int *cells;
        int size;
    };
    const Group groups[3] = {{cornerCells, 4}, {otherCells, 48}, {nearCornerCells, 12}};
    // A later group is looked at only when no earlier one held a legal cell.
    for (const Group &group : groups) {
        int bestFew = 99, bestMany = 0, best = -1;
        for (int n = 0; n < group.size; ++n) {
            const int k = group.cells[d == 1 ? n : group.size - 1 - n];
            const int flips = b.flips(k).count();
            // Ties go to the cell tried first.
            if (b.moveCount() >= 25 ? flips > bestMany : flips != 0 && flips < bestFew) {
                bestFew = bestMany = flips;
                best = k;
            }
        }
        if (best >= 0)
            return Choice::at(best);
    }
    return {Choice::Pass};
}
}  // namespace

Choice choose(const Board &board, int level, const CpuRandom::Source &random)
{
    if (level == 1)
        return cpu1(board, random);
    if (level == 2)
        return cpu2(board, random);
    return cpu3(board, random);
}
}  // namespace Computer
