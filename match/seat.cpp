#include "match/seat.h"

#include "rules/match.h"

void Seat::sit(SeatView *view, Match *match)
{
    m_view = view;
    m_match = match;
    seated();
}

QString Seat::resultText(Disc winner, bool) const
{
    if (winner == Empty)
        return QStringLiteral("こ の 勝 負 引 き 分 け");
    return winner == Black ? QStringLiteral("お 見 事 黒 番 の 勝 利") : QStringLiteral("お 見 事 白 番 の 勝 利");
}

void Seat::newGameAsked() { m_match->syokika(); }
void Seat::resignAsked() { m_match->touryou(); }
void Seat::quitAsked() { m_view->syuuryou(); }
void Seat::menuAsked() { m_view->modesentaku(); }
