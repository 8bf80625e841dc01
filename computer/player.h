#pragma once
// The computer's move at each of its three levels, read from the board alone.
#include "computer/cpurandom.h"
#include "rules/board.h"

namespace Computer {
// What the computer does on its turn.
struct Choice {
    enum Kind : char {
        Cell,  // plays cell
        Pass,  // no cell takes a move
        Idle,  // levels 1 and 2 on a full board: the game is over, nothing to do
    };
    Kind kind = Idle;
    int cell = -1;  // 0..63 for Cell, else -1

    static constexpr Choice at(int cell) { return {Cell, cell}; }
};

// The move of the side to move at level 1 ("初級": the first legal cell of a
// sweep whose direction is drawn), 2 ("中級": a legal cell drawn at random)
// or 3 ("上級": corners first, then the cells away from them, then those next
// to one; the fewest flips before move 25, the most from then on). Draws
// its numbers from random, exactly as many as the level takes.
Choice choose(const Board &board, int level, const CpuRandom::Source &random);
}  // namespace Computer
