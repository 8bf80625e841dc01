// The computer match: phases, how each level chooses, passes, results, and
// ticks that come after the game or the window has moved on.
#include <QtTest>
#include <numeric>

#include "cpu/form2.h"
#include "shell/layout.h"
#include "shell/module1.h"
#include "tests/common/testkit.h"

using i16 = qint16;

namespace {
const QString cpuWins = QStringLiteral("残 念 Ｃ Ｐ Ｕ の 勝 利"), youWin = QStringLiteral("あ な た の 勝 利 で す");
const QString drawn = QStringLiteral("こ の 勝 負 引 き 分 け"), over = QStringLiteral("終 局");
const QString full = "XXXXXXXX/XXXXXXXX/XXXXXXXX/XXXXXXXX/XXXXXXXX/XXXXXXXX/XXXXXXXX/XXXXX", white = "OOOOOOOO/";
// Random numbers that draw direction d (1 or 2) and cell k.
double dir(int d) { return d * 0.5 - 0.25; }
double cell(int k) { return (k + 0.5) / 64.0; }
// A position from its first and last cells, every other cell empty.
QString pad(const QString &head, const QString &tail = {}) { return head + QString(71 - head.size() - tail.size(), '.') + tail; }

// Level 3's groups, each in ascending order: the corners, the cells away from
// them, the cells next to one.
QList<QList<int>> levelThreeGroups()
{
    QList<QList<int>> groups(3);
    for (int k = 0; k < 64; ++k) {
        const int r = std::min(k / 8, 7 - k / 8), c = std::min(k % 8, 7 - k % 8);  // distances to the nearest edges
        const bool nearCorner = r <= 1 && c <= 1;
        groups[nearCorner ? (r + c == 0 ? 0 : 2) : 1] << k;
    }
    return groups;
}

// Black's moves where the board is full but for cells a and b: each flips one
// white disc, so they are worth the same and there is no other. Empty: none found.
QString twoEqualMoves(int a, int b)
{
    const int steps[8][2] = {{-1, -1}, {-1, 0}, {-1, 1}, {0, -1}, {0, 1}, {1, -1}, {1, 0}, {1, 1}};
    auto cellAt = [](int k, const int *s, int n) {
        const int r = k / 8 + s[0] * n, c = k % 8 + s[1] * n;
        return r < 0 || r > 7 || c < 0 || c > 7 ? -1 : r * 8 + c;
    };
    QList<int> board(64, 1);
    auto flips = [&](int k) {
        int total = 0;
        for (const auto &s : steps) {
            int n = 1;
            while (cellAt(k, s, n) >= 0 && board[cellAt(k, s, n)] == -1)
                ++n;
            if (n > 1 && cellAt(k, s, n) >= 0 && board[cellAt(k, s, n)] == 1)
                total += n - 1;
        }
        return total;
    };
    for (const auto &sa : steps)
        for (const auto &sb : steps) {
            board.fill(1);
            board[a] = 0;
            board[b] = 0;
            const int wa = cellAt(a, sa, 1), wb = cellAt(b, sb, 1);
            if (wa < 0 || wb < 0 || board[wa] == 0 || board[wb] == 0)
                continue;
            board[wa] = -1;
            board[wb] = -1;
            if (flips(a) == 1 && flips(b) == 1) {
                QString rows;
                for (int k = 0; k < 64; ++k)
                    rows += QString(k > 0 && k % 8 == 0 ? "/" : "") + QStringLiteral("O.X").at(board[k] + 1);
                return rows;
            }
        }
    return {};
}

// Opens the window as the menu does and picks level and colour (1 "黒", -1 "白").
Form2 *open(int level, int person)
{
    Module1::show(FormId::Form2);
    Form2 *f = Module1::form<Form2>(FormId::Form2);
    (level == 1 ? f->Command8 : level == 2 ? f->Command9 : f->Command10)->click();
    (person == 1 ? f->Command5 : f->Command6)->click();
    return f;
}

// Eight rows joined by '/', top first: 'X' black, 'O' white, '.' empty.
void setPosition(Form2 *f, const QString &rows, int turn, int moveCount)
{
    for (int k = 0; k < 64; ++k)
        f->Board[k / 8][k % 8] = static_cast<i16>(QStringLiteral("O.X").indexOf(rows.at(k + k / 8)) - 1);
    f->turnColor = static_cast<i16>(turn);
    f->moveCount = static_cast<i16>(moveCount);
    f->komacount();
}

// Whether the person can use every cell, pass and resign (or none of them).
bool all(Form2 *f, bool usable)
{
    auto same = [usable](QWidget *w) { return (w->isEnabled() && w->isVisible()) == usable; };
    return std::all_of(std::begin(f->Image1), std::end(f->Image1), same) && same(f->Command1) && same(f->Command3);
}

// One tick: the cell the computer took, -1 for none, or -2 if the turn changed
// other discs than one move's, played other than one sound per move, or left
// counting state or the timer behind.
int tick(Form2 *f)
{
    const MatchState before = f->state();
    const int sounds = f->MMControl1->playCount(), me = f->cpuColor;
    f->Timer1_Timer();
    int played = -1, wrong = 0;
    for (int k = 0; k < 64; ++k) {
        const int was = before.at(k), now = f->state().at(k);
        if (was == 0 && now == me && played < 0)
            played = k;
        else
            wrong += was != now && (was != -me || now != me);
    }
    wrong += f->MMControl1->playCount() - sounds != (played >= 0 ? 1 : 0);
    return wrong || f->flipCount || f->commitMove || f->Timer1->isActive() ? -2 : played;
}

// A turn of the computer (black unless cpu is -1) from position (empty: the
// start), after the person's act if any: 'p' pass, 'r' resign, 'm' the move at
// 63. Draws are fed in order, the last one forever; none means the program's
// own generator. played: the cell the computer takes, -1 for none.
struct Turn {
    int level; QString position; int moveCount; QList<double> draws; int played; QString caption;
    char act = 0; int cpu = 1;
};
}  // namespace
Q_DECLARE_METATYPE(Turn)

class TestForm2 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TestKit::init();
        TestKit::registerWindow<Form2>(FormId::Form2);
    }
    void cleanup() { TestKit::reset(); }

    void phases()
    {
        Module1::show(FormId::Form2);
        Form2 *f = Module1::form<Form2>(FormId::Form2);
        QCOMPARE(f->Label2->text(), QStringLiteral("CPUを選んでください"));
        QVERIFY(f->Command8->isVisible() && !f->Command5->isVisible() && all(f, false) && f->Command7->isEnabled());

        f->Command9->click();
        QCOMPARE(f->Label2->text(), QStringLiteral("手番を選んでください"));
        QVERIFY(!f->Command9->isVisible() && f->Command5->isVisible() && f->Command6->isVisible() && all(f, false));

        f->Command5->click();
        QVERIFY(f->Label2->text().isEmpty() && !f->Command5->isVisible() && !f->Timer1->isActive() && all(f, true));
        // A double-click is one click: one refusal, then one move.
        TestKit::doubleClick(f->Image1[0]);
        QCOMPARE(TestKit::boxTexts(), QStringList{QStringLiteral("そこには打てません")});

        TestKit::doubleClick(f->Image1[19]);
        QCOMPARE(TestKit::boxTexts().size(), 1);
        QCOMPARE(f->moveCount, i16(1));
        QCOMPARE(f->Label1->text(), QStringLiteral("白 番"));
        QVERIFY(all(f, false) && f->Command7->isEnabled() && f->Timer1->interval() == 1000);
        QCOMPARE(f->Timer1->timerType(), Qt::PreciseTimer);
        QVERIFY(tick(f) >= 0);
        QCOMPARE(f->Label1->text(), QStringLiteral("黒 番"));
        QVERIFY(all(f, true));
    }

    void turns_data()
    {
        QTest::addColumn<Turn>("turn");
        // Black's legal cells at the start are 19, 26, 37, 44.
        for (int level : {1, 3})
            for (int d : {1, 2})
                QTest::addRow("start, level %d, d = %d", level, d) << Turn{level, "", 0, {dir(d)}, d == 1 ? 19 : 44, ""};
        // 0 flips nothing, 27 is taken, 37 is legal.
        QTest::newRow("start, level 2") << Turn{2, "", 0, {cell(0), cell(27), cell(37), cell(19)}, 37, ""};
        // The corner flips 2; 3 and 21 flip 1 and 3.
        for (int mc : {10, 40})
            for (int d : {1, 2})
                QTest::addRow("corner, move %d, d = %d", mc, d)
                    << Turn{3, ".OOX..../......../.XOOO.../......../.XO...../......../......../........", mc, {dir(d)}, 0, ""};
        // 21 and 60 flip 3, 35 and 46 flip 1; ties go to the cell tried first.
        const int flips[][3] = {{0, 1, 35}, {24, 1, 35}, {24, 2, 46}, {25, 1, 21}, {25, 2, 60}};
        for (auto &[mc, d, k] : flips)
            QTest::addRow("flips, move %d, d = %d", mc, d)
                << Turn{3, "......../......../.XOOO.../......../.XO...../....XO../......../XOOO....", mc, {dir(d)}, k, ""};
        // Equal counts within a group go to the cell tried first: the lowest with
        // d = 1, the highest with d = 2. Neighbours in a group alone on the board
        // pin the order in which level 3 tries every cell.
        for (const QList<int> &group : levelThreeGroups())
            for (int i = 1; i < group.size(); ++i)
                for (int d : {1, 2}) {
                    const QString board = twoEqualMoves(group[i - 1], group[i]);
                    QTest::addRow("tie of %d and %d, d = %d", group[i - 1], group[i], d)
                        << Turn{3, board, 10, {dir(d)}, d == 1 ? group[i - 1] : group[i], ""};
                }
        QTest::newRow("near corner only") << Turn{3, pad("..OX"), 30, {dir(1)}, 1, ""};
        QTest::newRow("near corner flips fewer") << Turn{3, pad("..OX..../......../.XOOO..."), 10, {dir(1)}, 21, ""};
        // The only legal cell is the last one reached.
        QTest::newRow("level 1 sweep, d = 1") << Turn{1, pad("", "XO."), 30, {dir(1)}, 63, ""};
        QTest::newRow("level 1 sweep, d = 2") << Turn{1, pad(".OX"), 30, {dir(2)}, 0, ""};
        QList<double> others;  // every other cell, some twice, then 63
        for (int k = 62; k >= 0; --k)
            others << cell(k) << QList<double>(k % 10 == 0 ? 1 : 0, cell(k));
        QTest::newRow("level 2 last drawn") << Turn{2, pad("", "XO."), 30, others << cell(63), 63, ""};
        QTest::newRow("level 2 stuck source") << Turn{2, pad("", "XO."), 30, {cell(62)}, 63, ""};
        QTest::newRow("level 2 own generator") << Turn{2, pad(".OX"), 30, {}, 0, ""};
        QTest::newRow("after the person's pass") << Turn{2, pad("XO"), 30, {}, 2, "", 'p'};
        for (int level : {1, 2, 3}) {
            QTest::addRow("computer passes, level %d", level) << Turn{level, pad("OX", "O"), 30, {}, -1, "ＣＰＵはパスします"};
            QTest::addRow("two passes, level %d", level) << Turn{level, pad("XX", "O"), 30, {}, -1, cpuWins, 'p'};
        }
        // The person ends the game; the tick that follows changes nothing.
        const QString whiteFull = white.repeated(7) + "OOOOO", even = white.repeated(4) + full.mid(36) + "XO.";
        QTest::newRow("white, black ahead") << Turn{1, full + "OX.", 59, {}, -1, cpuWins, 'm'};
        QTest::newRow("black, black ahead") << Turn{2, full + "XO.", 59, {}, -1, youWin, 'm', -1};
        QTest::newRow("white, white ahead") << Turn{3, whiteFull + "OX.", 59, {}, -1, youWin, 'm'};
        QTest::newRow("black, white ahead") << Turn{1, whiteFull + "XO.", 59, {}, -1, cpuWins, 'm', -1};
        QTest::newRow("draw") << Turn{2, even, 59, {}, -1, drawn, 'm', -1};
        QTest::newRow("white resigns") << Turn{3, "", 0, {}, -1, cpuWins, 'r'};
        QTest::newRow("black resigns") << Turn{3, "", 0, {}, -1, cpuWins, 'r', -1};
        QTest::newRow("computer fills the board") << Turn{3, even, 59, {}, 63, drawn};
    }
    void turns()
    {
        QFETCH(Turn, turn);
        Form2 *f = open(turn.level, -turn.cpu);
        if (turn.act && turn.cpu == 1)
            tick(f);
        if (!turn.position.isEmpty())
            setPosition(f, turn.position, turn.act ? -turn.cpu : turn.cpu, turn.moveCount);
        if (!turn.draws.isEmpty())
            f->setRandomSource([d = turn.draws]() mutable { return d.size() > 1 ? d.takeFirst() : d.first(); });
        if (turn.act == 'm')
            f->Image1_Click(63);
        else if (turn.act)
            (turn.act == 'p' ? f->Command1 : f->Command3)->click();
        QVERIFY(all(f, false) && f->Timer1->isActive() == (turn.act != 'r'));
        QCOMPARE(tick(f), turn.played);
        QCOMPARE(f->Label2->text(), turn.caption);
        QVERIFY(TestKit::boxTexts().isEmpty());
        const bool ended = turn.caption == cpuWins || turn.caption == youWin || turn.caption == drawn;
        QCOMPARE(f->Label1->text(), !ended ? QStringLiteral("白 番") : turn.act == 'r' ? QStringLiteral("投 了") : over);
        QVERIFY(all(f, !ended) && f->Command2->isVisible() == ended);
        const bool blackWon = (turn.caption == cpuWins) == (turn.cpu == 1);
        if (ended)
            QCOMPARE(f->Label2->palette().color(QPalette::Window),
                     turn.caption == drawn ? Rgb::lightGrey() : blackWon ? Rgb::black() : Rgb::white());
        else
            QVERIFY(f->passFlag == (turn.played < 0) && f->turnColor == -1);
    }

    // A new game cancels the computer's pending turn, even once the level is chosen.
    void newGameCancelsPendingTurn()
    {
        Form2 *f = open(2, -1);
        setPosition(f, full + "OX.", -1, 59);
        f->Image1_Click(63);
        f->Command2->click();
        QCOMPARE(f->Label2->text(), QStringLiteral("CPUを選んでください"));
        QVERIFY(!f->Timer1->isActive() && tick(f) == -1);
        f->Command10->click();
        QVERIFY(tick(f) == -1 && f->moveCount == 0 && all(f, false));
    }

    // Leaving while the computer's turn waits; a tick while "終了しますか？" is
    // open waits for the answer.
    void leavingDuringTheWait_data()
    {
        QTest::addColumn<int>("way");
        QTest::newRow("mode select") << 0;
        QTest::newRow("close, Yes") << 1;
        QTest::newRow("close, No") << 2;
    }
    void leavingDuringTheWait()
    {
        QFETCH(int, way);
        QPointer<Form2> f = open(3, -1);
        int movesWhileAsked = -1;
        // The computer's tick comes due while the box is open.
        TestKit::setBoxHook([f, &movesWhileAsked](const QString &) {
            f->Timer1->start(0);
            QTest::qWait(20);
            movesWhileAsked = f->moveCount;
        });
        TestKit::queueAnswers({way == 1});
        way == 0 ? f->Command7->click() : void(f->close());
        QCOMPARE(movesWhileAsked, way == 0 ? -1 : 0);
        QCOMPARE(TestKit::endCount(), way == 1 ? 1 : 0);
        QCOMPARE(Module1::form<Form2>(FormId::Form2), way == 2 ? f.data() : nullptr);
        const int played = tick(f);
        QVERIFY(way == 2 ? played >= 0 : played == -1);
        TestKit::settle();
        QCOMPARE(f.isNull(), way != 2);
    }

    void generatorIsFair()
    {
        QVector<int> cells(64);
        for (int i = 0; i < 64 * 200; ++i)
            ++cells[std::clamp(static_cast<int>(64 * CpuRandom::draw()), 0, 63)];
        // 200 expected per cell (sd 14), 6400 per direction (sd 57).
        QVERIFY(*std::min_element(cells.begin(), cells.end()) > 120 && *std::max_element(cells.begin(), cells.end()) < 280);
        const int ones = std::accumulate(cells.begin(), cells.begin() + 32, 0);
        QVERIFY2(ones > 6000 && ones < 6800, qPrintable(QString::number(ones)));
    }
};

QTEST_MAIN(TestForm2)
#include "tst_form2.moc"
