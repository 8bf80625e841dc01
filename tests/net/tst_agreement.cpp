// Every order in which two players' presses, answers, deliveries and
// completed sends can happen, tried on two sides of the agreement rules
// joined by an in-process wire. Each side does what the network window does
// with the rules' verdicts: a queue handled one item at a time, nothing
// handled while a question is open, follow-ups run when a send completes.
#include <QtTest>
#include <array>
#include <deque>
#include <unordered_map>

#include "net/agreement.h"
#include "net/protocol.h"

namespace {
using FollowUp = Agreement::FollowUp;
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
    Agreement rules;
    int presses[3] = {0, 0, 0};
    int moves = 0;  // this side's own, in all games
    int board = 0;  // moves in the current game (19, 20): the host's turn when even
    bool saidYesToQuit = false, saidYesToMode = false;
    bool gone() const { return phase == Phase::Menu || phase == Phase::Ended; }
};
using State = std::array<Side, 2>;

// Every list is preceded by its length, so that no two states share a key.
template <class... T>
void put(std::string &k, T... v)
{
    for (int x : {int(v)...})
        k += char(x + 100);
}
std::string key(const State &st)
{
    std::string k;
    for (const Side &d : st) {
        put(k, d.phase, d.question, d.uncompleted, d.moves, d.rules.leaving(), d.board, d.saidYesToQuit,
            d.saidYesToMode, d.queue.size(), d.out.size(), d.rules.followUps().size());
        for (const std::deque<Msg> *q : {&d.queue, &d.out})
            for (const Msg &m : *q)
                put(k, m.type, m.value, m.request);
        for (int c = 0; c < 3; ++c)
            put(k, d.presses[c], d.rules.outstanding(qint16(Protocol::ModeSelect + c)));
        for (FollowUp f : d.rules.followUps())
            put(k, f);
    }
    return k;
}

// ---- what the window does ----

void send(Side &d, qint16 value, bool request, FollowUp f)
{
    d.out.push_back(Msg{Msg::Message, value, request});
    ++d.uncompleted;
    d.rules.sent(f);
}
void leave(Side &d, Phase to)
{
    d.phase = to;
    d.queue.clear();
    d.question = 0;
    d.rules = Agreement();
    d.rules.leave();
    d.uncompleted = 0;  // whatever was written still arrives
    d.out.push_back(Msg{Msg::Close});
}
void run(Side &d, FollowUp f)
{
    if (Agreement::isLeaving(f)) {
        leave(d, f == FollowUp::Menu ? Phase::Menu : Phase::Ended);
    } else if (f == FollowUp::NewGame && !d.rules.leaving()) {
        d.phase = Phase::Playing;
        d.board = 0;
    }
}
// me: 0 the host, 1 the client.
void handle(Side &d, int me, const Msg &m)
{
    const qint16 code = qAbs(m.value);
    if (m.type == Msg::Complete)
        run(d, d.rules.completed());
    else if (m.type == Msg::Close)  // the end this side agreed to comes without a word; else "connection lost"
        run(d, Agreement::isLeaving(d.rules.pendingLeave()) ? d.rules.pendingLeave() : FollowUp::Menu);
    else if (code < Protocol::Resign) {  // a move, taken in the peer's turn only
        if (!d.rules.leaving() && d.phase == Phase::Playing && d.board % 2 != me)
            ++d.board;
    } else {
        const Agreement::Meaning meaning = d.rules.receive(m.value);
        if (meaning == Agreement::Meaning::Question)
            d.question = code;
        if (meaning == Agreement::Meaning::Accepted)
            run(d, Agreement::onAccepted(code));
    }
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
        for (const Side &d : st) {
            expect(!d.saidYesToQuit || d.phase == Phase::Ended, "Yes to quit did not end the program");
            expect(!d.saidYesToMode || d.phase == Phase::Menu, "Yes to mode select did not lead to the menu");
            expect(d.gone() || !d.rules.awaitingAnswers(), "a request flag left set with no answer coming");
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
                        FollowUp f;
                        const qint16 v = e.rules.answer(e.question, yes, f);
                        e.saidYesToQuit |= yes && e.question == Protocol::Quit;
                        e.saidYesToMode |= yes && e.question == Protocol::ModeSelect;
                        e.question = 0;
                        send(e, v, false, f);
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
                        e.rules.request(qint16(Protocol::ModeSelect + c));
                        send(e, qint16(Protocol::ModeSelect + c), true, FollowUp::Nothing);
                    });
            const bool myTurn = d.phase == Phase::Playing && d.board % 2 == me && d.question == 0;
            if (myTurn && d.moves < 1 && d.rules.mayPlay())
                step("moves", [&](Side &e, Side &) {
                    ++e.moves;
                    ++e.board;
                    send(e, qint16(19 + me), false, FollowUp::Nothing);
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

class TestAgreement : public QObject {
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

QTEST_GUILESS_MAIN(TestAgreement)
#include "tst_agreement.moc"
