#pragma once
// Sets a match window's board from eight rows of text: 'B' black, 'W' white,
// '.' empty. moveCount follows the number of discs, as in a real game.
#include <QStringList>

#include "match/matchwindow.h"

namespace TestKit {
// A cell's mark sits at its value + 1: white -1, empty 0, black 1.
inline constexpr char kMarks[] = "W.B";

inline void setBoard(MatchWindow *w, const QStringList &rows, qint16 turn)
{
    MatchState s = w->state();
    int discs = 0;
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c) {
            const int mark = QByteArray(kMarks).indexOf(rows.at(r).at(c).toLatin1());
            s.Board[r][c] = static_cast<qint16>(mark < 0 ? 0 : mark - 1);  // anything else: empty
            discs += s.Board[r][c] != 0;
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
            row += QLatin1Char(kMarks[s.Board[r][c] + 1]);
        rows << row;
    }
    return rows;
}
}  // namespace TestKit
