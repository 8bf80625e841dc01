#pragma once
// One side of a network match without widgets or sockets: it takes what
// arrives, what has been sent, the user's answers and the connection's end,
// and says what the window must do, as a list of steps carried out in order.
// The window only carries them out, so every order of events can be tried on
// two sessions joined by an in-process wire.
//
// On the wire a request and an acceptance are the same number ("66"); only
// this side's own flag for the kind tells them apart, so at most one request
// of a kind is ever unanswered. Two requests of one kind that cross count as
// each other's acceptance.
#include <QByteArray>
#include <QString>
#include <deque>
#include <vector>

#include "net/peerlog.h"
#include "net/protocol.h"

class NetSession {
public:
    // What this side does once a send has left, fixed when it is sent.
    enum class FollowUp : char { Nothing, NewGame, Menu, EndProgram };
    // Whose move it is, as the window's game reads: None while not connected
    // or between games.
    enum class Turn : char { None, Own, Peer };

    struct Step {
        enum Kind : char {
            Play,          // value: the peer's cell, played as a click
            PeerPassed,    // "あいてはパスしました。", then the pass
            PeerResigned,  // the peer's resignation on the board
            Notice,        // text, in a box; the steps after it wait for OK
            Ask,           // text, a Yes/No box; the answer goes to answered(value, ...)
            NewGame,       // syokika
            Menu,          // modesentaku
            End,           // syuuryou
            Send,          // bytes; what follows them goes to sent()
            Lock,
            Unlock,
            Settle,  // lock or unlock as settle() says at that moment
            Chat,    // text: a line for the chat list
            Status,  // text: the status line
            Stop,    // the game stops where it is, the requests offered as after a game
        };
        Step(Kind k, qint16 v = 0, const QString &t = QString(), const QByteArray &b = QByteArray(),
             FollowUp f = FollowUp::Nothing)
            : kind(k), value(v), text(t), bytes(b), followUp(f)
        {
        }
        Kind kind;
        qint16 value;
        QString text;
        QByteArray bytes;
        FollowUp followUp;
    };
    using Steps = std::vector<Step>;

    // ---- this side's user ----
    // "再 戦", "終 了" or "モード選択": the code goes out, unless the same
    // request still waits for its answer.
    Steps request(qint16 code);
    // The answer to the question about code (asked through an Ask step).
    Steps answered(qint16 code, bool yes, Turn turn);
    // The close box answered Yes while connected: "68" goes out, then the end.
    Steps forceEnd();
    Steps chat(const QByteArray &bytes) const { return {sendStep(bytes)}; }
    Steps resign() const { return {sendStep(Protocol::encodeNumber(Protocol::Resign))}; }
    // This side's own move was played on the board, on cell.
    Steps ownMove(int cell) const;
    // A pass begins: this side's own (the "-1" goes out) or the peer's.
    Steps passing(bool own) const;

    // ---- the connection ----
    // One message of a read, handled once no box is open.
    Steps received(const Protocol::Message &m, Turn turn);
    // The send of a Send step was made (ok) or failed.
    Steps sent(FollowUp followUp, bool ok);
    // The oldest send still counted has left.
    Steps completed();
    // The connection was lost.
    Steps closed();

    // ---- the game ----
    // A new game is on the board.
    Steps newGame();
    // The board after the peer's move or pass, and after every agreement.
    Steps settle(Turn turn) const;
    // Something the peer sent was dropped before it was read (too much waiting).
    void dropped() { m_log.dropped(); }

    // The agreement checks, on the number stored in lastMessage.
    Steps saisencheck(Turn turn) { return agreementCheck(turn); }
    Steps syuuryoucheck(Turn turn) { return agreementCheck(turn); }
    Steps modecheck(Turn turn) { return agreementCheck(turn); }

    // The last agreement number received or answered, "68" once this side
    // forces the end, "0" at a new game.
    const QString &lastMessage() const { return m_lastMessage; }
    bool rematchRequested() const { return requested(Protocol::Rematch); }
    bool quitRequested() const { return requested(Protocol::Quit); }
    bool modeRequested() const { return requested(Protocol::ModeSelect); }
    // This side has agreed to leave or forced the end: what the peer sends
    // from now on changes nothing.
    bool leaving() const { return m_leaving; }

    static bool isLeaving(FollowUp f) { return f == FollowUp::Menu || f == FollowUp::EndProgram; }

private:
    friend class TestAccess;
    static int slot(qint16 code);
    bool requested(qint16 code) const { return m_requested[slot(code)]; }
    bool newGameComing() const;
    Turn game(Turn turn) const { return m_stopped ? Turn::None : turn; }
    Steps agreementCheck(Turn turn);
    Steps acceptRematch();
    Steps ignored(const char *why, const QString &text);
    // What the peer sent shows the two sides disagree: dropped, and told,
    // and a game on stops so that a rematch can start both afresh.
    Steps outOfStep(const char *why, const QString &text, Turn turn);
    static Step sendStep(const QByteArray &bytes, FollowUp f = FollowUp::Nothing);
    static Steps leave(FollowUp f);

    bool m_requested[3] = {false, false, false};  // mode select, rematch, quit
    bool m_peerAskedRematch = false;              // its rematch number dropped in this game
    bool m_toldOutOfStep = false;                 // in this game
    bool m_stopped = false;                       // this game, for being out of step
    bool m_leaving = false;
    std::deque<FollowUp> m_followUps;  // one per send not yet completed
    QString m_lastMessage = QStringLiteral("0");
    PeerLog m_log;
};
