#include "match/netmatchwindow.h"

#include <QListWidget>

#include "match/announcements.h"
#include "windowbase/boxqueue.h"
#include "windowbase/layout.h"
#include "windowbase/module1.h"
#include "windowbase/msgbox.h"
#include "windows/net/form9.h"

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
    connect(Winsock1, &Winsock::Disconnected, this, [this] { post([this] { Winsock1_Close(); }); });
    MatchAnnouncements::of(this)->setOpponent(QStringLiteral("あいて"),
                                              [this] { return static_cast<i16>(-m_ownColor); });
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
    // Requests still waiting for their answers stay pending across the new
    // game, so that each answer is read as an answer.
    lastMessage = QStringLiteral("0");
    if (m_ownColor == 1) {
        cunlock();
        Label2->setText(QStringLiteral("あなたの手番です"));
    } else {
        clock();
        Label2->setText(QStringLiteral("あいての手番です"));
    }
    Command7->setEnabled(false);
    komacount();
    settleBoard();
}

bool NetMatchWindow::showConnected(const QString &status)
{
    connected = 1;
    if (!survivesNotice(QStringLiteral("Connect完了")))
        return false;
    Module1::show(FormId::Form9);
    Text1->setEnabled(true);
    Label2->setText(status);
    return true;
}

void NetMatchWindow::send(const QByteArray &bytes, Agreement::FollowUp f)
{
    if (Winsock1->SendData(bytes))
        m_rules.sent(f);
    else if (Agreement::isLeaving(f))
        followUp(f);  // the connection is gone: nothing to wait for
}

void NetMatchWindow::sendNumber(i16 value, Agreement::FollowUp f) { send(Protocol::encodeNumber(value), f); }

void NetMatchWindow::afterMove()
{
    if (turnColor == -m_ownColor) {
        // This side has just moved: hand the turn to the peer.
        clock();
        sendNumber(playedIndex);
        Label2->setText(QStringLiteral("あいての手番です"));
    } else {
        Label2->setText(QStringLiteral("あなたの手番です"));
        settleBoard();
    }
    writeTurnLabel();
}

void NetMatchWindow::beforePass()
{
    if (turnColor == m_ownColor) {
        sendNumber(Protocol::Pass);
        Label2->setText(QStringLiteral("あいての手番です"));
        clock();
    } else {
        cunlock();
    }
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
    sendNumber(Protocol::Resign);
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
        lastMessage = QStringLiteral("68");
        // The program ends once "68" has left; what the peer sends meanwhile
        // changes nothing.
        m_rules.leave();
        sendNumber(Protocol::ForcedEnd, Agreement::FollowUp::EndProgram);
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

void NetMatchWindow::Winsock1_Close()
{
    if (connected == 0)
        return;
    // A close that completes an end this side has agreed to, or forced, is
    // expected: carry out that end without a word.
    const Agreement::FollowUp f = m_rules.pendingLeave();
    if (Agreement::isLeaving(f))
        return followUp(f);
    if (survivesNotice(QStringLiteral("あいてとの接続が切れました。")))
        modesentaku();
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
    send(bytes);
    Text1->clear();
    // The line as the peer will read it, lookalike characters and all.
    if (QListWidget *list = Form9::list())
        list->addItem(Protocol::listLine(Protocol::decode(bytes)));
}

void NetMatchWindow::post(std::function<void()> fn)
{
    if (!isUnloaded())
        m_queue->post(std::move(fn));
}

int NetMatchWindow::waitingEvents() const { return m_queue->size(); }

void NetMatchWindow::Winsock1_DataArrival(qint32)
{
    const QByteArray bytes = Winsock1->GetData();
    if (bytes.isEmpty() || isUnloaded())
        return;
    if (m_queue->size() >= maxWaitingEvents)
        return m_log.dropped();
    for (const Protocol::Message &m : Protocol::split(bytes))
        m_queue->post([this, m] { receive(m); });
}

bool NetMatchWindow::peerToMove() const { return connected == 1 && !gameOver() && turnColor == -m_ownColor; }

void NetMatchWindow::receive(const Protocol::Message &m)
{
    using Kind = Protocol::Kind;
    // This side has agreed to leave, or forced the end: nothing the peer
    // sends now changes that.
    if (m_rules.leaving())
        return;
    switch (m.kind) {
    case Kind::Chat:
        if (QListWidget *list = Form9::list())
            list->addItem(Protocol::listLine(m.text));
        return;
    case Kind::Resign:
        if (!peerToMove())
            return m_log.ignored(QStringLiteral("a resignation out of turn"), m.text);
        lastMessage = m.text;
        if (survivesNotice(QStringLiteral("あいては投了しました。")))
            touryou();
        return;
    case Kind::ModeSelect:
        lastMessage = m.text;
        return modecheck();
    case Kind::Rematch:
        lastMessage = m.text;
        return saisencheck();
    case Kind::Quit:
        lastMessage = m.text;
        return syuuryoucheck();
    case Kind::ForcedEnd:
        if (survivesNotice(QStringLiteral("あいてが強制的に終了しました")))
            modesentaku();
        return;
    case Kind::Pass:
        if (!peerToMove())
            return m_log.ignored(QStringLiteral("a pass out of turn"), m.text);
        Label2->setText(QStringLiteral("あいてはパスしました。"));
        pass();
        return;
    case Kind::Move:
        if (!peerToMove())
            return m_log.ignored(QStringLiteral("a move out of turn"), m.text);
        Image1_Click(m.value);
        return;
    case Kind::Junk:
        m_log.ignored(QStringLiteral("an unrecognised message"), m.text);
        return;
    }
}
