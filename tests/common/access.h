#pragma once
// What tests reach inside product classes, each of which befriends
// TestAccess. The members are templates, so that a test includes the headers
// of only what it reaches and links nothing more.
#include "tests/common/boards.h"

class TestAccess {
public:
    // Puts a match's game at b, without a mark.
    template <class Match>
    static void setGame(Match &m, const Board &b)
    {
        m.m_board = b;
        m.m_mark = -1;
    }
    // The same for a match window, drawn.
    template <class Window>
    static void setBoard(Window *w, const Board &b)
    {
        setGame(*w->m_match, b);
        w->drawBoard();
        w->komacount();
    }
    template <class Window>
    static void setBoard(Window *w, const QStringList &rows, qint16 turn, int moveCount = -1)
    {
        setBoard(w, Board::fromRows(rows, Disc(turn), moveCount));
    }
    // Where the computer window's numbers come from; empty: the program's generator.
    template <class Cpu, class Source>
    static void setRandomSource(Cpu *f, Source source)
    {
        f->m_random = std::move(source);
    }
    // A socket control's keep-alive timing (all of them), its listening port
    // and its connection's descriptor (-1: none).
    template <class Socket>
    static auto &keepAlive()
    {
        return Socket::s_keepAlive;
    }
    template <class Socket>
    static quint16 port(const Socket &s)
    {
        return s.m_localPort;
    }
    template <class Socket>
    static int descriptor(const Socket &s)
    {
        return s.m_socket ? int(s.m_socket->socketDescriptor()) : -1;
    }
};
