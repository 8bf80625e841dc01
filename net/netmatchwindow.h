#pragma once
// What the host window form5 and the client window Form8 share: one game
// over one TCP connection, the agreements for a rematch, a quit and a mode
// select, the chat input and the handling of a lost connection. The two
// windows differ only in their colour, their connection set-up and texts.
#include <QLineEdit>
#include <QString>
#include <deque>
#include <functional>

#include "engine/matchwindow.h"
#include "net/protocol.h"
#include "net/winsock.h"

class QListWidget;

class NetMatchWindow : public MatchWindow {
    Q_OBJECT
public:
    // ---- connection state ----
    i16 connected = 0;
    i16 rematchRequested = 0;
    i16 quitRequested = 0;
    i16 modeRequested = 0;
    QString lastMessage = QStringLiteral("0");

    // ---- settings, copied by getdatas ----
    i16 portNumber = 0;
    QString playerName;

    // ---- controls ----
    QLabel *Label8 = nullptr;     // "チャットメッセージ："
    QLineEdit *Text1 = nullptr;   // chat input
    Winsock *Winsock1 = nullptr;

    // ---- procedures ----
    void syokika() override;
    virtual void getdatas();
    virtual void conet() = 0;
    void saisencheck();
    void syuuryoucheck();
    void modecheck();
    void modesentaku();

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
    // The connection was lost (the peer's program ended, the network broke).
    void Winsock1_Close();

    // The colour this side plays: 1 black (host), -1 white (client).
    i16 ownColor() const { return m_ownColor; }
    // Socket events and messages waiting for a box to close (tests).
    int waitingEvents() const { return static_cast<int>(m_events.size()); }
    // Received messages that were ignored (tests).
    int ignoredMessages() const { return m_ignored; }

    // The longest chat text one line may carry, so that a line always fits
    // one read on the peer's side.
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
    // Where the chat lines go (the chat window, shown if needed).
    QListWidget *chatList();
    void send(const QByteArray &bytes);
    void sendNumber(i16 value);

    // The connection is up: "Connect完了", the chat window and input, the
    // status line. False if the window went away while the notice was open.
    bool showConnected(const QString &status);

    // ---- engine seams ----
    void afterMove() override;
    void beforePass() override;
    QString resultText(i16 winner, bool byResignation) const override;
    void afterGameEnd() override;
    void releaseDevices() override;

private:
    void drain();
    void scheduleDrain();
    void receive(const Protocol::Message &m);
    void ignore(const QString &why, const QString &text);
    bool peerToMove() const;
    // Requests of one kind this side has sent and not yet seen answered.
    int &outstanding(i16 code);
    i16 &requestFlag(i16 code);
    void request(i16 code);
    // The peer's request of that kind, or its answer to ours.
    void agreementCheck(i16 code);

    i16 m_ownColor;
    bool m_gameOver = false;
    bool m_busy = false;
    bool m_waitingForBoxes = false;
    bool m_drainScheduled = false;
    bool m_overflowReported = false;
    int m_ignored = 0;
    int m_outstanding[3] = {0, 0, 0};  // mode select, rematch, quit
    std::deque<std::function<void()>> m_events;
};
