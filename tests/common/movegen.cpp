#include "tests/common/movegen.h"

namespace TestKit {
namespace {

// The same probe the pass command runs, for one cell.
bool isLegal(MatchWindow *w, qint16 row, qint16 col)
{
    w->probeOnly = 1;
    for (auto scan : {&MatchWindow::hidari, &MatchWindow::migi, &MatchWindow::ue, &MatchWindow::sita,
                      &MatchWindow::migiue, &MatchWindow::migisita, &MatchWindow::hidariue, &MatchWindow::hidarisita})
        (w->*scan)(row, col);
    const bool legal = w->moveMade == 1;
    w->moveMade = 0;
    w->probeOnly = 0;
    return legal;
}

quint64 count(MatchWindow *w, int depth, bool previousWasPass)
{
    if (depth == 0)
        return 1;
    quint64 n = 0;
    bool any = false;
    for (qint16 k = 0; k < 64; ++k) {
        const qint16 row = k / 8;
        const qint16 col = k % 8;
        if (w->Board[row][col] != 0 || !isLegal(w, row, col))
            continue;
        any = true;
        const MatchState s = w->state();
        w->Image1_Click(k);
        n += count(w, depth - 1, false);
        w->restore(s);
    }
    if (any)
        return n;
    if (previousWasPass)
        return 0;  // neither side can move: the game is over
    const MatchState s = w->state();
    w->turnColor = -w->turnColor;
    n = count(w, depth - 1, true);
    w->restore(s);
    return n;
}
}  // namespace

quint64 countMoveSequences(MatchWindow *w, int depth) { return count(w, depth, false); }
}  // namespace TestKit
