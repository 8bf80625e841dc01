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
        w->boardFocus->refresh();
    }
    template <class Window>
    static void setBoard(Window *w, const QStringList &rows, qint16 turn, int moveCount = -1)
    {
        setBoard(w, Board::fromRows(rows, Disc(turn), moveCount));
    }
    // Where the computer's numbers come from; empty: the program's generator.
    template <class Cpu, class Source>
    static void setRandomSource(Cpu *seat, Source source)
    {
        seat->m_random = std::move(source);
    }
    // A network seat's socket events waiting for a box to close, and the
    // received messages its session ignored.
    template <class Net>
    static int waitingEvents(const Net *seat)
    {
        return seat->m_queue->size();
    }
    template <class Net>
    static int ignoredMessages(const Net *seat)
    {
        return int(seat->m_session.m_log.count());
    }
    // A socket control's keep-alive timing (all of them) and its listening port.
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
};
