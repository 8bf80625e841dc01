#pragma once
// Positions for the tests and benchmarks, with no window.
#include <QStringList>

#include "rules/board.h"

namespace TestKit {
// An empty board but for the given rows, or one filled with `fill`.
inline QStringList rows(std::initializer_list<std::pair<int, const char *>> changed, char fill = '.')
{
    QStringList r(8, QString(8, QLatin1Char(fill)));
    for (const auto &c : changed)
        r[c.first] = QString::fromLatin1(c.second);
    return r;
}
// Counts the legal move sequences of a given depth from a position, through
// the board's own moves and passes. A pass counts as a move only when the
// side to move has none; two in a row end the game.
inline quint64 countMoveSequences(const Board &b, int depth)
{
    if (depth == 0)
        return 1;
    quint64 n = 0;
    bool any = false;
    for (int k = 0; k < 64; ++k) {
        Board next = b;
        if (next.play(k).isEmpty())
            continue;
        any = true;
        n += countMoveSequences(next, depth - 1);
    }
    if (any)
        return n;
    Board next = b;
    return next.pass() ? countMoveSequences(next, depth - 1) : 0;
}
}  // namespace TestKit
