#pragma once
// Sets a match window's board from eight rows of text: 'B' black, 'W' white,
// '.' empty. moveCount follows the number of discs, as in a real game.
#include <QStringList>

#include "engine/matchwindow.h"

namespace TestKit {
inline void setBoard(MatchWindow *w, const QStringList &rows, qint16 turn)
{
    MatchState s = w->state();
    int discs = 0;
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c) {
            const QChar ch = rows.at(r).at(c);
            const qint16 v = ch == QLatin1Char('B') ? 1 : ch == QLatin1Char('W') ? -1 : 0;
            s.Board[r][c] = v;
            discs += v != 0;
        }
    s.turnColor = turn;
    s.moveCount = static_cast<qint16>(discs - 4);
    s.passFlag = 0;
    w->restore(s);
}

inline QStringList boardRows(const MatchWindow *w)
{
    const MatchState s = w->state();
    QStringList rows;
    for (int r = 0; r < 8; ++r) {
        QString row;
        for (int c = 0; c < 8; ++c)
            row += s.Board[r][c] == 1 ? QLatin1Char('B') : s.Board[r][c] == -1 ? QLatin1Char('W') : QLatin1Char('.');
        rows << row;
    }
    return rows;
}
}  // namespace TestKit
