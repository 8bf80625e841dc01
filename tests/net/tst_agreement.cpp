// Every order in which two players' presses, answers, deliveries and
// completed sends can happen, tried on two sides of the agreement rules
// joined by an in-process wire. Each side does what the network window does
// with the rules' verdicts: a queue handled one item at a time, nothing
// handled while a question is open, follow-ups run when a send completes.
#include <QtTest>
#include <deque>
#include <map>
#include <unordered_map>
#include <vector>

#include "net/agreement.h"
#include "net/protocol.h"

namespace {
using FollowUp = Agreement::FollowUp;
enum class Phase : char { GameOver, Playing, Menu, Ended };

struct Wire {
    qint16 value = 0;
    bool request = false;  // what the sender meant: a request or an answer
    bool close = false;
};
struct Item {
    enum Type : char { Message, Complete, Close } type = Message;
    qint16 value = 0;
    bool request = false;
};

struct Side {
    Phase phase = Phase::GameOver;
    qint16 question = 0;  // the code of the open question, 0 for none
    std::deque<Item> queue;
    Agreement rules;
    int presses[3] = {0, 0, 0};
    int moves = 0;
    std::vector<qint16> board;  // moves of the current game
    int turn = 1;               // 1 the host's move, -1 the client's
    bool saidYesToQuit = false, saidYesToMode = false, unaskedQuestion = false;
    std::deque<Wire> out;       // sent, not yet delivered
    int uncompleted = 0;        // the last this many of out have not completed

    bool gone() const { return phase == Phase::Menu || phase == Phase::Ended; }
};

struct State {
    Side s[2];
    std::string key() const;
};

// Every list is preceded by its length, so that no two states share a key.
void put(std::string &k, int v) { k += char(v + 100); }

std::string State::key() const
{
    std::string k;
    for (const Side &d : s) {
        put(k, int(d.phase));
        put(k, d.question);
        put(k, int(d.queue.size()));
        for (const Item &i : d.queue) {
            put(k, i.type);
            put(k, i.value);
            put(k, i.request);
        }
        for (int c = Protocol::ModeSelect; c <= Protocol::Quit; ++c)
            put(k, d.rules.outstanding(qint16(c)));
        put(k, d.rules.leaving());
        put(k, int(d.rules.followUps().size()));
        for (FollowUp f : d.rules.followUps())
            put(k, int(f));
        for (int p : d.presses)
            put(k, p);
        put(k, d.moves);
        put(k, int(d.board.size()));
        for (qint16 m : d.board)
            put(k, m);
        put(k, d.turn);
        put(k, d.saidYesToQuit);
        put(k, d.saidYesToMode);
        put(k, d.unaskedQuestion);
        put(k, int(d.out.size()));
        for (const Wire &w : d.out) {
            put(k, w.value);
            put(k, w.request);
            put(k, w.close);
        }
        put(k, d.uncompleted);
    }
    return k;
}

constexpr int maxPresses = 3;  // in all, by both users together
constexpr int maxMovesEach = 1;
const int colorOf[2] = {1, -1};

// ---- what the window does ----

void send(Side &d, qint16 value, bool request, FollowUp f)
{
    d.out.push_back(Wire{value, request, false});
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
    d.out.push_back(Wire{0, false, true});
}

void run(Side &d, FollowUp f)
{
    switch (f) {
    case FollowUp::Nothing:
        return;
    case FollowUp::NewGame:
        if (d.rules.leaving())
            return;
        d.phase = Phase::Playing;
        d.board.clear();
        d.turn = 1;
        return;
    case FollowUp::Menu:
        return leave(d, Phase::Menu);
    case FollowUp::EndProgram:
        return leave(d, Phase::Ended);
    }
}

void handle(Side &d, int me, const Item &item)
{
    if (item.type == Item::Complete)
        return run(d, d.rules.completed());
    if (item.type == Item::Close) {
        // The end this side has agreed to comes without a word.
        if (Agreement::isLeaving(d.rules.pendingLeave()))
            return run(d, d.rules.pendingLeave());
        return leave(d, Phase::Menu);  // "connection lost", then the menu
    }
    if (item.value >= 0 && item.value < Protocol::Resign) {  // a move
        if (!d.rules.leaving() && d.phase == Phase::Playing && d.turn == -colorOf[me]) {
            d.board.push_back(item.value);
            d.turn = -d.turn;
        }
        return;
    }
    const qint16 code = qAbs(item.value);
    switch (d.rules.receive(item.value)) {
    case Agreement::Meaning::Question:
        if (!item.request)
            d.unaskedQuestion = true;
        d.question = code;
        return;
    case Agreement::Meaning::Accepted:
        return run(d, Agreement::onAccepted(code));
    case Agreement::Meaning::Refused:
    case Agreement::Meaning::Ignored:
        return;
    }
}

// ---- the explorer ----

struct Explorer {
    std::unordered_map<std::string, double> paths;  // interleavings from a state to its ends
    std::map<QString, QString> faults;  // each with the first way to it
    std::vector<QString> trace;

    void fault(const QString &what)
    {
        if (faults.count(what))
            return;
        QStringList steps(trace.begin(), trace.end());
        faults[what] = steps.join(QStringLiteral(", "));
    }

    void check(const State &st)
    {
        const Side &a = st.s[0], &b = st.s[1];
        if (a.gone() != b.gone())
            fault(QStringLiteral("one side left, the other stayed"));
        if (!a.gone() && !b.gone()) {
            if (a.phase != b.phase)
                fault(QStringLiteral("different phases"));
            else if (a.phase == Phase::Playing && (a.board != b.board || a.turn != b.turn))
                fault(QStringLiteral("different boards"));
        }
        for (const Side &d : st.s) {
            if (d.saidYesToQuit && d.phase != Phase::Ended)
                fault(QStringLiteral("Yes to quit did not end the program"));
            if (d.saidYesToMode && d.phase != Phase::Menu)
                fault(QStringLiteral("Yes to mode select did not lead to the menu"));
            if (d.unaskedQuestion)
                fault(QStringLiteral("a question the peer had not asked"));
            if (!d.gone() && d.rules.awaitingAnswers())
                fault(QStringLiteral("a request flag left set with no answer coming"));
        }
    }

    double explore(const State &st)
    {
        const std::string k = st.key();
        if (auto it = paths.find(k); it != paths.end())
            return it->second;
        double n = 0;
        bool any = false;
        auto step = [&](const QString &what, auto &&change) {
            State next = st;
            change(next);
            any = true;
            trace.push_back(what);
            n += explore(next);
            trace.pop_back();
        };
        int pressed = 0;
        for (const Side &d : st.s)
            for (int p : d.presses)
                pressed += p;
        for (int me = 0; me < 2; ++me) {
            const Side &d = st.s[me];
            const QString who = me == 0 ? QStringLiteral("host ") : QStringLiteral("client ");
            if (!d.gone() && d.question != 0) {
                for (bool yes : {true, false})
                    step(who + (yes ? "Yes " : "No ") + QString::number(d.question), [&](State &x) {
                        Side &e = x.s[me];
                        FollowUp f;
                        const qint16 v = e.rules.answer(e.question, yes, f);
                        e.saidYesToQuit = e.saidYesToQuit || (yes && e.question == Protocol::Quit);
                        e.saidYesToMode = e.saidYesToMode || (yes && e.question == Protocol::ModeSelect);
                        e.question = 0;
                        send(e, v, false, f);
                    });
            }
            if (!d.gone() && d.question == 0) {
                if (!d.queue.empty())
                    step(who + "handles", [&](State &x) {
                        Side &e = x.s[me];
                        const Item item = e.queue.front();
                        e.queue.pop_front();
                        handle(e, me, item);
                    });
                for (int c = 0; c < 3 && d.phase == Phase::GameOver && pressed < maxPresses; ++c)
                    if (d.presses[c] < 2)
                        step(who + "presses " + QString::number(Protocol::ModeSelect + c), [&](State &x) {
                            Side &e = x.s[me];
                            ++e.presses[c];
                            e.rules.request(qint16(Protocol::ModeSelect + c));
                            send(e, qint16(Protocol::ModeSelect + c), true, FollowUp::Nothing);
                        });
                if (d.phase == Phase::Playing && d.turn == colorOf[me] && d.moves < maxMovesEach && d.rules.mayPlay())
                    step(who + "moves", [&](State &x) {
                        Side &e = x.s[me];
                        const qint16 v = qint16(19 + me);
                        ++e.moves;
                        e.board.push_back(v);
                        e.turn = -e.turn;
                        send(e, v, false, FollowUp::Nothing);
                    });
            }
            if (!d.gone() && d.uncompleted > 0)
                step(who + "send completes", [&](State &x) {
                    --x.s[me].uncompleted;
                    x.s[me].queue.push_back(Item{Item::Complete, 0, false});
                });
            // Bytes reach the peer only after their send has completed here.
            if (!d.out.empty() && int(d.out.size()) > d.uncompleted)
                step(who + "delivers", [&](State &x) {
                    const Wire w = x.s[me].out.front();
                    x.s[me].out.pop_front();
                    Side &peer = x.s[1 - me];
                    if (peer.gone())
                        return;
                    const Item item = w.close ? Item{Item::Close, 0, false} : Item{Item::Message, w.value, w.request};
                    peer.queue.push_back(item);
                });
        }
        if (!any) {
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
        for (const auto &[what, how] : e.faults)
            qWarning().noquote() << what << "after:" << how;
        QVERIFY(e.faults.empty());
        QVERIFY(n > 1e6);
    }
};

QTEST_GUILESS_MAIN(TestAgreement)
#include "tst_agreement.moc"
