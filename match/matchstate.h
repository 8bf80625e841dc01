#pragma once
// One game's state as a value: what a match window snapshots, restores and
// compares. The window keeps the same fields as members under the names
// used throughout; MatchWindow::state() and restore() copy them.
#include <QtGlobal>

struct MatchState {
    using i16 = qint16;

    i16 Board[8][8] = {};
    i16 turnColor = 1;
    i16 flipFound = 0;
    i16 moveMade = 0;
    i16 moveCount = 0;
    i16 passFlag = 0;
    i16 probeOnly = 0;

    i16 at(int index) const { return Board[index / 8][index % 8]; }
    bool operator==(const MatchState &other) const;
    bool operator!=(const MatchState &other) const { return !(*this == other); }
};
