#include "rules/match.h"

#include <utility>

void Match::syokika()
{
    m_board = Board();
    m_mark = -1;
    m_over = false;
    emit newGame();
}

bool Match::play(int cell)
{
    if (cell < 0 || cell > 63 || m_board.at(cell) != Empty)
        return false;
    const Disc colour = m_board.turnColor();
    const CellSet changed = m_board.play(cell);
    if (changed.isEmpty())
        return false;
    emit moved(cell, changed, std::exchange(m_mark, cell), colour);
    if (m_board.full())
        syuukyoku();
    return true;
}

void Match::pass()
{
    emit passed(m_board.turnColor());
    if (!m_board.pass()) {
        syuukyoku();
        return;
    }
    emit turnChanged(m_board.turnColor());
}

void Match::syuukyoku()
{
    m_over = true;
    emit ended(m_board.result(), false, std::exchange(m_mark, -1));
}

void Match::touryou()
{
    m_over = true;
    emit ended(opponentOf(m_board.turnColor()), true, -1);
}
