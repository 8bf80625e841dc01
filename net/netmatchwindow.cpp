#include "net/netmatchwindow.h"

#include <QListWidget>
#include <QPointer>
#include <QtDebug>

#include "net/form9.h"
#include "shell/layout.h"
#include "shell/module1.h"
#include "shell/msgbox.h"

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

    Winsock1 = new Winsock(this);
    connect(Winsock1, &Winsock::DataArrival, this, [this](qint32 n) { Winsock1_DataArrival(n); });
    connect(Winsock1, &Winsock::SendComplete, this, [this] { post([this] { Winsock1_SendComplete(); }); });
    connect(Winsock1, &Winsock::Disconnected, this, [this] { post([this] { Winsock1_Close(); }); });
}

// ---------------------------------------------------------------- loading and the new game

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
    m_gameOver = false;
    // A new game ends the requests that are settled. One still waiting for
    // its answer (the peer's request crossed it) stays pending, so that the
    // answer is read as an answer and not as the peer's request.
    modeRequested = outstanding(Protocol::ModeSelect) > 0 ? 1 : 0;
    rematchRequested = outstanding(Protocol::Rematch) > 0 ? 1 : 0;
    quitRequested = outstanding(Protocol::Quit) > 0 ? 1 : 0;
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
}

bool NetMatchWindow::showConnected(const QString &status)
{
    connected = 1;
    QPointer<NetMatchWindow> self(this);
    MsgBox::notice(QStringLiteral("Connect完了"));
    if (!self || isUnloaded())
        return false;
    Module1::show(FormId::Form9);
    Text1->setEnabled(true);
    Label2->setText(status);
    return true;
}

// ---------------------------------------------------------------- sending

void NetMatchWindow::send(const QByteArray &bytes) { Winsock1->SendData(bytes); }

void NetMatchWindow::sendNumber(i16 value) { send(Protocol::encodeNumber(value)); }

void NetMatchWindow::afterMove()
{
    if (turnColor == -m_ownColor) {
        // This side has just moved: hand the turn to the peer.
        clock();
        sendNumber(playedIndex);
        Label2->setText(QStringLiteral("あいての手番です"));
    } else {
        cunlock();
        Label2->setText(QStringLiteral("あなたの手番です"));
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
        return winner == m_ownColor ? QStringLiteral("あ な た の 勝 利 で す") : QStringLiteral("あ い て の 勝 利 で す");
    return winner == m_ownColor ? QStringLiteral("見 事 あ な た の 勝 利") : QStringLiteral("残 念 あ い て の 勝 利");
}

void NetMatchWindow::afterGameEnd()
{
    m_gameOver = true;
    Command7->setEnabled(true);
}

void NetMatchWindow::Command3_Click()
{
    sendNumber(Protocol::Resign);
    touryou();
}

// ---------------------------------------------------------------- requests and answers

int &NetMatchWindow::outstanding(i16 code) { return m_outstanding[code - Protocol::ModeSelect]; }

void NetMatchWindow::request(i16 code)
{
    requestFlag(code) = 1;
    ++outstanding(code);
    sendNumber(code);
}

void NetMatchWindow::Command2_Click() { request(Protocol::Rematch); }
void NetMatchWindow::Command4_Click() { request(Protocol::Quit); }
void NetMatchWindow::Command7_Click() { request(Protocol::ModeSelect); }

// A request pressed twice gets two answers. The flag stays set until the
// last of them is in, so that a second refusal is read as a refusal and
// not as a request of the peer (which would otherwise be asked back and
// forth for as long as both answer No).

void NetMatchWindow::saisencheck() { agreementCheck(Protocol::Rematch); }
void NetMatchWindow::syuuryoucheck() { agreementCheck(Protocol::Quit); }
void NetMatchWindow::modecheck() { agreementCheck(Protocol::ModeSelect); }

qint16 &NetMatchWindow::requestFlag(i16 code)
{
    return code == Protocol::Rematch ? rematchRequested : code == Protocol::Quit ? quitRequested : modeRequested;
}

void NetMatchWindow::agreementCheck(i16 code)
{
    struct Texts {
        const char *question, *accepted, *refused;
    };
    static const Texts mode{"相手はモード選択を希望しました。許可しますか?。", "相手はモード選択を許可しました。",
                            "モード選択は許可されませんでした。"};
    static const Texts rematch{"相手は再戦を希望しました。許可しますか?。", "相手は再戦を許可しました。",
                               "再戦は許可されませんでした。"};
    static const Texts quit{"相手は終了を希望しました。許可しますか?。", "相手は終了を許可しました。",
                            "終了は許可されませんでした。"};
    const Texts &t = code == Protocol::Rematch ? rematch : code == Protocol::Quit ? quit : mode;

    QPointer<NetMatchWindow> self(this);
    if (requestFlag(code) == 0) {
        // The peer asks; the answer goes back as the code or its negative.
        const bool yes = MsgBox::ask(QString::fromUtf8(t.question));
        if (!self || isUnloaded())
            return;
        lastMessage = QString::number(yes ? code : -code);
        send(lastMessage.toLatin1());
        return;
    }
    int &left = outstanding(code);
    left = qMax(0, left - 1);
    if (lastMessage.toInt() != code) {
        MsgBox::notice(QString::fromUtf8(t.refused));
        if (!self || isUnloaded())
            return;
        requestFlag(code) = outstanding(code) > 0 ? 1 : 0;
        return;
    }
    if (code == Protocol::Rematch) {
        syokika();  // the new game is on the board before the notice shows
        MsgBox::notice(QString::fromUtf8(t.accepted));
        return;
    }
    MsgBox::notice(QString::fromUtf8(t.accepted));
    if (!self || isUnloaded())
        return;
    if (code == Protocol::Quit)
        syuuryou();
    else
        modesentaku();
}

void NetMatchWindow::Winsock1_SendComplete()
{
    const int v = lastMessage.toInt();
    if (v == Protocol::ModeSelect && modeRequested == 0)
        modesentaku();
    else if (v == Protocol::Rematch && rematchRequested == 0)
        syokika();
    else if ((v == Protocol::Quit && quitRequested == 0) || v == Protocol::ForcedEnd)
        syuuryou();
}

// ---------------------------------------------------------------- leaving

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
    QPointer<NetMatchWindow> self(this);
    if (connected == 1) {
        cancel = true;
        if (!MsgBox::ask(QStringLiteral("接続中です。強制的に終了しますか？")))
            return;
        if (!self || isUnloaded())
            return;
        lastMessage = QStringLiteral("68");
        // The program ends once "68" has left; with the connection already
        // gone there is nothing to wait for.
        if (!Winsock1->SendData(Protocol::encodeNumber(Protocol::ForcedEnd)))
            syuuryou();
        return;
    }
    if (confirmQuit(cancel, unloadMode))
        syuuryou();
}

void NetMatchWindow::Form_Unload()
{
    m_events.clear();
    MatchWindow::Form_Unload();
}

void NetMatchWindow::Winsock1_Close()
{
    if (connected == 0)
        return;
    // A close that completes an end this side has agreed to, or forced, is
    // expected: carry out that end without a word.
    const int v = lastMessage.toInt();
    if (v == Protocol::ForcedEnd || (v == Protocol::Quit && quitRequested == 0)) {
        syuuryou();
        return;
    }
    if (v == Protocol::ModeSelect && modeRequested == 0) {
        modesentaku();
        return;
    }
    QPointer<NetMatchWindow> self(this);
    MsgBox::notice(QStringLiteral("あいてとの接続が切れました。"));
    if (!self || isUnloaded())
        return;
    modesentaku();
}

// ---------------------------------------------------------------- chat

QListWidget *NetMatchWindow::chatList()
{
    auto *chat = Module1::form<Form9>(FormId::Form9);
    if (!chat)
        chat = qobject_cast<Form9 *>(Module1::show(FormId::Form9));
    return chat ? chat->List1 : nullptr;
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
    const QString line = QLatin1Char(' ') + playerName + QLatin1Char('>') + text;
    send(Protocol::encodeChat(playerName, text));
    Text1->clear();
    if (QListWidget *list = chatList())
        list->addItem(Protocol::listLine(line));
}

// ---------------------------------------------------------------- receiving

void NetMatchWindow::post(std::function<void()> fn)
{
    if (isUnloaded())
        return;
    m_events.push_back(std::move(fn));
    scheduleDrain();
}

void NetMatchWindow::scheduleDrain()
{
    // Handled from the event loop, never inside the socket's own signal:
    // the socket does not report data that arrives while one of its
    // readyRead handlers is still running (in a box's nested loop).
    if (m_drainScheduled)
        return;
    m_drainScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_drainScheduled = false;
            drain();
        },
        Qt::QueuedConnection);
}

void NetMatchWindow::drain()
{
    if (m_busy || isUnloaded() || m_events.empty())
        return;
    if (MsgBox::openCount() == 0) {
        QPointer<NetMatchWindow> self(this);
        m_busy = true;
        while (!m_events.empty() && MsgBox::openCount() == 0) {
            std::function<void()> fn = std::move(m_events.front());
            m_events.pop_front();
            fn();
            if (!self || isUnloaded())
                return;
        }
        m_busy = false;
        if (m_events.empty())
            return;
    }
    // A box is open (this window's or another's, each runs a nested event
    // loop): go on once every box has closed.
    if (m_waitingForBoxes)
        return;
    m_waitingForBoxes = true;
    QPointer<NetMatchWindow> self(this);
    MsgBox::onAllClosed([self] {
        if (!self)
            return;
        self->m_waitingForBoxes = false;
        self->drain();
    });
}

void NetMatchWindow::Winsock1_DataArrival(qint32)
{
    const QByteArray bytes = Winsock1->GetData();
    if (bytes.isEmpty() || isUnloaded())
        return;
    if (static_cast<int>(m_events.size()) >= maxWaitingEvents) {
        ++m_ignored;
        if (!m_overflowReported) {
            m_overflowReported = true;
            qWarning().noquote() << "kobanto: the peer sends faster than it is answered; further data is dropped"
                                    " until the open box closes";
        }
        return;
    }
    for (const Protocol::Message &m : Protocol::split(bytes))
        m_events.push_back([this, m] { receive(m); });
    scheduleDrain();
}

bool NetMatchWindow::peerToMove() const { return connected == 1 && !m_gameOver && turnColor == -m_ownColor; }

void NetMatchWindow::ignore(const QString &why, const QString &text)
{
    // Reported once per window: a misbehaving peer must not flood the log.
    if (++m_ignored > 1)
        return;
    QString shown = text.left(40);
    for (QChar &ch : shown)
        if (ch.unicode() < 0x20)
            ch = QLatin1Char('.');
    qWarning().noquote() << QStringLiteral("kobanto: ignored %1 from the peer: \"%2\"%3 (further ones are not reported)")
                                .arg(why, shown, text.size() > 40 ? QStringLiteral("...") : QString());
}

void NetMatchWindow::receive(const Protocol::Message &m)
{
    using Kind = Protocol::Kind;
    // "68" is on its way out: the program ends once it has left.
    if (lastMessage == QLatin1String("68"))
        return;
    QPointer<NetMatchWindow> self(this);
    switch (m.kind) {
    case Kind::Chat:
        if (QListWidget *list = chatList())
            list->addItem(Protocol::listLine(m.text));
        return;
    case Kind::Resign:
        if (!peerToMove())
            return ignore(QStringLiteral("a resignation out of turn"), m.text);
        lastMessage = m.text;
        MsgBox::notice(QStringLiteral("あいては投了しました。"));
        if (!self || isUnloaded())
            return;
        touryou();
        return;
    case Kind::ModeSelect:
    case Kind::Rematch:
    case Kind::Quit:
        // modecheck, saisencheck or syuuryoucheck, by the code's family.
        lastMessage = m.text;
        agreementCheck(static_cast<i16>(qAbs(m.value)));
        return;
    case Kind::ForcedEnd:
        MsgBox::notice(QStringLiteral("あいてが強制的に終了しました"));
        if (!self || isUnloaded())
            return;
        modesentaku();
        return;
    case Kind::Pass:
        if (!peerToMove())
            return ignore(QStringLiteral("a pass out of turn"), m.text);
        Label2->setText(QStringLiteral("あいてはパスしました。"));
        pass();
        return;
    case Kind::Move:
        if (!peerToMove())
            return ignore(QStringLiteral("a move out of turn"), m.text);
        Image1_Click(m.value);
        return;
    case Kind::Junk:
        ignore(QStringLiteral("an unrecognised message"), m.text);
        return;
    }
}
