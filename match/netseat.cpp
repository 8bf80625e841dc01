#include "match/netseat.h"

#include "match/announcements.h"
#include "rules/match.h"
#include "windowbase/boxqueue.h"

NetSeat::NetSeat(Disc ownColor) : m_ownColor(ownColor)
{
    m_queue = new BoxQueue(this);
    Winsock1 = new Winsock(this);
    connect(Winsock1, &Winsock::DataArrival, this, [this](qint32 n) { Winsock1_DataArrival(n); });
    connect(Winsock1, &Winsock::SendComplete, this, [this] { post([this] { Winsock1_SendComplete(); }); });
    // Whether the peer was heard is fixed at the close, not when it is handled.
    connect(Winsock1, &Winsock::Disconnected, this,
            [this] { post([this, heard = m_heard] { Winsock1_Close(heard); }); });
}

void NetSeat::seated()
{
    view()->announcements()->setOpponent(QStringLiteral("あいて"), [this] { return opponentOf(m_ownColor); });
    connect(match(), &Match::newGame, this, [this] {
        const bool opens = m_ownColor == Black;
        opens ? view()->cunlock() : view()->lockBoard();
        const QString status = opens ? QStringLiteral("あなたの手番です") : QStringLiteral("あいての手番です");
        if (connected)  // a rematch; not the board laid out for waiting
            view()->sayStatus(status);
        else
            view()->showStatus(status);
        carryOut(m_session.newGame());
    });
    connect(match(), &Match::moved, this, [this](int cell) {
        if (match()->board().turnColor() == opponentOf(m_ownColor)) {
            // This side has just moved: hand the turn to the peer.
            carryOut(m_session.ownMove(cell));
            view()->showStatus(QStringLiteral("あいての手番です"));
        } else {
            view()->showStatus(QStringLiteral("あなたの手番です"));
            carryOut(m_session.settle(turn()));
        }
    });
    connect(match(), &Match::passed, this, [this](Disc colour) {
        const bool own = colour == m_ownColor;
        if (own)
            view()->showStatus(QStringLiteral("あいての手番です"));
        carryOut(m_session.passing(own));
    });
    connect(match(), &Match::turnChanged, this, [this](Disc next) {
        // The peer's pass has handed this side the turn.
        if (next == m_ownColor)
            carryOut(m_session.settle(turn()));
    });
}

QString NetSeat::resultText(Disc winner, bool byResignation) const
{
    if (winner == Empty)
        return Seat::resultText(winner, byResignation);
    if (byResignation)
        return winner == m_ownColor ? QStringLiteral("あ な た の 勝 利 で す")
                                    : QStringLiteral("あ い て の 勝 利 で す");
    return winner == m_ownColor ? QStringLiteral("見 事 あ な た の 勝 利") : QStringLiteral("残 念 あ い て の 勝 利");
}

// ---------------------------------------------------------------- the buttons

void NetSeat::newGameAsked() { carryOut(m_session.request(Protocol::Rematch)); }
void NetSeat::quitAsked() { carryOut(m_session.request(Protocol::Quit)); }
void NetSeat::menuAsked() { carryOut(m_session.request(Protocol::ModeSelect)); }

void NetSeat::resignAsked()
{
    carryOut(m_session.resign());
    match()->touryou();
}

void NetSeat::forceEnd()
{
    if (view()->question(QStringLiteral("接続中です。強制的に終了しますか？")) == KWindow::Answer::Yes)
        carryOut(m_session.forceEnd());
}

void NetSeat::chat(const QString &name, const QString &text)
{
    const QByteArray bytes = Protocol::encodeChat(name, text);
    carryOut(m_session.chat(bytes));
    // The line as the peer will read it, lookalike characters and all.
    listChat(Protocol::listLine(Protocol::decode(bytes)));
    view()->announcements()->chatSent();
}

void NetSeat::listChat(const QString &line)
{
    if (m_listChat)
        m_listChat(line);
}

// ---------------------------------------------------------------- the connection

void NetSeat::forget()
{
    connected = false;
    m_heard = false;
    m_session = NetSession();
}

void NetSeat::leave() { m_queue->stop(); }
void NetSeat::release() { Winsock1->Close(); }

void NetSeat::post(std::function<void()> fn)
{
    if (!view()->left())
        m_queue->post(std::move(fn));
}

void NetSeat::Winsock1_DataArrival(qint32)
{
    const QByteArray bytes = Winsock1->GetData();
    if (bytes.isEmpty() || view()->left())
        return;
    if (m_queue->size() >= maxWaitingEvents)
        return m_session.dropped();
    for (const Protocol::Message &m : Protocol::split(bytes)) {
        m_heard = m_heard || m.kind != Protocol::Kind::Junk;
        m_queue->post([this, m] { receive(m); });
    }
}

void NetSeat::Winsock1_SendComplete()
{
    // No box opens here; an unload on the way is only deferred deletion.
    carryOut(m_session.completed());
}

void NetSeat::Winsock1_Close(bool heard)
{
    if (!connected || (!heard && leftUnheard && leftUnheard()))
        return;
    carryOut(m_session.closed());
}

NetSession::Turn NetSeat::turn() const
{
    if (!connected || match()->over())
        return NetSession::Turn::None;
    return match()->board().turnColor() == m_ownColor ? NetSession::Turn::Own : NetSession::Turn::Peer;
}

void NetSeat::receive(const Protocol::Message &m) { carryOut(m_session.received(m, turn())); }

// Every press, answer, received message, completed send and lost connection
// goes through the session, which returns the steps carried out here.
void NetSeat::carryOut(const NetSession::Steps &steps)
{
    using Step = NetSession::Step;
    for (const Step &s : steps) {
        if (view()->left())
            return;
        switch (s.kind) {
        case Step::Play:
            view()->playCell(s.value);
            break;
        case Step::PeerPassed:
            view()->showStatus(QStringLiteral("あいてはパスしました。"));
            match()->pass();
            break;
        case Step::PeerResigned:
            match()->touryou();
            break;
        case Step::Notice:
            if (!view()->tell(s.text))
                return;
            break;
        case Step::Ask: {
            const KWindow::Answer yes = view()->question(s.text);
            if (yes == KWindow::Answer::Gone)
                return;
            carryOut(m_session.answered(s.value, yes == KWindow::Answer::Yes, turn()));
            break;
        }
        case Step::NewGame:
            match()->syokika();
            break;
        case Step::Menu:
            return view()->modesentaku();
        case Step::End:
            return view()->syuuryou();
        case Step::Send:
            carryOut(m_session.sent(s.followUp, Winsock1->SendData(s.bytes)));
            break;
        case Step::Lock:
            view()->lockBoard();
            break;
        case Step::Unlock:
            view()->cunlock();
            break;
        case Step::Settle:
            carryOut(m_session.settle(turn()));
            break;
        case Step::Chat:
            listChat(s.text);
            view()->announcements()->chat(s.text);
            break;
        case Step::Status:
            view()->sayStatus(s.text);
            break;
        case Step::Stop:
            view()->stopPlay();
            break;
        }
    }
}
