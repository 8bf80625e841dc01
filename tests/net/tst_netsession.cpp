// Every order in which two players' presses, answers, moves, deliveries and
// completed sends can happen, tried on two NetSessions joined by an
// in-process wire, and on one NetSession against a peer that follows the
// written rules to the letter. Each session's side does with the steps what
// the network window does: a queue handled one item at a time, nothing
// handled while a question is open, follow-ups run when a send completes.
#include <QtTest>
#include <array>
#include <deque>
#include <unordered_map>

#include "net/netsession.h"

using Steps = NetSession::Steps;
using Step = NetSession::Step;
using Turn = NetSession::Turn;

// Every list is preceded by its length, so that no two states share a key.
template <class... T>
void put(std::string &k, T... v)
{
    for (int x : {int(v)...})
        k += char(x + 100);
}

struct NetSessionTest {
    static void key(std::string &k, const NetSession &s)
    {
        put(k, s.m_outstanding[0], s.m_outstanding[1], s.m_outstanding[2], s.m_before[0], s.m_before[1], s.m_before[2],
            s.m_leaving, s.m_followUps.size());
        for (NetSession::FollowUp f : s.m_followUps)
            put(k, f);
    }
    static bool awaitingAnswers(const NetSession &s)
    {
        return s.m_outstanding[0] + s.m_outstanding[1] + s.m_outstanding[2];
    }
};

namespace {
enum class Phase : char { GameOver, Playing, Menu, Ended };
constexpr int maxPresses = 3;  // in all, by both users together; each request at most twice by one side
// Against a literal peer two Yes answers can ask each other forever: there
// each user answers at most twice, and a trace that runs out of answers with
// a question open is cut there, unjudged.
int answerBound = 3;  // answers by one user; by the user of a literal side, 1

// On the wire, or in a side's queue. request is what the sender meant.
struct Msg {
    enum Type : char { Message, Complete, Close, Junk } type = Message;
    qint16 value = 0;
    bool request = false;
};

// What a side forgets when it leaves.
struct Connection {
    qint16 question = 0;             // the code of the open question, 0 for none
    std::deque<Msg> queue, arrived;  // to handle; delivered, not read
    int uncompleted = 0;             // the last this many of out have not completed
    NetSession s;
    // The peer as the written rules have it: one flag per kind, lastMessage
    // read at every completed send, a new game clears both; nothing read
    // while a box is open, and one read takes all that has arrived (two
    // messages in one read make one number that means nothing).
    bool requested[3] = {false, false, false};
    qint16 lastMessage = 0;
    int board = 0;        // moves in the current game (19, 20): the host's turn when even
    bool locked = false;  // the board's cells
};
struct Side : Connection {
    bool literal = false;
    Phase phase = Phase::GameOver;
    std::deque<Msg> out;  // sent, not delivered
    int presses[3] = {0, 0, 0};
    int answers = 0;
    int moves = 0;  // this side's own, in all games
    bool saidYes[3] = {false, false, false};
    bool askedUnasked = false;  // asked its user a question the peer had not asked
    bool gone() const { return phase == Phase::Menu || phase == Phase::Ended; }
};
using Pair = std::array<Side, 2>;
std::string key(const Pair &p)
{
    std::string k;
    for (const Side &d : p) {
        put(k, d.literal, d.phase, d.question, d.answers, d.uncompleted, d.moves, d.board, d.locked, d.askedUnasked,
            d.queue.size(), d.out.size(), d.arrived.size(), d.lastMessage);
        for (const std::deque<Msg> *q : {&d.queue, &d.out, &d.arrived})
            for (const Msg &m : *q)
                put(k, m.type, m.value, m.request);
        for (int c = 0; c < 3; ++c)
            put(k, d.presses[c], d.saidYes[c], d.requested[c]);
        NetSessionTest::key(k, d.s);
    }
    return k;
}

// ---- what the window does; me: 0 the host, 1 the client ----

Turn turn(const Side &d, int me)
{
    return d.phase != Phase::Playing ? Turn::None : d.board % 2 == me ? Turn::Own : Turn::Peer;
}
void send(Side &d, qint16 value, bool request = false)
{
    d.out.push_back(Msg{Msg::Message, value, request});
    ++d.uncompleted;
}
void leave(Side &d, Phase to)
{
    d.phase = to;
    static_cast<Connection &>(d) = Connection();  // whatever was written still arrives
    d.out.push_back(Msg{Msg::Close});
}
void newGame(Side &d, int me)
{
    d.phase = Phase::Playing;
    d.board = 0;
    d.locked = me == 1;  // the host opens
}
void carryOut(Side &d, int me, const Steps &steps)
{
    for (const Step &s : steps) {
        if (d.gone())
            return;
        Steps then;
        if (s.kind == Step::Ask) {  // the box stays open until the user answers
            d.question = s.value;
        } else if (s.kind == Step::Lock || s.kind == Step::Unlock) {
            d.locked = s.kind == Step::Lock;
        } else if (s.kind == Step::Menu || s.kind == Step::End) {
            leave(d, s.kind == Step::Menu ? Phase::Menu : Phase::Ended);
        } else if (s.kind == Step::NewGame) {
            newGame(d, me);
            then = d.s.newGame();
        } else if (s.kind == Step::Send) {
            send(d, s.bytes.toShort());
            then = d.s.sent(s.followUp, true);
        } else if (s.kind == Step::Play || s.kind == Step::Settle) {
            d.board += s.kind == Step::Play;  // the peer's move, then the board as the session says
            then = d.s.settle(turn(d, me));
        }  // notices, chat, the status line: nothing to model
        carryOut(d, me, then);
    }
}

// ---- what a literal side does ----

// Carries out request c (0 to 2) once both have agreed to it.
void agreed(Side &d, int me, int c)
{
    if (c != 1)
        return leave(d, c == 2 ? Phase::Ended : Phase::Menu);
    d.lastMessage = 0;
    std::fill_n(d.requested, 3, false);
    newGame(d, me);
}
void literalReceive(Side &d, int me, const Msg &m)
{
    const qint16 code = qAbs(m.value);
    if (code >= Protocol::ModeSelect && code <= Protocol::Quit) {
        d.lastMessage = m.value;
        bool &flag = d.requested[code - Protocol::ModeSelect];
        d.askedUnasked |= !flag && !m.request;
        if (!flag)
            d.question = code;
        else if (m.value != code)
            flag = false;
        else
            agreed(d, me, code - Protocol::ModeSelect);
    } else if (code < Protocol::Resign && d.phase == Phase::Playing) {
        // Played as a click on the cell whoever is to move; on its own turn
        // it counts as its own move and goes back out.
        d.locked = d.board++ % 2 == me;
        if (d.locked)
            send(d, m.value);
    }
}
void literalComplete(Side &d, int me)
{
    for (int c = 0; c < 3; ++c)
        if (d.lastMessage == Protocol::ModeSelect + c && !d.requested[c])
            return agreed(d, me, c);
}

// ---- events: the same for a session's side and a literal one ----

void handle(Side &d, int me)
{
    const Msg m = d.queue.front();
    d.queue.pop_front();
    if (m.type == Msg::Complete)
        d.literal ? literalComplete(d, me) : carryOut(d, me, d.s.completed());
    else if (m.type == Msg::Close)  // a literal side does not notice
        d.literal ? void() : carryOut(d, me, d.s.closed());
    else  // what a read could not split into whole messages is junk
        carryOut(d, me,
                 d.s.received(m.type == Msg::Junk ? Protocol::Message() : Protocol::classify(QString::number(m.value)),
                              turn(d, me)));
    d.askedUnasked |= !d.literal && d.question != 0 && !m.request;
}
// One read of all that has arrived.
void read(Side &d, int me)
{
    const std::deque<Msg> got = std::exchange(d.arrived, {});
    if (d.literal)
        return got.size() == 1 ? literalReceive(d, me, got.front()) : void();
    QByteArray bytes;
    for (const Msg &m : got)
        bytes += Protocol::encodeNumber(m.value);
    const QList<Protocol::Message> split = Protocol::split(bytes);
    for (int i = 0; i < split.size(); ++i) {
        const bool whole = split.size() == int(got.size()) && split[i].kind != Protocol::Kind::Junk;
        d.queue.push_back(whole ? got[size_t(i)] : Msg{Msg::Junk});
    }
}
void answer(Side &d, int me, bool yes)
{
    const qint16 code = std::exchange(d.question, qint16(0));
    ++d.answers;
    d.saidYes[code - Protocol::ModeSelect] |= yes;
    if (!d.literal)
        return carryOut(d, me, d.s.answered(code, yes, turn(d, me)));
    d.lastMessage = yes ? code : qint16(-code);
    send(d, d.lastMessage);
}
void press(Side &d, int me, int c)
{
    ++d.presses[c];
    const qint16 code = qint16(Protocol::ModeSelect + c);
    d.requested[c] |= d.literal;
    d.literal ? send(d, code) : carryOut(d, me, d.s.request(code));
    d.out.back().request = true;
}
void move(Side &d, int me)
{
    ++d.moves;
    ++d.board;
    d.locked |= d.literal;
    d.literal ? send(d, qint16(19 + me)) : carryOut(d, me, d.s.ownMove(qint16(19 + me)));
}
int pressed(const Side &d) { return d.presses[0] + d.presses[1] + d.presses[2]; }

// What can happen next.
struct Event {
    enum Kind : char { Yes, No, Handles, Reads, Presses, Moves, Completes, Delivers } kind;
    char me;
    char code = 0;  // the request pressed, 0 to 2
};
bool may(const Pair &p, const Event &e)
{
    const Side &d = p[size_t(e.me)];
    const bool asking = d.question != 0, answerable = !d.gone() && asking && d.answers < (d.literal ? 1 : answerBound);
    const bool may[] = {
        answerable,  // Yes
        answerable,  // No
        !d.gone() && !asking && !d.queue.empty(),
        !d.gone() && !d.arrived.empty() && !(d.literal && asking),
        d.phase == Phase::GameOver && !asking && pressed(p[0]) + pressed(p[1]) < maxPresses &&
            d.presses[int(e.code)] < 2,
        turn(d, e.me) == Turn::Own && !asking && d.moves < 1 && !d.locked,
        !d.gone() && d.uncompleted > 0,
        int(d.out.size()) > d.uncompleted,  // bytes reach the peer only once their send has completed
    };
    return may[int(e.kind)];
}
void apply(Pair &p, const Event &e, bool merging)
{
    Side &d = p[size_t(e.me)], &to = p[size_t(1 - e.me)];
    if (e.kind == Event::Yes || e.kind == Event::No)
        return answer(d, e.me, e.kind == Event::Yes);
    if (e.kind == Event::Handles || e.kind == Event::Reads)
        return e.kind == Event::Handles ? handle(d, e.me) : read(d, e.me);
    if (e.kind == Event::Presses || e.kind == Event::Moves)
        return e.kind == Event::Presses ? press(d, e.me, e.code) : move(d, e.me);
    if (e.kind == Event::Completes) {
        --d.uncompleted;
        return d.queue.push_back(Msg{Msg::Complete});
    }
    const Msg m = d.out.front();
    d.out.pop_front();
    if (!to.gone())
        (merging && m.type == Msg::Message ? to.arrived : to.queue).push_back(m);
}
std::vector<Event> next(const Pair &p)
{
    std::vector<Event> possible;
    for (char me = 0; me < 2; ++me)
        for (char k = Event::Yes; k <= Event::Delivers; ++k)
            for (char c = 0; c < (k == Event::Presses ? 3 : 1); ++c)
                if (may(p, Event{Event::Kind(k), me, c}))
                    possible.push_back(Event{Event::Kind(k), me, c});
    return possible;
}

// ---- the checks ----

enum Fault { OneLeft, Phases, Boards, YesToQuit, YesToMode, YesToRematch, Unasked, FlagLeft, Locked, Faults };
const char *const faultNames[Faults] = {"one side left, the other stayed",
                                        "different phases",
                                        "different boards",
                                        "Yes to quit did not end the program",
                                        "Yes to mode select did not lead to the menu",
                                        "Yes to rematch started no game",
                                        "a question the peer had not asked",
                                        "a request flag left set with no answer coming",
                                        "the board locked for good"};
// A lock or a Yes not carried out is the session's own doing, always.
constexpr unsigned ownFaults = 1u << Locked | 1u << YesToQuit | 1u << YesToMode | 1u << YesToRematch;
// The faults of an end state, for the session's sides (both when ours is -1).
unsigned faults(const Pair &p, int ours)
{
    unsigned f = 0;
    const auto expect = [&](bool fact, Fault fault) { f |= fact ? 0u : 1u << fault; };
    const Side &a = p[0], &b = p[1];
    expect(a.gone() == b.gone(), OneLeft);
    expect(a.gone() || b.gone() || a.phase == b.phase, Phases);
    expect(a.phase != Phase::Playing || b.phase != Phase::Playing || a.board == b.board, Boards);
    for (int me = 0; me < 2; ++me) {
        const Side &d = p[me];
        if (ours >= 0 && me != ours)
            continue;
        expect(!d.saidYes[2] || d.phase == Phase::Ended, YesToQuit);
        expect(!d.saidYes[0] || d.phase == Phase::Menu, YesToMode);
        expect(!d.saidYes[1] || d.phase != Phase::GameOver, YesToRematch);
        expect(!d.askedUnasked, Unasked);
        expect(ours >= 0 || d.gone() || !NetSessionTest::awaitingAnswers(d.s), FlagLeft);
        expect(d.literal || turn(d, me) != Turn::Own || !d.locked, Locked);
    }
    return f;
}

// ---- the explorer ----

struct Explorer {
    int ours = -1;                                  // the session's side against a literal one; -1: two sessions
    std::unordered_map<std::string, double> paths;  // interleavings from a state to its ends
    QString found[Faults];                          // each fault with the first way to it
    std::vector<Event> trace;

    void check(const Pair &p)
    {
        if (p[0].question != 0 || p[1].question != 0)
            return;  // out of answers
        const unsigned f = faults(p, ours);
        for (int i = 0; i < Faults; ++i)
            if ((f >> i) & 1 && found[i].isEmpty())
                found[i] = faultNames[i] + (" after: " + path());
    }
    QString path() const
    {
        static const QStringList kinds =
            QString("Yes,No,handles,reads,presses,moves,send completes,delivers").split(',');
        QStringList names;
        for (const Event &e : trace)
            names << (e.me == 0 ? "host " : "client ") + kinds[e.kind] +
                         (e.kind == Event::Presses ? QString(" %1").arg(Protocol::ModeSelect + e.code) : QString());
        return names.join(", ");
    }
    double explore(const Pair &p)
    {
        const std::string k = key(p);
        if (auto it = paths.find(k); it != paths.end())
            return it->second;
        double n = 0;
        for (const Event &e : next(p)) {
            Pair after = p;
            apply(after, e, ours >= 0);
            trace.push_back(e);
            n += explore(after);
            trace.pop_back();
        }
        if (n == 0)  // an end state
            check(p);
        n = std::max(n, 1.0);
        paths.emplace(k, n);
        return n;
    }
};
}  // namespace

class TestNetSession : public QObject {
    Q_OBJECT

private slots:
    void explore_data()
    {
        QTest::addColumn<int>("ours");
        QTest::newRow("two sessions") << -1;
        QTest::newRow("session hosts") << 0;
        QTest::newRow("session joins") << 1;
    }
    // Between two sessions every bad ending fails. Against a literal peer
    // the board is never locked for good and every Yes is carried out.
    void explore()
    {
        QFETCH(int, ours);
#ifdef __SANITIZE_ADDRESS__
        // Minutes under the sanitizers, which the session's code meets
        // between two sessions already; the plain build runs every row.
        if (ours >= 0)
            QSKIP("runs in the plain build");
#endif
        // The peer's mistakes are logged as they are dropped; against a
        // literal peer they are many.
        const QtMessageHandler quiet = [](QtMsgType, const QMessageLogContext &, const QString &) {};
        const QtMessageHandler was = ours < 0 ? nullptr : qInstallMessageHandler(quiet);
        Explorer e;
        e.ours = ours;
        Pair start;
        start[size_t(1 - ours) % 2].literal = ours >= 0;
        answerBound = ours < 0 ? 3 : 2;
        const double n = e.explore(start);
        if (ours >= 0)
            qInstallMessageHandler(was);
        // Other bad endings against a literal peer are the written rules'
        // own, which one side cannot mend alone (a read that merges a move
        // with what came before it, the peer's new game wiping its own move):
        // reported for the record.
        QStringList failing, recorded;
        for (int i = 0; i < Faults; ++i)
            if (!e.found[i].isEmpty())
                (ours < 0 || (ownFaults >> i) & 1 ? failing : recorded) << e.found[i];
        qInfo("explored %.0f interleavings (%zu distinct states)", n, e.paths.size());
        if (!recorded.isEmpty())
            qInfo("%s", qPrintable(recorded.join('\n')));
        QVERIFY2(failing.isEmpty(), qPrintable(failing.join('\n')));
        QVERIFY(n > 1e6);
    }
};

QTEST_GUILESS_MAIN(TestNetSession)
#include "tst_netsession.moc"
