#pragma once
// The peer opposite, over one TCP connection: the socket (Winsock1), the
// session that decides the agreements (rematch, quit, mode select), the
// socket events held while a box is open, and the carrying out of the
// session's steps on the window and the match.
#include <QString>
#include <functional>

#include "match/seat.h"
#include "net/netsession.h"
#include "net/protocol.h"
#include "net/winsock.h"

class BoxQueue;

class NetSeat : public Seat {
    Q_OBJECT
public:
    // ownColor: the colour played at this keyboard, Black (host) or White.
    explicit NetSeat(Disc ownColor);

    Winsock *Winsock1 = nullptr;
    bool connected = false;
    Disc ownColor() const { return m_ownColor; }
    // The last agreement number received or answered, "68" once this side
    // forces the end, "0" at a new game.
    const QString &lastMessage() const { return m_session.lastMessage(); }

    // Where chat lines are listed (the chat window, shown if need be).
    void setChatList(std::function<void(const QString &)> list) { m_listChat = std::move(list); }
    // The connection ended before the peer said a word the game knows:
    // true if the window carried on without it (a port scanner).
    std::function<bool()> leftUnheard;

    // The received rematch, quit or mode-select number in lastMessage: the
    // peer's request or its answer to ours.
    void saisencheck() { carryOut(m_session.saisencheck(turn())); }
    void syuuryoucheck() { carryOut(m_session.syuuryoucheck(turn())); }
    void modecheck() { carryOut(m_session.modecheck(turn())); }

    // This side's chat line, as name writes it; listed as the peer reads it.
    void chat(const QString &name, const QString &text);
    // The close box while connected: asks, then forces the end.
    void forceEnd();
    // Back to waiting for a peer: a new session, nothing heard.
    void forget();

    // Runs fn for a socket event from the event loop, in order, once the
    // running handler and every open box are done.
    void post(std::function<void()> fn);

    void Winsock1_DataArrival(qint32 bytesTotal);
    void Winsock1_SendComplete();
    // The connection was lost (the peer's program ended, the network broke);
    // heard: the peer had sent something the game knows.
    void Winsock1_Close(bool heard);

    QString resultText(Disc winner, bool byResignation) const override;
    void newGameAsked() override;  // rematch request
    void resignAsked() override;
    void quitAsked() override;
    void menuAsked() override;
    void leave() override;
    void release() override;

    // Socket events held back while a box is open; a peer flooding beyond
    // this is not listened to until the box closes.
    static constexpr int maxWaitingEvents = 1000;

protected:
    void seated() override;

private:
    friend class TestAccess;
    void receive(const Protocol::Message &m);
    // Carries out what the session decided, in order, until a box finds the
    // window gone or the window leaves.
    void carryOut(const NetSession::Steps &steps);
    void listChat(const QString &line);
    // The one place the session reads the game: whose move it is.
    NetSession::Turn turn() const;

    Disc m_ownColor;
    NetSession m_session;
    BoxQueue *m_queue = nullptr;
    bool m_heard = false;  // see Winsock1_Close
    std::function<void(const QString &)> m_listChat;
};
