// The computer's three levels. None of them tests legality itself: every
// attempt, and level 3's trial counting, is a click on Form2's own board.
#include <algorithm>

#include "windows/cpu/form2.h"

namespace {
// Level 2 draws until every cell has been tried. A sound generator covers the
// 64 cells in a few hundred draws; past this many the cells not yet tried are
// taken in order, so even a source stuck on a few numbers ends the turn.
constexpr int drawsBeforeSweep = 4096;
}  // namespace

void Form2::setRandomSource(CpuRandom::Source source) { m_random = std::move(source); }

double Form2::nextRandom() { return m_random ? m_random() : CpuRandom::draw(); }

Form2::i16 Form2::drawDirection()
{
    const int d = static_cast<int>(2 * nextRandom()) + 1;
    return static_cast<i16>(std::clamp(d, 1, 2));
}

Form2::i16 Form2::drawCell()
{
    const int k = static_cast<int>(64 * nextRandom());
    return static_cast<i16>(std::clamp(k, 0, 63));
}

// ---------------------------------------------------------------- counting mode

bool Form2::countingMode() const { return cpuLevel == 3 && commitMove != 1 && turnColor == cpuColor; }

void Form2::countFlip() { flipCount = flipCount + 1; }

// ---------------------------------------------------------------- the turn

void Form2::cpu()
{
    if (cpuLevel == 1)
        cpu1();
    else if (cpuLevel == 2)
        cpu2();
    else if (cpuLevel == 3)
        cpu3();
}

void Form2::endOfTurn()
{
    // A game that ended during this turn (two passes, or the last move)
    // keeps its board and buttons locked.
    if (!gameOver())
        cunlock();
    if (moveCount >= 60)
        syuukyoku();
    commitMove = 0;
}

void Form2::cpu1()
{
    // After the person filled the board the game is over: give the turn back
    // and try nothing.
    if (moveCount >= 60)
        turnColor = -turnColor;
    const i16 d = drawDirection();
    for (int n = 0; n < 64 && turnColor == cpuColor; ++n) {
        const i16 k = static_cast<i16>(d == 1 ? n : 63 - n);
        Image1_Click(k);
    }
    // Still our turn: all 64 cells were tried and none took a move.
    if (turnColor == cpuColor)
        pass();
    endOfTurn();
}

void Form2::cpu2()
{
    if (moveCount >= 60)
        turnColor = -turnColor;
    i16 tried[64] = {};
    int untried = 64;
    int draws = 0;
    while (turnColor == cpuColor) {
        i16 k = 0;
        if (draws < drawsBeforeSweep) {
            k = drawCell();
            ++draws;
        } else {
            while (tried[k] != 0)
                ++k;
        }
        Image1_Click(k);
        if (tried[k] == 0) {
            tried[k] = 1;
            --untried;
        }
        if (turnColor == cpuColor && untried == 0) {
            pass();
            break;
        }
    }
    endOfTurn();
}

void Form2::cpu3syokika()
{
    const i16 corners[4] = {0, 7, 56, 63};
    std::copy(std::begin(corners), std::end(corners), cornerCells);
    for (i16 i = 0; i < 48; ++i) {
        if (i <= 3)
            otherCells[i] = i + 2;
        else if (i <= 7)
            otherCells[i] = i + 6;
        else if (i <= 39)
            otherCells[i] = i + 8;
        else if (i <= 43)
            otherCells[i] = i + 10;
        else
            otherCells[i] = i + 14;
    }
    const i16 near[12] = {1, 6, 8, 9, 14, 15, 48, 49, 54, 55, 57, 62};
    std::copy(std::begin(near), std::end(near), nearCornerCells);
    tablesReady = 1;
}

void Form2::cpu3()
{
    const i16 d = drawDirection();
    i16 bestFew = 99, bestMany = 0, bestEntry = 0, found = 0, moved = 0;
    if (tablesReady == 0)
        cpu3syokika();

    struct Group {
        const i16 *cells;
        i16 size;
    };
    const Group groups[3] = {{cornerCells, 4}, {otherCells, 48}, {nearCornerCells, 12}};
    for (const Group &group : groups) {
        if (moved != 0)
            break;
        for (i16 n = 0; n < group.size; ++n) {
            const i16 i = d == 1 ? n : static_cast<i16>(group.size - 1 - n);
            // A trial: counting mode holds, so this only adds to flipCount.
            Image1_Click(group.cells[i]);
            if (moveCount >= 25) {
                if (flipCount > bestMany) {
                    bestMany = flipCount;
                    bestEntry = i;
                    found = 1;
                }
            } else if (flipCount != 0 && flipCount < bestFew) {
                bestFew = flipCount;
                bestEntry = i;
                found = 1;
            }
            flipCount = 0;
        }
        if (found == 1) {
            commitMove = 1;
            Image1_Click(group.cells[bestEntry]);
            moved = 1;
            found = 0;
        }
    }
    if (moved == 0)
        pass();
    endOfTurn();
}
