#pragma once
// Counts the legal move sequences of a given depth from a window's position,
// testing and playing every move through the window's own scans and click
// handler. A pass counts as a move only when the side to move has none.
#include "match/matchwindow.h"

namespace TestKit {
quint64 countMoveSequences(MatchWindow *w, int depth);
}
