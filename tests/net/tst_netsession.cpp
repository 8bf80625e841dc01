// Every order in which two players' presses, answers, moves, passes,
// resignations, chat lines, deliveries, completed sends, a forced end and a
// broken connection can happen, tried on two NetSessions joined by an
// in-process wire, and on one NetSession against a peer that follows the
// written rules to the letter. Each session's side does with the steps what
// the network window does: a queue handled one item at a time, nothing
// handled while a question is open, follow-ups run when a send completes.
// Every game starts three moves from its end, so games end by the 60th
// move, two passes or a resignation, and second and third games are cheap.
// KOBANTO_EXPLORE=wide widens the bounds for a long run.
#include <QtTest>
#include <array>
#include <deque>
#include <map>
#include <unordered_map>

#include "net/netsession.h"
#include "rules/board.h"

using Step = NetSession::Step;
using Turn = NetSession::Turn;

namespace {
// All in all, by both users together, but answers: by each user.
struct Bounds {
    int presses, answers, chats, ends;  // ends: forced ends and broken connections
} bounds;

enum class Phase : char { Playing, GameOver, Menu, Ended };

// On the wire, in a side's queue or read: request is what the sender meant.
struct Msg {
    enum Kind : char { Number, Chat, Complete, Close, Junk } kind = Number;
    qint16 value = 0;
    bool request = false;
};
const QByteArray chatLine = " Guest>gg";
QByteArray wire(const Msg &m) { return m.kind == Msg::Chat ? chatLine : Protocol::encodeNumber(m.value); }

struct Side {
    bool literal = false, host = false;
    Phase phase = Phase::Playing;
    Board board;
    qint16 question = 0;  // the code of the open question
    int answers = 0;
    bool locked = false;  // the board's cells
    bool saidYes[3] = {false, false, false};
    bool askedUnasked = false;  // asked its user a question the peer had not asked
    bool lost = false;          // in this game: a move its board refused, a read it could not make sense of
    bool told = false;          // in this game: the user read that the peer is out of step
    int wrong = 0;              // what its user saw go wrong on the way, one bit a fault below
    std::deque<Msg> queue, arrived, out;
    int uncompleted = 0;  // the last this many of out have not completed
    NetSession s;
    // The peer as the written rules have it: one flag per kind, lastMessage
    // read at every completed send; a read of two messages is one number
    // that means nothing.
    bool requested[3] = {false, false, false};
    qint16 lastMessage = 0;

    Disc colour() const { return host ? Black : White; }
    bool gone() const { return phase == Phase::Menu || phase == Phase::Ended; }
    Turn turn() const
    {
        return phase != Phase::Playing ? Turn::None : board.turnColor() == colour() ? Turn::Own : Turn::Peer;
    }
    bool mayMove() const { return turn() == Turn::Own && !locked && question == 0; }
};

struct State {
    std::array<Side, 2> side;  // the host, the client
    int presses = 0, chats = 0, ends = 0, games = 0;
};
}  // namespace

// What a session keeps to itself: all of it for the explorer's hash, and
// whether a request of its own waits for its answer.
class TestAccess {
public:
    template <class Hash>
    static void hash(const Hash &h, const NetSession &s)
    {
        h(s.m_leaving, s.m_peerAskedRematch, s.m_toldOutOfStep, s.m_stopped, s.m_requested[0], s.m_requested[1],
          s.m_requested[2], s.m_followUps.size());
        for (NetSession::FollowUp f : s.m_followUps)
            h(f);
    }
    static bool awaiting(const NetSession &s) { return s.m_requested[0] || s.m_requested[1] || s.m_requested[2]; }
};

namespace {
// A 64-bit FNV-style hash: states are told apart by it alone.
quint64 hashOf(const State &st)
{
    quint64 hash = 1469598103934665603ull;
    const auto h = [&hash](auto... v) {
        for (quint64 x : {quint64(v)...})
            hash = (hash ^ x) * 1099511628211ull;
    };
    h(st.presses, st.chats, st.ends, st.games);
    for (const Side &d : st.side) {
        h(d.literal, d.phase, d.question, d.answers, d.locked, d.askedUnasked, d.lost, d.told, d.wrong, d.uncompleted,
          d.lastMessage, d.board.turnColor(), d.board.passFlag(), d.board.moveCount());
        for (int k = 0; k < 64; ++k)
            h(d.board.at(k));
        for (int c = 0; c < 3; ++c)
            h(d.saidYes[c], d.requested[c]);
        for (const std::deque<Msg> *q : {&d.queue, &d.arrived, &d.out}) {
            h(q->size());
            for (const Msg &m : *q)
                h(m.kind, m.value, m.request);
        }
        TestAccess::hash(h, d.s);
    }
    return hash;
}

// ---- what both kinds of side do ----

void send(Side &d, qint16 value, Msg::Kind kind = Msg::Number)
{
    d.out.push_back(Msg{kind, value});
    ++d.uncompleted;
}
// Three moves from the end: black 7, then white 57 (black 58 is the 60th
// move) or white 58 (then black passes, white passes: the end).
void startGame(State &st, Side &d)
{
    d.phase = Phase::Playing;
    d.board = Board::fromRows(
        {"WWWWWWW.", "WWWWWWWW", "WWWWWBWW", "WWWWBWWW", "WWWBWWWW", "WWWWWWWW", "BBBBBBBW", "B..BBBBW"}, Black);
    d.locked = !d.host;                      // the host opens
    d.lost = d.told = d.saidYes[1] = false;  // a Yes to a rematch is carried out
    st.games += d.host;
}
// What was written still arrives; nothing more is read or answered.
void leave(Side &d, Phase to)
{
    d.phase = to, d.question = 0, d.uncompleted = 0;
    d.queue.clear(), d.arrived.clear(), d.out.push_back(Msg{Msg::Close});
}
void endIfOver(Side &d, bool over)
{
    if (over || d.board.full())
        d.phase = Phase::GameOver;
}

// ---- what the window does with a session's steps ----

// What a session's user must never see, whatever the peer does, checked as
// it happens: the bits of Side::wrong.
const char *const wrongs[] = {"told twice in one game that the peer is out of step", "a new game while leaving",
                              "the peer's move, pass or resignation out of its turn",
                              "the board open on the peer's turn", "the game goes on after the user was told it stops"};
enum Wrong { ToldTwice = 1, NewGameLeaving = 2, PeerOutOfTurn = 4, OpenOnPeersTurn = 8, GoesOn = 16 };
// After every event: a board that plays the peer's colour, or a game that
// goes on with "再 戦" offered.
void watch(Side &d)
{
    const bool open = d.turn() == Turn::Peer && !d.locked, goesOn = d.told && d.phase == Phase::Playing;
    if (!d.literal)
        d.wrong |= (open ? OpenOnPeersTurn : 0) | (goesOn ? GoesOn : 0);
}

void carryOut(State &st, Side &d, const NetSession::Steps &steps)
{
    for (const Step &s : steps) {
        const Step::Kind k = s.kind;
        if (d.gone())
            return;
        if ((k == Step::Play || k == Step::PeerPassed || k == Step::PeerResigned) && d.turn() != Turn::Peer)
            d.wrong |= PeerOutOfTurn;
        if (k == Step::Status)  // only the out-of-step notice
            d.wrong |= std::exchange(d.told, true) ? ToldTwice : 0;
        else if (k == Step::NewGame && d.s.leaving())
            d.wrong |= NewGameLeaving;
        if (k == Step::Ask)  // the box stays open until the user answers
            d.question = s.value;
        else if (k == Step::Lock || k == Step::Unlock)
            d.locked = k == Step::Lock;
        else if (k == Step::Menu || k == Step::End)
            leave(d, k == Step::Menu ? Phase::Menu : Phase::Ended);
        else if (k == Step::NewGame)
            startGame(st, d), carryOut(st, d, d.s.newGame());
        else if (k == Step::Send)
            send(d, s.bytes.toShort(), s.bytes == chatLine ? Msg::Chat : Msg::Number),
                carryOut(st, d, d.s.sent(s.followUp, true));
        else if (k == Step::Play && d.board.play(s.value).isEmpty())
            d.lost = true;  // "そこには打てません"
        else if (k == Step::Play || k == Step::Settle || (k == Step::PeerPassed && d.board.pass()))
            carryOut(st, d, d.s.settle(d.turn())), endIfOver(d, false);
        else if (k == Step::PeerPassed || k == Step::PeerResigned || k == Step::Stop)
            d.phase = Phase::GameOver;
    }
}

// ---- the literal peer, one rule a function ----

void literalAgreed(State &st, Side &d, int kind)
{
    if (kind != 1)
        return leave(d, kind == 2 ? Phase::Ended : Phase::Menu);
    d.lastMessage = 0;
    std::fill_n(d.requested, 3, false);
    startGame(st, d);
}
// saisencheck, syuuryoucheck, modecheck: with the flag clear any number of
// the kind is a request, asked; with it set the answer, carried out at once.
void literalAgreement(State &st, Side &d, qint16 value)
{
    bool &flag = d.requested[qAbs(value) - Protocol::ModeSelect];
    d.lastMessage = value;
    if (!flag)
        d.question = qAbs(value);
    else if (value < 0)
        flag = false;
    else
        literalAgreed(st, d, value - Protocol::ModeSelect);
}
// A number is played as a click on its cell, for whoever is to move, in any
// phase: if that was this side's colour it counts as its own move and goes
// back out.
void literalPlay(Side &d, qint16 cell)
{
    const bool own = d.board.turnColor() == d.colour();
    if (d.board.play(cell).isEmpty())
        return void(d.lost = true);
    d.phase = Phase::Playing;
    if ((d.locked = own))
        send(d, cell);
    endIfOver(d, false);
}
// A pass for whoever is to move: its own, if that is this side.
void literalPass(Side &d)
{
    if ((d.locked = d.board.turnColor() == d.colour()))
        send(d, Protocol::Pass);
    endIfOver(d, !d.board.pass());
}
void literalReceive(State &st, Side &d, qint16 v)
{
    if (v == Protocol::Resign)
        d.lastMessage = v, d.phase = Phase::GameOver;
    else if (qAbs(v) >= Protocol::ModeSelect && qAbs(v) <= Protocol::Quit)
        literalAgreement(st, d, v);
    else if (v == Protocol::ForcedEnd)
        leave(d, Phase::Menu);
    else if (v == Protocol::Pass)
        literalPass(d);
    else
        literalPlay(d, v);
}
// Winsock1_SendComplete: at most one deferred action, by lastMessage.
void literalCompleted(State &st, Side &d)
{
    if (d.lastMessage == Protocol::ForcedEnd)
        return leave(d, Phase::Ended);
    for (int c = 0; c < 3; ++c)
        if (d.lastMessage == Protocol::ModeSelect + c && !d.requested[c])
            return literalAgreed(st, d, c);
}

// ---- events: what a user, a window or the network does ----

enum class Ev : char { Yes, No, Handle, Read, Press, Move, Pass, Resign, Chat, Complete, Deliver, ForceEnd, Break };
const QStringList evNames =
    QString("yes no handle read press move pass resign chat complete deliver force break").split(' ');
struct Event {
    Ev kind;
    int me;          // 0 the host, 1 the client
    qint16 arg = 0;  // the code pressed, the cell played
};
QString name(const Event &e)
{
    const bool arg = e.kind == Ev::Press || e.kind == Ev::Move;
    return QString(e.me ? "c." : "h.") + evNames[int(e.kind)] + (arg ? QString::number(e.arg) : "");
}

void handle(State &st, Side &d)
{
    const Msg m = d.queue.front();
    d.queue.pop_front();
    if (m.kind == Msg::Complete || m.kind == Msg::Close)
        return carryOut(st, d, m.kind == Msg::Complete ? d.s.completed() : d.s.closed());
    d.lost |= m.kind == Msg::Junk;
    const Protocol::Message got = m.kind == Msg::Junk ? Protocol::Message() : Protocol::classify(wire(m));
    carryOut(st, d, d.s.received(got, d.turn()));
    d.askedUnasked |= d.question != 0 && !m.request;
}
// One read of all that has arrived, up to a chat line: a number right behind
// one in the same read would be part of its text, which no side can undo.
void read(State &st, Side &d)
{
    std::deque<Msg> got;
    while (!d.arrived.empty() && (got.empty() || got.back().kind != Msg::Chat))
        got.push_back(d.arrived.front()), d.arrived.pop_front();
    if (d.literal) {
        d.lost |= got.size() > 1;
        if (got.size() == 1 && got.front().kind == Msg::Number)
            literalReceive(st, d, got.front().value);
        return;
    }
    QByteArray bytes;
    for (const Msg &m : got)
        bytes += wire(m);
    const QList<Protocol::Message> split = Protocol::split(bytes);
    for (int i = 0; i < split.size(); ++i) {
        const bool whole = split.size() == int(got.size()) && split[i].kind != Protocol::Kind::Junk;
        d.queue.push_back(whole ? got[size_t(i)] : Msg{Msg::Junk});
    }
}
void answer(State &st, Side &d, bool yes)
{
    const qint16 code = std::exchange(d.question, qint16(0));
    ++d.answers;
    d.saidYes[code - Protocol::ModeSelect] |= yes;
    if (!d.literal)
        return carryOut(st, d, d.s.answered(code, yes, d.turn()));
    d.lastMessage = yes ? code : qint16(-code);
    send(d, d.lastMessage);
}
void press(State &st, Side &d, qint16 code)
{
    ++st.presses;
    const size_t before = d.out.size();
    if (d.literal)
        d.requested[code - Protocol::ModeSelect] = true, send(d, code);
    else
        carryOut(st, d, d.s.request(code));
    for (size_t i = before; i < d.out.size(); ++i)
        d.out[i].request = true;
}

// What an event does on its side d (a delivery puts d's oldest bytes on the
// peer's side).
void apply(State &st, const Event &e)
{
    Side &d = st.side[size_t(e.me)], &peer = st.side[size_t(1 - e.me)];
    switch (e.kind) {
    case Ev::Yes:
    case Ev::No:
        return answer(st, d, e.kind == Ev::Yes);
    case Ev::Handle:
        return handle(st, d);
    case Ev::Read:
        return read(st, d);
    case Ev::Press:
        return press(st, d, e.arg);
    case Ev::Move:  // this side's own, as are the pass, resignation, chat line and forced end
        if (d.literal)
            return literalPlay(d, e.arg);
        d.board.play(e.arg);
        return carryOut(st, d, d.s.ownMove(e.arg)), endIfOver(d, false);
    case Ev::Pass:
        if (d.literal)
            return literalPass(d);
        carryOut(st, d, d.s.passing(true));
        return endIfOver(d, !d.board.pass());
    case Ev::Resign:
        d.literal ? send(d, Protocol::Resign) : carryOut(st, d, d.s.resign());
        d.phase = Phase::GameOver;
        return;
    case Ev::Chat:
        ++st.chats;
        return d.literal ? send(d, 0, Msg::Chat) : carryOut(st, d, d.s.chat(chatLine));
    case Ev::ForceEnd:
        ++st.ends;
        d.lastMessage = Protocol::ForcedEnd;  // read by a literal side only
        return d.literal ? send(d, Protocol::ForcedEnd) : carryOut(st, d, d.s.forceEnd());
    case Ev::Complete:
        --d.uncompleted;  // a literal side runs its follow-up before anything answers the send
        return d.literal ? literalCompleted(st, d) : d.queue.push_back(Msg{Msg::Complete});
    case Ev::Deliver:
        if (!peer.gone())
            (d.out.front().kind == Msg::Close ? peer.queue : peer.arrived).push_back(d.out.front());
        return d.out.pop_front();
    case Ev::Break:  // what has not left is lost; each window hears of it (a literal one does not listen)
        ++st.ends;
        for (Side &s : st.side) {
            s.out.clear(), s.uncompleted = 0;
            if (!s.gone() && !s.literal)
                s.queue.push_back(Msg{Msg::Close});
        }
    }
}

// What can happen next, on the host's side, then on the client's.
std::vector<Event> next(const State &st)
{
    std::vector<Event> events;
    for (int me = 0; me < 2; ++me) {
        const Side &d = st.side[size_t(me)];
        const auto may = [&](bool fact, Ev kind, qint16 arg = 0) {
            if (fact)
                events.push_back(Event{kind, me, arg});
        };
        const bool here = !d.gone(), idle = here && d.question == 0,
                   answerable = here && d.question && d.answers < bounds.answers;
        may(int(d.out.size()) > d.uncompleted, Ev::Deliver);  // bytes reach the peer once their send completed
        may(here && d.uncompleted > 0, Ev::Complete);
        may(here && !d.arrived.empty() && !(d.literal && d.question), Ev::Read);  // a literal reads nothing under a box
        may(idle && !d.queue.empty(), Ev::Handle);
        may(answerable, Ev::Yes);
        may(answerable, Ev::No);
        for (qint16 code = Protocol::ModeSelect; code <= Protocol::Quit; ++code)
            may(idle && d.phase == Phase::GameOver && st.presses < bounds.presses, Ev::Press, code);
        for (int cell = 0; cell < 64; ++cell)
            may(d.mayMove() && !d.board.flips(cell).isEmpty(), Ev::Move, qint16(cell));
        may(d.mayMove() && !d.board.hasMove(d.colour()), Ev::Pass);
        may(d.mayMove(), Ev::Resign);
        may(idle && st.chats < bounds.chats, Ev::Chat);
        may(idle && st.ends < bounds.ends, Ev::ForceEnd);
        may(me == 0 && st.ends < bounds.ends && here && !st.side[1].gone(), Ev::Break);
    }
    return events;
}

// ---- the checks ----

// The faults of an end state, for the session's sides (both when ours is
// -1), each marked when it is the session's own doing: only those fail
// against a literal peer.
std::map<QString, bool> faults(const State &st, int ours)
{
    std::map<QString, bool> found;
    const auto expect = [&](bool fact, const char *fault, bool own = false) {
        if (!fact)
            found.emplace(fault, own);
    };
    const Side &a = st.side[0], &b = st.side[1];
    const bool open = a.question || b.question, both = !a.gone() && !b.gone();
    if (!open) {  // a question still open can set everything right
        expect(a.gone() == b.gone(), "one side left, the other stayed");
        expect(!both || a.phase == b.phase, "different phases");
        expect(!both || a.phase != Phase::Playing || b.phase != Phase::Playing || a.board == b.board,
               "different boards");
    }
    for (int me = 0; me < 2; ++me) {
        const Side &d = st.side[size_t(me)], &peer = st.side[size_t(1 - me)];
        if (ours >= 0 && me != ours)
            continue;
        expect(d.turn() != Turn::Own || !d.locked, "the board locked for good", true);
        expect(!d.askedUnasked, "a question the peer had not asked");
        for (int f = 0; f < 5; ++f)
            expect(!(d.wrong >> f & 1), wrongs[f], true);
        expect(ours >= 0 || (!d.told && !d.lost), "out of step: told the user, or refused what the peer sent");
        if (open)
            continue;
        expect(!d.saidYes[2] || d.phase == Phase::Ended, "Yes to quit did not end the program", true);
        expect(!d.saidYes[0] || d.phase == Phase::Menu, "Yes to mode select did not lead to the menu", true);
        expect(!d.saidYes[1] || d.phase != Phase::GameOver, "Yes to rematch started no game", true);
        expect(ours >= 0 || d.gone() || !TestAccess::awaiting(d.s), "a request flag left set with no answer coming");
        // A literal peer that lost a move or left a Yes undone sends nothing
        // more; one that sent a move this board refuses, or two in one read,
        // is refused as the written rules have it, with no word beyond.
        const bool peerAtFault = peer.lost || d.lost || (peer.saidYes[1] && peer.phase == Phase::GameOver);
        expect(!both || d.turn() != Turn::Peer || d.told || peer.mayMove() || peerAtFault,
               "waits for a move that will not come, and says nothing", true);
    }
    return found;
}

// ---- the explorer ----

State start(int ours)
{
    State st;
    for (int me = 0; me < 2; ++me) {
        Side &d = st.side[size_t(me)];
        d.host = me == 0;
        d.literal = ours >= 0 && me != ours;
        startGame(st, d);
    }
    return st;
}

struct Explorer {
    int ours;                                           // the session's side against a literal one; -1: two sessions
    std::unordered_map<quint64, double> paths;          // interleavings from a state to its ends
    std::map<QString, std::pair<bool, QString>> found;  // each fault: the session's own?, the first way to it
    std::vector<Event> trace;
    int maxGames = 1;

    explicit Explorer(int pairing) : ours(pairing) {}
    void check(const State &st)
    {
        QStringList names;
        for (const Event &e : trace)
            names << name(e);
        for (const auto &[fault, own] : faults(st, ours))
            found.try_emplace(fault, own, names.join(' '));
    }
    double explore(const State &st)
    {
        const quint64 k = hashOf(st);
        if (auto it = paths.find(k); it != paths.end())
            return it->second;
        maxGames = std::max(maxGames, st.games);
        double n = 0;
        for (const Event &e : next(st)) {
            State after = st;
            apply(after, e);
            for (Side &d : after.side)
                watch(d);
            trace.push_back(e);
            n += explore(after);
            trace.pop_back();
        }
        if (n == 0)  // an end state
            check(st);
        return paths.emplace(k, std::max(n, 1.0)).first->second;
    }
};
}  // namespace

class TestNetSession : public QObject {
    Q_OBJECT

private slots:
    // The peer's mistakes are logged as they are dropped; here they are many.
    void initTestCase()
    {
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    }

    void explore_data()
    {
        QTest::addColumn<int>("ours");
        QTest::addColumn<bool>("games");
        for (int ours : {-1, 0, 1}) {
            const char *pairing = ours < 0 ? "two sessions" : ours == 0 ? "session hosts" : "session joins";
            QTest::addRow("%s, three games", pairing) << ours << true;
            QTest::addRow("%s, chat and an end", pairing) << ours << false;
        }
    }
    // Between two sessions every bad ending fails. Against a literal peer
    // the board is never locked for good, every Yes is carried out, and a
    // wait for a move that will not come is told. Wide: all of it at once.
    void explore()
    {
        QFETCH(int, ours);
        QFETCH(bool, games);
        const bool wide = qgetenv("KOBANTO_EXPLORE") == "wide";
        if (wide && !games)
            QSKIP("within the three games");
#ifdef __SANITIZE_ADDRESS__
        const Bounds rest{0, 0, 1, 1};  // minutes otherwise under the sanitizers
#else
        const Bounds rest{1, 1, 1, 1};
#endif
        bounds = wide ? Bounds{2, 2, 1, 1} : games ? Bounds{2, 2, 0, 0} : rest;
        QElapsedTimer clock;
        clock.start();
        Explorer e(ours);
        const double n = e.explore(start(ours));
        // Against a literal peer its own faults (it lost what a read merged,
        // its new game wiped a move) are only recorded.
        QStringList failing, recorded;
        for (const auto &[fault, how] : e.found)
            (ours < 0 || how.first ? failing : recorded) << fault + " after: " + how.second;
        fprintf(stderr, "explored %.0f interleavings, %zu states, games up to %d, in %lld ms\n%s\n", n, e.paths.size(),
                e.maxGames, clock.elapsed(), qPrintable(recorded.join('\n')));
        QVERIFY2(failing.isEmpty(), qPrintable(failing.join('\n')));
        QVERIFY(e.maxGames > bounds.presses);  // the games really went on past the first
    }
};

QTEST_GUILESS_MAIN(TestNetSession)
#include "tst_netsession.moc"
