#pragma once
// What the host window form5 and the client window Form8 share: the chat
// input and the settings, with the peer in a NetSeat (the socket, the
// session, the agreements for a rematch, a quit and a mode select). The two
// windows differ only in their colour, their connection set-up and texts.
#include <QLineEdit>
#include <QString>
#include <functional>

#include "match/matchwindow.h"
#include "match/netseat.h"

class ChatList;

class NetMatchWindow : public MatchWindow {
    Q_OBJECT
public:
    // The peer's seat: the connection, its state and the session.
    NetSeat *net() const { return m_net; }
    // The colour this side plays: Black (host) or White (client).
    Disc ownColor() const { return m_net->ownColor(); }

    // Where every network window lists its chat lines; set once by the
    // window set.
    static void setChatList(std::function<ChatList *()> chatList);

    // ---- settings, copied by getdatas ----
    i16 portNumber = 0;
    QString playerName;

    // ---- controls ----
    QLabel *Label8 = nullptr;     // "チャットメッセージ："
    QLineEdit *Text1 = nullptr;   // chat input
    Winsock *Winsock1 = nullptr;  // the seat's socket

    // ---- procedures ----
    virtual void getdatas();
    virtual void conet() = 0;
    void modesentaku() override;
    void saisencheck() { m_net->saisencheck(); }
    void syuuryoucheck() { m_net->syuuryoucheck(); }
    void modecheck() { m_net->modecheck(); }

    // ---- event handlers ----
    void Form_Load() override;
    void Form_QueryUnload(bool &cancel, int unloadMode) override;
    void Text1_KeyPress(i16 KeyAscii);
    void Winsock1_DataArrival(qint32 bytesTotal) { m_net->Winsock1_DataArrival(bytesTotal); }
    void Winsock1_SendComplete() { m_net->Winsock1_SendComplete(); }
    void Winsock1_Close(bool heard) { m_net->Winsock1_Close(heard); }

protected:
    struct Place {
        int label8Left;
        int text1Left;
        int text1Width;
    };
    NetMatchWindow(const Design &design, Disc ownColor, const Place &place);

    // Runs fn for a socket event from the event loop, in order, once the
    // running handler and every open box are done.
    void post(std::function<void()> fn) { m_net->post(std::move(fn)); }

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

private:
    NetSeat *m_net;
};
