#include "net/netsession.h"

namespace {
using Step = NetSession::Step;

struct Texts {
    const char *question, *accepted, *refused;
};
const Texts &texts(qint16 code)
{
    static const Texts mode{"相手はモード選択を希望しました。許可しますか?。", "相手はモード選択を許可しました。",
                            "モード選択は許可されませんでした。"};
    static const Texts rematch{"相手は再戦を希望しました。許可しますか?。", "相手は再戦を許可しました。",
                               "再戦は許可されませんでした。"};
    static const Texts quit{"相手は終了を希望しました。許可しますか?。", "相手は終了を許可しました。",
                            "終了は許可されませんでした。"};
    switch (code) {
    case Protocol::Rematch:
        return rematch;
    case Protocol::Quit:
        return quit;
    default:
        return mode;
    }
}
Step notice(const char *text) { return Step{Step::Notice, 0, QString::fromUtf8(text)}; }
NetSession::FollowUp onAccepted(qint16 code)
{
    switch (code) {
    case Protocol::Rematch:
        return NetSession::FollowUp::NewGame;
    case Protocol::Quit:
        return NetSession::FollowUp::EndProgram;
    default:
        return NetSession::FollowUp::Menu;
    }
}
}  // namespace

int NetSession::slot(qint16 code) { return qBound(0, qAbs(code) - Protocol::ModeSelect, 2); }

Step NetSession::sendStep(const QByteArray &bytes, FollowUp f) { return Step{Step::Send, 0, QString(), bytes, f}; }

NetSession::Steps NetSession::leave(FollowUp f)
{
    if (f == FollowUp::Menu)
        return {Step{Step::Menu}};
    if (f == FollowUp::EndProgram)
        return {Step{Step::End}};
    return {};
}

// ---------------------------------------------------------------- this side

NetSession::Steps NetSession::request(qint16 code)
{
    ++m_outstanding[slot(code)];
    return {sendStep(Protocol::encodeNumber(code))};
}

NetSession::Steps NetSession::answered(qint16 code, bool yes, Turn turn)
{
    code = qAbs(code);
    // What follows the answer is settled now and travels with it. A rematch
    // asked for while a game is on was asked before that game began: the
    // new game it asked for is this one.
    FollowUp f = yes ? onAccepted(code) : FollowUp::Nothing;
    if (f == FollowUp::NewGame && turn != Turn::None)
        f = FollowUp::Nothing;
    if (isLeaving(f))
        m_leaving = true;
    const qint16 answer = yes ? code : qint16(-code);
    m_lastMessage = QString::number(answer);
    return {sendStep(Protocol::encodeNumber(answer), f), Step{Step::Settle}};
}

NetSession::Steps NetSession::forceEnd()
{
    m_lastMessage = QStringLiteral("68");
    // The program ends once "68" has left; what the peer sends meanwhile
    // changes nothing.
    m_leaving = true;
    return {sendStep(Protocol::encodeNumber(Protocol::ForcedEnd), FollowUp::EndProgram)};
}

NetSession::Steps NetSession::ownMove(qint16 index) const
{
    return {Step{Step::Lock}, sendStep(Protocol::encodeNumber(index))};
}

NetSession::Steps NetSession::passing(bool own) const
{
    if (own)
        return {sendStep(Protocol::encodeNumber(Protocol::Pass)), Step{Step::Lock}};
    return {};  // the board follows once the turn is handed over (settle)
}

// ---------------------------------------------------------------- the connection

NetSession::Steps NetSession::ignored(const char *why, const QString &text)
{
    m_log.ignored(QString::fromUtf8(why), text);
    return {};
}

NetSession::Steps NetSession::outOfStep(const char *why, const QString &text)
{
    ignored(why, text);
    // The two sides disagree about the game: the user is told once.
    if (m_toldOutOfStep)
        return {};
    m_toldOutOfStep = true;
    return {Step{Step::Status, 0, QStringLiteral("あいてとの進行がずれているようです")}};
}

NetSession::Steps NetSession::received(const Protocol::Message &m, Turn turn)
{
    using Kind = Protocol::Kind;
    // This side has agreed to leave, or forced the end: nothing the peer
    // sends now changes that.
    if (m_leaving)
        return {};
    switch (m.kind) {
    case Kind::Chat:
        return {Step{Step::Chat, 0, Protocol::listLine(m.text)}};
    case Kind::Resign:
        if (turn != Turn::Peer)
            return outOfStep("a resignation out of turn", m.text);
        m_lastMessage = m.text;
        return {notice("あいては投了しました。"), Step{Step::PeerResigned}};
    case Kind::ModeSelect:
        m_lastMessage = m.text;
        return modecheck();
    case Kind::Rematch:
        m_lastMessage = m.text;
        return saisencheck();
    case Kind::Quit:
        m_lastMessage = m.text;
        return syuuryoucheck();
    case Kind::ForcedEnd:
        return {notice("あいてが強制的に終了しました"), Step{Step::Menu}};
    case Kind::Pass:
        if (turn != Turn::Peer)
            return outOfStep("a pass out of turn", m.text);
        return {Step{Step::PeerPassed}};
    case Kind::Move:
        if (turn != Turn::Peer)
            return outOfStep("a move out of turn", m.text);
        return {Step{Step::Play, m.value}};
    case Kind::Junk:
        break;
    }
    return ignored("an unrecognised message", m.text);
}

NetSession::Steps NetSession::agreementCheck()
{
    const qint16 value = m_lastMessage.toShort();
    const qint16 code = qAbs(value);
    int &left = m_outstanding[slot(code)];
    if (left == 0) {
        // A refusal of nothing this side asked is not a question.
        if (value < 0)
            return outOfStep("an answer to no request", m_lastMessage);
        return {Step{Step::Ask, code, QString::fromUtf8(texts(code).question)}};
    }
    // The answer to the oldest unanswered request of this kind, or the
    // peer's own request crossing ours, which agrees to it just the same.
    --left;
    int &before = m_before[slot(code)];
    const bool old = before > 0;
    if (old)
        --before;
    if (value < 0)
        return {Step{Step::Notice, 0, QString::fromUtf8(texts(code).refused)}, Step{Step::Settle}};
    const Step told{Step::Notice, 0, QString::fromUtf8(texts(code).accepted)};
    const FollowUp f = onAccepted(code);
    if (f == FollowUp::NewGame && old)  // asked before this game: this game is the new one
        return {told, Step{Step::Settle}};
    if (f == FollowUp::NewGame)  // the new game is on the board before the notice shows
        return {Step{Step::NewGame}, told, Step{Step::Settle}};
    Steps steps{told};
    for (const Step &s : leave(f))
        steps.push_back(s);
    return steps;
}

NetSession::Steps NetSession::sent(FollowUp f, bool ok)
{
    if (ok) {
        m_followUps.push_back(f);
        return {};
    }
    return leave(f);  // the connection is gone: nothing to wait for
}

NetSession::Steps NetSession::completed()
{
    FollowUp f = FollowUp::Nothing;
    if (!m_followUps.empty()) {
        f = m_followUps.front();
        m_followUps.pop_front();
    }
    if (f == FollowUp::NewGame && !m_leaving)
        return {Step{Step::NewGame}, Step{Step::Settle}};
    if (isLeaving(f))
        return leave(f);
    return {Step{Step::Settle}};
}

NetSession::Steps NetSession::closed()
{
    // A close that completes an end this side has agreed to, or forced, is
    // expected: carry out that end without a word.
    for (FollowUp f : m_followUps)
        if (isLeaving(f))
            return leave(f);
    return {notice("あいてとの接続が切れました。"), Step{Step::Menu}};
}

// ---------------------------------------------------------------- the game

NetSession::Steps NetSession::newGame()
{
    m_lastMessage = QStringLiteral("0");
    // Requests still waiting for their answers stay pending across the new
    // game, so that each answer is read as an answer, but an accepted
    // rematch among them starts no second game; nor does a Yes of ours to a
    // rematch that has not left yet. Several Yes answers, one new game.
    for (int k = 0; k < 3; ++k)
        m_before[k] = m_outstanding[k];
    for (FollowUp &f : m_followUps)
        if (f == FollowUp::NewGame)
            f = FollowUp::Nothing;
    return {Step{Step::Settle}};
}

bool NetSession::mayPlay() const
{
    // An agreed new game waiting for its answer to leave would wipe a move
    // made now on this side only. Unanswered requests never lock the board.
    for (FollowUp f : m_followUps)
        if (f == FollowUp::NewGame)
            return false;
    return true;
}

NetSession::Steps NetSession::settle(Turn turn) const
{
    if (turn != Turn::Own)
        return {};
    return {Step{mayPlay() ? Step::Unlock : Step::Lock}};
}
