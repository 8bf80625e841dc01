#pragma once
// The computer's move at each of its three levels, read from the board alone.
#include "computer/cpurandom.h"
#include "rules/board.h"

namespace Computer {
// What choose returns besides a cell (0..63).
enum : qint16 {
    Pass = -1,  // no cell takes a move
    Idle = -2,  // levels 1 and 2 on a full board: the game is over, nothing to do
};

// The move of the side to move at level 1 ("初級": the first legal cell of a
// sweep whose direction is drawn), 2 ("中級": a legal cell drawn at random)
// or 3 ("上級": corners first, then the cells away from them, then those next
// to one; the fewest flips before move 25, the most from then on). Draws
// its numbers from random, exactly as many as the level takes.
qint16 choose(const Board &board, int level, const CpuRandom::Source &random);
}  // namespace Computer
