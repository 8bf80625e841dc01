#pragma once
// What the host window form5 and the client window Form8 share: one game
// over one TCP connection, the agreements for a rematch, a quit and a mode
// select, the chat input and the handling of a lost connection. The two
// windows differ only in their colour, their connection set-up and texts.
#include <QLineEdit>
#include <QString>
#include <functional>

#include "match/matchwindow.h"
#include "net/netsession.h"
#include "net/protocol.h"
#include "net/winsock.h"

class BoxQueue;

class NetMatchWindow : public MatchWindow {
    Q_OBJECT
public:
    // ---- connection state ----
    i16 connected = 0;
    // The last agreement number received or answered, "68" once this side
    // forces the end, "0" at a new game.
    const QString &lastMessage() const { return m_session.lastMessage(); }

    // ---- settings, copied by getdatas ----
    i16 portNumber = 0;
    QString playerName;

    // ---- controls ----
    QLabel *Label8 = nullptr;    // "チャットメッセージ："
    QLineEdit *Text1 = nullptr;  // chat input
    Winsock *Winsock1 = nullptr;

    // ---- procedures ----
    void syokika() override;
    virtual void getdatas();
    virtual void conet() = 0;
    void modesentaku();
    // The received rematch, quit or mode-select number in lastMessage: the
    // peer's request or its answer to ours.
    void saisencheck() { carryOut(m_session.saisencheck(turn())); }
    void syuuryoucheck() { carryOut(m_session.syuuryoucheck(turn())); }
    void modecheck() { carryOut(m_session.modecheck(turn())); }

    // ---- event handlers ----
    void Form_Load() override;
    void Form_QueryUnload(bool &cancel, int unloadMode) override;
    void Form_Unload() override;
    void Command2_Click() override;  // rematch request
    void Command3_Click() override;  // resign
    void Command4_Click() override;  // quit request
    void Command7_Click() override;  // mode-select request
    void Text1_KeyPress(i16 KeyAscii);
    void Winsock1_DataArrival(qint32 bytesTotal);
    void Winsock1_SendComplete();
    // The connection was lost (the peer's program ended, the network broke);
    // heard: the peer had sent something the game knows.
    void Winsock1_Close(bool heard);

    // The colour this side plays: 1 black (host), -1 white (client).
    i16 ownColor() const { return m_ownColor; }

    // Socket events held back while a box is open; a peer flooding beyond
    // this is not listened to until the box closes.
    static constexpr int maxWaitingEvents = 1000;

protected:
    struct Place {
        int label8Left;
        int text1Left;
        int text1Width;
    };
    NetMatchWindow(const Design &design, i16 ownColor, const Place &place);

    // Runs fn for a socket event from the event loop, in order, once the
    // running handler and every open box are done.
    void post(std::function<void()> fn);

    // The connection is up: "Connect完了", the chat window and input, the
    // status line. False if the window went away while the notice was open.
    bool showConnected(const QString &status);

    // The connection ended before the peer said a word the game knows (a
    // port scanner, say): true if the window carried on without it rather
    // than reporting a lost connection.
    virtual bool leftUnheard() { return false; }
    // Back to how the window was before its peer came: a new game and a new
    // session, no chat window, the chat input disabled.
    void forgetPeer();

    // ---- engine seams ----
    void afterMove(i16 played) override;
    void beforePass() override;
    void afterPassHandOver() override;
    QString resultText(i16 winner, bool byResignation) const override;
    void afterGameEnd() override;
    void releaseDevices() override;

private:
    friend struct NetWindowTest;
    void receive(const Protocol::Message &m);
    // Carries out what the session decided, in order, until a box finds the
    // window gone or the window leaves.
    void carryOut(const NetSession::Steps &steps);
    void listChat(const QString &line);
    // The one place the session reads the game: whose move it is.
    NetSession::Turn turn() const;

    i16 m_ownColor;
    NetSession m_session;
    BoxQueue *m_queue = nullptr;
    bool m_heard = false;  // see Winsock1_Close
};
