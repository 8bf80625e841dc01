// Every order in which two players' presses, answers, moves, deliveries and
// completed sends can happen, tried on two NetSessions joined by an
// in-process wire. Each side does with the session's steps what the network
// window does: a queue handled one item at a time, nothing handled while a
// question is open, follow-ups run when a send completes.
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
        put(k, s.m_outstanding[0], s.m_outstanding[1], s.m_outstanding[2], s.m_leaving, s.m_followUps.size());
        for (NetSession::FollowUp f : s.m_followUps)
            put(k, f);
    }
    static bool awaitingAnswers(const NetSession &s)
    {
        return s.m_outstanding[0] + s.m_outstanding[1] + s.m_outstanding[2] > 0;
    }
};

namespace {
enum class Phase : char { GameOver, Playing, Menu, Ended };
constexpr int maxPresses = 3;  // in all, by both users together; each request at most twice by one side

// On the wire, or in a side's queue. request is what the sender meant.
struct Msg {
    enum Type : char { Message, Complete, Close } type = Message;
    qint16 value = 0;
    bool request = false;
};

struct Side {
    Phase phase = Phase::GameOver;
    qint16 question = 0;         // the code of the open question, 0 for none
    std::deque<Msg> queue, out;  // to handle; sent and not yet delivered
    int uncompleted = 0;         // the last this many of out have not completed
    NetSession s;
    int presses[3] = {0, 0, 0};
    int moves = 0;        // this side's own, in all games
    int board = 0;        // moves in the current game (19, 20): the host's turn when even
    bool locked = false;  // the board's cells
    bool saidYesToQuit = false, saidYesToMode = false;
    bool gone() const { return phase == Phase::Menu || phase == Phase::Ended; }
};
using State = std::array<Side, 2>;

std::string key(const State &st)
{
    std::string k;
    for (const Side &d : st) {
        put(k, d.phase, d.question, d.uncompleted, d.moves, d.board, d.locked, d.saidYesToQuit, d.saidYesToMode,
            d.queue.size(), d.out.size());
        for (const std::deque<Msg> *q : {&d.queue, &d.out})
            for (const Msg &m : *q)
                put(k, m.type, m.value, m.request);
        for (int c = 0; c < 3; ++c)
            put(k, d.presses[c]);
        NetSessionTest::key(k, d.s);
    }
    return k;
}

// ---- what the window does ----

// me: 0 the host, 1 the client.
Turn turn(const Side &d, int me)
{
    if (d.phase != Phase::Playing)
        return Turn::None;
    return d.board % 2 == me ? Turn::Own : Turn::Peer;
}
void leave(Side &d, Phase to)
{
    d.phase = to;
    d.question = 0;
    d.queue.clear();
    d.uncompleted = 0;  // whatever was written still arrives
    d.out.push_back(Msg{Msg::Close});
    d.s = NetSession();
    d.board = 0;
    d.locked = false;
}
void carryOut(Side &d, int me, const Steps &steps)
{
    for (const Step &s : steps) {
        if (d.gone())
            return;
        switch (s.kind) {
        case Step::Play:  // the peer's move, then the board as the session says
            ++d.board;
            carryOut(d, me, d.s.settle(turn(d, me)));
            break;
        case Step::Ask:  // the box stays open until the user answers
            d.question = s.value;
            break;
        case Step::NewGame:  // the host opens
            d.phase = Phase::Playing;
            d.board = 0;
            d.locked = me == 1;
            carryOut(d, me, d.s.newGame());
            break;
        case Step::Menu:
            return leave(d, Phase::Menu);
        case Step::End:
            return leave(d, Phase::Ended);
        case Step::Send:
            d.out.push_back(Msg{Msg::Message, s.bytes.toShort()});
            ++d.uncompleted;
            carryOut(d, me, d.s.sent(s.followUp, true));
            break;
        case Step::Lock:
        case Step::Unlock:
            d.locked = s.kind == Step::Lock;
            break;
        case Step::Settle:
            carryOut(d, me, d.s.settle(turn(d, me)));
            break;
        default:  // notices, chat, the status line: nothing to model
            break;
        }
    }
}
void handle(Side &d, int me, const Msg &m)
{
    if (m.type == Msg::Complete)
        carryOut(d, me, d.s.completed());
    else if (m.type == Msg::Close)
        carryOut(d, me, d.s.closed());
    else
        carryOut(d, me, d.s.received(Protocol::classify(QString::number(m.value)), turn(d, me)));
}

// ---- the explorer ----

struct Explorer {
    std::unordered_map<std::string, double> paths;  // interleavings from a state to its ends
    QMap<QString, QString> faults;                  // each with the first way to it
    QStringList trace;

    void expect(bool fact, const QString &fault)
    {
        if (!fact && !faults.contains(fault))
            faults[fault] = trace.join(", ");
    }
    void check(const State &st)
    {
        const Side &a = st[0], &b = st[1];
        expect(a.gone() == b.gone(), "one side left, the other stayed");
        expect(a.gone() || b.gone() || a.phase == b.phase, "different phases");
        expect(a.phase != Phase::Playing || b.phase != Phase::Playing || a.board == b.board, "different boards");
        for (int me = 0; me < 2; ++me) {
            const Side &d = st[me];
            expect(!d.saidYesToQuit || d.phase == Phase::Ended, "Yes to quit did not end the program");
            expect(!d.saidYesToMode || d.phase == Phase::Menu, "Yes to mode select did not lead to the menu");
            expect(d.gone() || !NetSessionTest::awaitingAnswers(d.s), "a request flag left set with no answer coming");
            expect(turn(d, me) != Turn::Own || !d.locked, "the board locked for good");
        }
    }
    double explore(const State &st)
    {
        const std::string k = key(st);
        if (auto it = paths.find(k); it != paths.end())
            return it->second;
        double n = 0;
        int pressed = 0;
        for (const Side &d : st)
            pressed += d.presses[0] + d.presses[1] + d.presses[2];
        for (int me = 0; me < 2; ++me) {
            const Side &d = st[me];
            const auto step = [&](const QString &what, auto &&change) {
                State next = st;
                change(next[me], next[1 - me]);
                trace << (me == 0 ? "host " : "client ") + what;
                n += explore(next);
                trace.removeLast();
            };
            for (bool yes : {true, false})
                if (!d.gone() && d.question != 0)
                    step(QString(yes ? "Yes %1" : "No %1").arg(d.question), [&](Side &e, Side &) {
                        e.saidYesToQuit |= yes && e.question == Protocol::Quit;
                        e.saidYesToMode |= yes && e.question == Protocol::ModeSelect;
                        const qint16 code = e.question;
                        e.question = 0;
                        carryOut(e, me, e.s.answered(code, yes));
                    });
            if (!d.gone() && d.question == 0 && !d.queue.empty())
                step("handles", [&](Side &e, Side &) {
                    const Msg m = e.queue.front();
                    e.queue.pop_front();
                    handle(e, me, m);
                    expect(e.question == 0 || m.request, "a question the peer had not asked");
                });
            for (int c = 0; c < 3; ++c)
                if (d.phase == Phase::GameOver && d.question == 0 && pressed < maxPresses && d.presses[c] < 2)
                    step(QString("presses %1").arg(Protocol::ModeSelect + c), [&](Side &e, Side &) {
                        ++e.presses[c];
                        carryOut(e, me, e.s.request(qint16(Protocol::ModeSelect + c)));
                        e.out.back().request = true;
                    });
            if (turn(d, me) == Turn::Own && d.question == 0 && d.moves < 1 && !d.locked)
                step("moves", [&](Side &e, Side &) {
                    ++e.moves;
                    ++e.board;
                    carryOut(e, me, e.s.ownMove(qint16(19 + me)));
                });
            if (!d.gone() && d.uncompleted > 0)
                step("send completes", [&](Side &e, Side &) {
                    --e.uncompleted;
                    e.queue.push_back(Msg{Msg::Complete});
                });
            if (int(d.out.size()) > d.uncompleted)  // bytes reach the peer only once their send has completed
                step("delivers", [&](Side &e, Side &peer) {
                    if (!peer.gone())
                        peer.queue.push_back(e.out.front());
                    e.out.pop_front();
                });
        }
        if (n == 0) {  // an end state
            check(st);
            n = 1;
        }
        paths.emplace(k, n);
        return n;
    }
};
}  // namespace

class TestNetSession : public QObject {
    Q_OBJECT
private slots:
    void everyInterleavingEndsAgreed()
    {
        Explorer e;
        const double n = e.explore(State{});
        qInfo("explored %.0f interleavings (%zu distinct states)", n, e.paths.size());
        QStringList found;
        for (auto it = e.faults.cbegin(); it != e.faults.cend(); ++it)
            found << it.key() + " after: " + it.value();
        QVERIFY2(found.isEmpty(), qPrintable(found.join('\n')));
        QVERIFY(n > 1e6);
    }
};

QTEST_GUILESS_MAIN(TestNetSession)
#include "tst_netsession.moc"
