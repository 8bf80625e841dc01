#include "match/netmatchwindow.h"

#include "match/announcements.h"
#include "match/chatlist.h"
#include "windowbase/boxqueue.h"
#include "windowbase/layout.h"
#include "windowbase/module1.h"
#include "windowbase/msgbox.h"

NetMatchWindow::NetMatchWindow(const Design &design, i16 ownColor, const Place &place)
    : MatchWindow(design), m_ownColor(ownColor)
{
    Label8 = Layout::label(this, place.label8Left, 4920, 1935, 255, QStringLiteral("チャットメッセージ："),
                           Layout::LabelStyle{11.25, true, false, false, QColor(), QColor()});
    Text1 = new QLineEdit(this);
    Layout::place(Text1, place.text1Left, 4800, place.text1Width, 375);
    Text1->setFont(Layout::font(14.25));
    Text1->setMaxLength(Protocol::maxChatTextChars);
    Text1->setEnabled(false);
    Text1->setAccessibleName(Label8->text());
    Label8->setBuddy(Text1);
    connect(Text1, &QLineEdit::returnPressed, this, [this] { Text1_KeyPress(13); });

    m_queue = new BoxQueue(this);
    Winsock1 = new Winsock(this);
    connect(Winsock1, &Winsock::DataArrival, this, [this](qint32 n) { Winsock1_DataArrival(n); });
    connect(Winsock1, &Winsock::SendComplete, this, [this] { post([this] { Winsock1_SendComplete(); }); });
    // Whether the peer was heard is fixed at the close, not when it is handled.
    connect(Winsock1, &Winsock::Disconnected, this,
            [this] { post([this, heard = m_heard] { Winsock1_Close(heard); }); });
    announcements()->setOpponent(QStringLiteral("あいて"), [this] { return static_cast<i16>(-m_ownColor); });
}

void NetMatchWindow::Form_Load()
{
    syokika();
    getdatas();
    conet();
    if (isUnloaded())
        return;
    MMControl1->open(Layout::programPath(QStringLiteral("\\SE\\oku.jov")));
}

void NetMatchWindow::getdatas()
{
    portNumber = Module1::getport();
    playerName = Module1::getname();
}

void NetMatchWindow::syokika()
{
    MatchWindow::syokika();
    if (m_ownColor == 1) {
        cunlock();
        Label2->setText(QStringLiteral("あなたの手番です"));
    } else {
        lockBoard();
        Label2->setText(QStringLiteral("あいての手番です"));
    }
    Command7->setEnabled(false);
    komacount();
    if (connected == 1)  // a rematch; not the board laid out for waiting
        announcements()->status(Label2->text());
    carryOut(m_session.newGame());
}

bool NetMatchWindow::showConnected(const QString &status)
{
    connected = 1;
    if (!survivesNotice(QStringLiteral("Connect完了")))
        return false;
    Module1::show(FormId::Form9);  // beside this window, which keeps the focus on its board
    boardFocus->setFocus();
    Text1->setEnabled(true);
    Label2->setText(status);
    announcements()->status(status);
    return true;
}

void NetMatchWindow::afterMove(i16 played)
{
    if (board().turnColor() == -m_ownColor) {
        // This side has just moved: hand the turn to the peer.
        carryOut(m_session.ownMove(played));
        Label2->setText(QStringLiteral("あいての手番です"));
    } else {
        Label2->setText(QStringLiteral("あなたの手番です"));
        carryOut(m_session.settle(turn()));
    }
    writeTurnLabel();
}

void NetMatchWindow::beforePass()
{
    const bool own = board().turnColor() == m_ownColor;
    if (own)
        Label2->setText(QStringLiteral("あいての手番です"));
    carryOut(m_session.passing(own));
}

void NetMatchWindow::afterPassHandOver()
{
    // The peer's pass has handed this side the turn.
    if (board().turnColor() == m_ownColor)
        carryOut(m_session.settle(turn()));
}

QString NetMatchWindow::resultText(i16 winner, bool byResignation) const
{
    if (byResignation)
        return winner == m_ownColor ? QStringLiteral("あ な た の 勝 利 で す")
                                    : QStringLiteral("あ い て の 勝 利 で す");
    return winner == m_ownColor ? QStringLiteral("見 事 あ な た の 勝 利") : QStringLiteral("残 念 あ い て の 勝 利");
}

void NetMatchWindow::afterGameEnd() { Command7->setEnabled(true); }

void NetMatchWindow::Command3_Click()
{
    carryOut(m_session.resign());
    touryou();
}

void NetMatchWindow::releaseDevices()
{
    MMControl1->close();
    Winsock1->Close();
}

void NetMatchWindow::modesentaku()
{
    Winsock1->Close();
    MMControl1->close();
    Module1::unload(formId());
    Module1::unload(FormId::Form9);
    Module1::show(FormId::Form3);
}

void NetMatchWindow::Form_QueryUnload(bool &cancel, int unloadMode)
{
    if (unloadMode != 0)
        return;
    if (connected == 1) {
        cancel = true;
        if (ask(QStringLiteral("接続中です。強制的に終了しますか？")) != Answer::Yes)
            return;
        carryOut(m_session.forceEnd());
        return;
    }
    if (confirmQuit(cancel, unloadMode))
        syuuryou();
}

void NetMatchWindow::Form_Unload()
{
    m_queue->stop();
    MatchWindow::Form_Unload();
}

void NetMatchWindow::Winsock1_Close(bool heard)
{
    if (connected != 1 || (!heard && leftUnheard()))
        return;
    carryOut(m_session.closed());
}

void NetMatchWindow::forgetPeer()
{
    connected = 0;
    m_heard = false;
    m_session = NetSession();
    Module1::unload(FormId::Form9);
    Text1->clear();
    Text1->setEnabled(false);
    syokika();
}

void NetMatchWindow::Text1_KeyPress(i16 KeyAscii)
{
    if (KeyAscii != 13)
        return;
    const QString text = Text1->text();
    if (text.isEmpty()) {
        MsgBox::notice(QStringLiteral("文字を入力してください"));
        return;
    }
    const QByteArray bytes = Protocol::encodeChat(playerName, text);
    carryOut(m_session.chat(bytes));
    Text1->clear();
    // The line as the peer will read it, lookalike characters and all.
    listChat(Protocol::listLine(Protocol::decode(bytes)));
    announcements()->chatSent();
}

// The chat window, shown first if it is not loaded; a hidden one stays hidden.
void NetMatchWindow::listChat(const QString &line)
{
    KWindow *w = Module1::loaded(FormId::Form9);
    if (!w)
        w = Module1::show(FormId::Form9);
    if (auto *chat = dynamic_cast<ChatList *>(w))
        chat->addLine(line);
}

void NetMatchWindow::post(std::function<void()> fn)
{
    if (!isUnloaded())
        m_queue->post(std::move(fn));
}

void NetMatchWindow::Winsock1_DataArrival(qint32)
{
    const QByteArray bytes = Winsock1->GetData();
    if (bytes.isEmpty() || isUnloaded())
        return;
    if (m_queue->size() >= maxWaitingEvents)
        return m_session.dropped();
    for (const Protocol::Message &m : Protocol::split(bytes)) {
        m_heard = m_heard || m.kind != Protocol::Kind::Junk;
        m_queue->post([this, m] { receive(m); });
    }
}

NetSession::Turn NetMatchWindow::turn() const
{
    if (connected == 0 || gameOver())
        return NetSession::Turn::None;
    return board().turnColor() == m_ownColor ? NetSession::Turn::Own : NetSession::Turn::Peer;
}

void NetMatchWindow::receive(const Protocol::Message &m) { carryOut(m_session.received(m, turn())); }
