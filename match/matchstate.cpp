#include "match/matchstate.h"

#include <algorithm>

bool MatchState::operator==(const MatchState &o) const
{
    return std::equal(&Board[0][0], &Board[0][0] + 64, &o.Board[0][0]) && turnColor == o.turnColor &&
           flipFound == o.flipFound && moveMade == o.moveMade && moveCount == o.moveCount && passFlag == o.passFlag &&
           probeOnly == o.probeOnly;
}
