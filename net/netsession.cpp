#include "net/netsession.h"

#include <utility>

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
    // Pressed again, the request would be a second one the peer answers
    // later, when nothing tells which game that answer belongs to. A rematch
    // already agreed to is on its way.
    if (requested(code) || (code == Protocol::Rematch && newGameComing()))
        return {};
    // The peer's rematch request dropped as out of step: this press is the
    // Yes to it, which the peer reads as such whatever it has in mind.
    if (code == Protocol::Rematch && std::exchange(m_peerAskedRematch, false))
        return acceptRematch();
    m_requested[slot(code)] = true;
    return {sendStep(Protocol::encodeNumber(code))};
}

NetSession::Steps NetSession::acceptRematch()
{
    m_lastMessage = QString::number(Protocol::Rematch);
    return {sendStep(Protocol::encodeNumber(Protocol::Rematch), FollowUp::NewGame), Step{Step::Settle}};
}

NetSession::Steps NetSession::answered(qint16 code, bool yes, Turn turn)
{
    code = qAbs(code);
    // What follows the answer is settled now and travels with it. A rematch
    // is asked only between games; a game begun meanwhile is the new one.
    FollowUp f = yes ? onAccepted(code) : FollowUp::Nothing;
    if (f == FollowUp::NewGame && game(turn) != Turn::None)
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

NetSession::Steps NetSession::ownMove(int cell) const
{
    return {Step{Step::Lock}, sendStep(Protocol::encodeNumber(static_cast<qint16>(cell)))};
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

NetSession::Steps NetSession::outOfStep(const char *why, const QString &text, Turn turn)
{
    ignored(why, text);
    // The two sides disagree about the game: the user is told once a game,
    // and a game on stops, since the peer may wait for a move this side
    // never sees coming. "再 戦" then starts both afresh.
    Steps steps;
    if (game(turn) != Turn::None) {
        m_stopped = true;
        steps.push_back(Step{Step::Stop});
    }
    if (!std::exchange(m_toldOutOfStep, true))
        steps.push_back(
            Step{Step::Status, 0, QStringLiteral("あいてとの進行がずれたようです。「再 戦」でやり直せます")});
    return steps;
}

NetSession::Steps NetSession::received(const Protocol::Message &m, Turn turn)
{
    using Kind = Protocol::Kind;
    // This side has agreed to leave, or forced the end: nothing the peer
    // sends now changes that.
    if (m_leaving)
        return {};
    turn = game(turn);
    switch (m.kind) {
    case Kind::Chat:
        return {Step{Step::Chat, 0, Protocol::listLine(m.text)}};
    case Kind::Resign:
        if (turn != Turn::Peer)
            return outOfStep("a resignation out of turn", m.text, turn);
        m_lastMessage = m.text;
        return {notice("あいては投了しました。"), Step{Step::PeerResigned}};
    case Kind::ModeSelect:
        m_lastMessage = m.text;
        return modecheck(turn);
    case Kind::Rematch:
        m_lastMessage = m.text;
        return saisencheck(turn);
    case Kind::Quit:
        m_lastMessage = m.text;
        return syuuryoucheck(turn);
    case Kind::ForcedEnd:
        return {notice("あいてが強制的に終了しました"), Step{Step::Menu}};
    case Kind::Pass:
        if (turn != Turn::Peer)
            return outOfStep("a pass out of turn", m.text, turn);
        return {Step{Step::PeerPassed}};
    case Kind::Move:
        if (turn != Turn::Peer)
            return outOfStep("a move out of turn", m.text, turn);
        return {Step{Step::Play, m.value}};
    case Kind::Junk:
        break;
    }
    return ignored("an unrecognised message", m.text);
}

NetSession::Steps NetSession::agreementCheck(Turn turn)
{
    const qint16 value = m_lastMessage.toShort();
    const qint16 code = qAbs(value);
    bool &flag = m_requested[slot(code)];
    if (!flag) {
        // A refusal of nothing this side asked is not a question.
        if (value < 0)
            return outOfStep("an answer to no request", m_lastMessage, turn);
        if (code == Protocol::Rematch && newGameComing())
            return ignored("a rematch request while one is agreed", m_lastMessage);
        // A rematch is asked for between games: during one, the number is a
        // second request from before it, or the peer's Yes that restarted
        // its own board under this game.
        if (code == Protocol::Rematch && game(turn) != Turn::None) {
            m_peerAskedRematch = true;
            return outOfStep("a rematch number during a game", m_lastMessage, turn);
        }
        return {Step{Step::Ask, code, QString::fromUtf8(texts(code).question)}};
    }
    // The answer to this side's request, or the peer's own request crossing
    // it, which agrees to it just the same.
    flag = false;
    if (value < 0)
        return {Step{Step::Notice, 0, QString::fromUtf8(texts(code).refused)}, Step{Step::Settle}};
    const Step told{Step::Notice, 0, QString::fromUtf8(texts(code).accepted)};
    const FollowUp f = onAccepted(code);
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
    // A new game answers this side's rematch request, and the peer's too.
    // A quit or a mode select still waiting keeps its flag: its answer
    // means the same whatever game is on. A Yes of ours to a rematch that
    // has not left yet starts no second game: several Yes answers, one game.
    m_requested[slot(Protocol::Rematch)] = false;
    m_peerAskedRematch = m_toldOutOfStep = m_stopped = false;
    for (FollowUp &f : m_followUps)
        if (f == FollowUp::NewGame)
            f = FollowUp::Nothing;
    return {Step{Step::Settle}};
}

bool NetSession::newGameComing() const
{
    for (FollowUp f : m_followUps)
        if (f == FollowUp::NewGame)
            return true;
    return false;
}

NetSession::Steps NetSession::settle(Turn turn) const
{
    // An agreed new game waiting for its answer to leave would wipe a move
    // made now on this side only. Unanswered requests never lock the board.
    if (game(turn) != Turn::Own)
        return {};
    return {Step{newGameComing() ? Step::Lock : Step::Unlock}};
}
