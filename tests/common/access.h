#pragma once
// What tests reach inside the windows: befriended by MatchWindow and Form2.
#include "match/matchwindow.h"
#include "tests/common/boards.h"
#include "windows/cpu/form2.h"

class TestAccess {
public:
    // Puts the window's game at b and draws it, without a mark.
    static void setBoard(MatchWindow *w, const Board &b)
    {
        w->m_board = b;
        w->drawBoard();
        w->komacount();
    }
    static void setBoard(MatchWindow *w, const QStringList &rows, qint16 turn, int moveCount = -1)
    {
        setBoard(w, Board::fromRows(rows, turn, moveCount));
    }
    // Where the computer's numbers come from; empty: the program's generator.
    static void setRandomSource(Form2 *f, CpuRandom::Source source) { f->m_random = std::move(source); }
};
