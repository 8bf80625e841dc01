// The computer match: phases, how each level chooses, passes, results, and
// ticks that come after the game or the window has moved on. Cells are named by index.
#include <QtTest>
#include <numeric>

#include "tests/common/boards.h"
#include "tests/common/testkit.h"
#include "windowbase/layout.h"
#include "windowbase/module1.h"
#include "windows/cpu/form2.h"

using i16 = qint16;

namespace {
const QString cpuWins = QStringLiteral("残 念 Ｃ Ｐ Ｕ の 勝 利"), youWin = QStringLiteral("あ な た の 勝 利 で す");
const QString drawn = QStringLiteral("こ の 勝 負 引 き 分 け");
// Random numbers that draw direction d (1 or 2) and cell k.
double dir(int d) { return d * 0.5 - 0.25; }
double cell(int k) { return (k + 0.5) / 64.0; }

// A board filled with `fill` but for the given rows.
QStringList rows(std::initializer_list<std::pair<int, const char *>> changed, char fill = '.')
{
    QStringList r(8, QString(8, QLatin1Char(fill)));
    for (const auto &c : changed)
        r[c.first] = QString::fromLatin1(c.second);
    return r;
}

// Level 3's groups, each in ascending order: the corners, the cells away from
// them, the cells next to one.
QList<QList<int>> levelThreeGroups()
{
    QList<QList<int>> groups(3);
    for (int k = 0; k < 64; ++k) {
        const int r = std::min(k / 8, 7 - k / 8), c = std::min(k % 8, 7 - k % 8);  // distances to the edges
        groups[r + c == 0 ? 0 : r <= 1 && c <= 1 ? 2 : 1] << k;
    }
    return groups;
}

// The discs black's move at cell k would flip.
int flips(const QStringList &board, int k)
{
    const auto at = [&board](int r, int c) { return r < 0 || r > 7 || c < 0 || c > 7 ? QChar() : board[r][c]; };
    int total = 0;
    for (int dr = -1; dr <= 1; ++dr)
        for (int dc = -1; dc <= 1; ++dc) {
            int n = 1;
            while (at(k / 8 + n * dr, k % 8 + n * dc) == QLatin1Char('W'))
                ++n;
            if (at(k / 8 + n * dr, k % 8 + n * dc) == QLatin1Char('B'))
                total += n - 1;
        }
    return total;
}

// A board full of black but for empty cells a and b, each next to one white
// disc: two moves worth one disc each, and no other.
QStringList twoEqualMoves(int a, int b)
{
    for (int wa = 0; wa < 64; ++wa)
        for (int wb = 0; wb < 64; ++wb) {
            QStringList board = rows({}, 'B');
            board[a / 8][a % 8] = QLatin1Char('.');
            board[b / 8][b % 8] = QLatin1Char('.');
            if (board[wa / 8][wa % 8] == QLatin1Char('.') || board[wb / 8][wb % 8] == QLatin1Char('.'))
                continue;
            board[wa / 8][wa % 8] = QLatin1Char('W');
            board[wb / 8][wb % 8] = QLatin1Char('W');
            if (flips(board, a) == 1 && flips(board, b) == 1)
                return board;
        }
    return {};
}

// Opens the window as the menu does and picks level and the person's colour (1 "黒", -1 "白").
Form2 *open(int level, int person)
{
    Module1::show(FormId::Form2);
    Form2 *f = Module1::form<Form2>(FormId::Form2);
    QList<QPushButton *>{f->Command8, f->Command9, f->Command10}.at(level - 1)->click();
    QList<QPushButton *>{f->Command5, f->Command6}.at(person == 1 ? 0 : 1)->click();
    return f;
}

void setPosition(Form2 *f, const QStringList &board, int turn, int moveCount)
{
    TestKit::setBoard(f, board, i16(turn));
    f->moveCount = i16(moveCount);
    f->komacount();
}

// A control the person can use: shown and enabled.
bool usable(const QWidget *w) { return w->isVisible() && w->isEnabled(); }

// Whether the person can use every cell, pass and resign (or none of them).
void expectUsable(Form2 *f, bool expected)
{
    QVERIFY2(usable(f->Command1) == expected, "pass");
    QVERIFY2(usable(f->Command3) == expected, "resign");
    for (int k = 0; k < 64; ++k)
        QVERIFY2(usable(f->Image1[k]) == expected, qPrintable(QStringLiteral("cell %1").arg(k)));
}

// What one tick of the computer did.
struct Tick {
    int played = -1;       // the cell the computer took, -1 for none
    int strayChanges = 0;  // cells changed other than the move and its flips
    int sounds = 0;
};
Tick tick(Form2 *f)
{
    const MatchState before = f->state();
    const int sounds = f->MMControl1->playCount(), me = f->cpuColor;
    f->Timer1_Timer();
    Tick t;
    t.sounds = f->MMControl1->playCount() - sounds;
    for (int k = 0; k < 64; ++k) {
        const int was = before.at(k), now = f->state().at(k);
        if (was == 0 && now == me && t.played < 0)
            t.played = k;
        else if (was != now && (was != -me || now != me))
            ++t.strayChanges;
    }
    return t;
}

// The person's act before the computer's turn.
enum class Act { None, Pass, Resign, MoveAt63 };

// A turn of the computer from position (empty: the start). Draws are fed in
// order, the last one forever; none means the program's own generator.
struct Turn {
    int level;
    QStringList position;
    int moveCount;
    QList<double> draws;
    int played;  // -1: none
    QString caption;
    Act act = Act::None;
    int cpu = 1;  // the computer's colour
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

    // Level, then colour, then play; the computer's turn waits one precise second.
    void phases()
    {
        Form2 *f = qobject_cast<Form2 *>(Module1::show(FormId::Form2));
        QCOMPARE(f->Label2->text(), QStringLiteral("CPUを選んでください"));
        QVERIFY(!f->Command5->isVisible());
        expectUsable(f, false);
        f->Command9->click();
        QCOMPARE(f->Label2->text(), QStringLiteral("手番を選んでください"));
        QVERIFY(!f->Command9->isVisible());
        expectUsable(f, false);
        f->Command5->click();
        QCOMPARE(f->Label2->text(), QString());
        QVERIFY(!f->Command6->isVisible());
        QVERIFY(!f->Timer1->isActive());
        expectUsable(f, true);

        f->Image1_Click(19);
        QVERIFY(f->Command7->isEnabled());
        QCOMPARE(f->Timer1->interval(), 1000);
        QCOMPARE(f->Timer1->timerType(), Qt::PreciseTimer);
        QVERIFY(tick(f).played >= 0);
        QCOMPARE(f->Label1->text(), QStringLiteral("黒 番"));
        expectUsable(f, true);
    }

    void turns_data()
    {
        QTest::addColumn<Turn>("turn");
        // Black's legal cells at the start are 19, 26, 37, 44.
        for (int level : {1, 3})
            for (int d : {1, 2})
                QTest::addRow("start, level %d, d = %d", level, d)
                    << Turn{level, {}, 0, {dir(d)}, d == 1 ? 19 : 44, ""};
        // 0 flips nothing, 27 is taken, 37 is legal.
        QTest::newRow("start, level 2") << Turn{2, {}, 0, {cell(0), cell(27), cell(37), cell(19)}, 37, ""};
        // The corner flips 2; 3 and 21 flip 1 and 3.
        const QStringList corner = rows({{0, ".WWB...."}, {2, ".BWWW..."}, {4, ".BW....."}});
        for (int moveCount : {10, 40})
            for (int d : {1, 2})
                QTest::addRow("corner, move %d, d = %d", moveCount, d) << Turn{3, corner, moveCount, {dir(d)}, 0, ""};
        // 21 and 60 flip 3, 35 and 46 flip 1; ties go to the cell tried first.
        // Level 3 takes the fewest flips before move 25, the most from then on.
        const QStringList flips = rows({{2, ".BWWW..."}, {4, ".BW....."}, {5, "....BW.."}, {7, "BWWW...."}});
        struct Flip {
            int moveCount, d, cell;
        };
        for (const Flip &x : {Flip{0, 1, 35}, Flip{24, 1, 35}, Flip{24, 2, 46}, Flip{25, 1, 21}, Flip{25, 2, 60}})
            QTest::addRow("flips, move %d, d = %d", x.moveCount, x.d)
                << Turn{3, flips, x.moveCount, {dir(x.d)}, x.cell, ""};
        // Equal moves within a group go to the cell tried first: the lowest with
        // d = 1, the highest with d = 2. Neighbours in a group alone on the board
        // pin the order in which level 3 tries every cell.
        for (const QList<int> &group : levelThreeGroups())
            for (int i = 1; i < group.size(); ++i) {
                const QStringList board = twoEqualMoves(group[i - 1], group[i]);
                QVERIFY(!board.isEmpty());
                for (int d : {1, 2})
                    QTest::addRow("tie of %d and %d, d = %d", group[i - 1], group[i], d)
                        << Turn{3, board, 10, {dir(d)}, group[i - 2 + d], ""};
            }
        QTest::newRow("near corner only") << Turn{3, rows({{0, "..WB...."}}), 30, {dir(1)}, 1, ""};
        QTest::newRow("near corner flips fewer")
            << Turn{3, rows({{0, "..WB...."}, {2, ".BWWW..."}}), 10, {dir(1)}, 21, ""};
        // The only legal cell is the last one reached.
        QTest::newRow("level 1 sweep, d = 1") << Turn{1, rows({{7, ".....BW."}}), 30, {dir(1)}, 63, ""};
        QTest::newRow("level 1 sweep, d = 2") << Turn{1, rows({{0, ".WB....."}}), 30, {dir(2)}, 0, ""};
        QList<double> others;  // every other cell, some twice, then 63
        for (int k = 62; k >= 0; --k)
            others << cell(k) << QList<double>(k % 10 == 0 ? 1 : 0, cell(k));
        QTest::newRow("level 2 last drawn") << Turn{2, rows({{7, ".....BW."}}), 30, others << cell(63), 63, ""};
        QTest::newRow("level 2 stuck source") << Turn{2, rows({{7, ".....BW."}}), 30, {cell(62)}, 63, ""};
        QTest::newRow("level 2 own generator") << Turn{2, rows({{0, ".WB....."}}), 30, {}, 0, ""};
        QTest::newRow("after the person's pass") << Turn{2, rows({{0, "BW......"}}), 30, {}, 2, "", Act::Pass};
        for (int level : {1, 2, 3}) {
            QTest::addRow("computer passes, level %d", level)
                << Turn{level, rows({{0, "WB......"}, {7, ".......W"}}), 30, {}, -1, "ＣＰＵはパスします"};
            QTest::addRow("two passes, level %d", level)
                << Turn{level, rows({{0, "BB......"}, {7, ".......W"}}), 30, {}, -1, cpuWins, Act::Pass};
        }
        // The person ends the game with the last cell; the tick that follows changes nothing.
        const QStringList even =
            rows({{0, "WWWWWWWW"}, {1, "WWWWWWWW"}, {2, "WWWWWWWW"}, {3, "WWWWWWWW"}, {7, "BBBBBBW."}}, 'B');
        const Act last = Act::MoveAt63;
        QTest::newRow("white, black ahead") << Turn{1, rows({{7, "BBBBBWB."}}, 'B'), 59, {}, -1, cpuWins, last};
        QTest::newRow("black, black ahead") << Turn{2, rows({{7, "BBBBBBW."}}, 'B'), 59, {}, -1, youWin, last, -1};
        QTest::newRow("white, white ahead") << Turn{3, rows({{7, "WWWWWWB."}}, 'W'), 59, {}, -1, youWin, last};
        QTest::newRow("black, white ahead") << Turn{1, rows({{7, "WWWWWBW."}}, 'W'), 59, {}, -1, cpuWins, last, -1};
        QTest::newRow("draw") << Turn{2, even, 59, {}, -1, drawn, last, -1};
        QTest::newRow("white resigns") << Turn{3, {}, 0, {}, -1, cpuWins, Act::Resign};
        QTest::newRow("black resigns") << Turn{3, {}, 0, {}, -1, cpuWins, Act::Resign, -1};
        QTest::newRow("computer fills the board") << Turn{3, even, 59, {}, 63, drawn};
    }
    void turns()
    {
        QFETCH(Turn, turn);
        Form2 *f = open(turn.level, -turn.cpu);
        if (turn.act != Act::None && turn.cpu == 1)
            tick(f);  // the computer opens
        if (!turn.position.isEmpty())
            setPosition(f, turn.position, turn.act == Act::None ? turn.cpu : -turn.cpu, turn.moveCount);
        if (!turn.draws.isEmpty())
            f->setRandomSource([d = turn.draws]() mutable { return d.size() > 1 ? d.takeFirst() : d.first(); });
        if (turn.act == Act::MoveAt63)
            f->Image1_Click(63);
        else if (turn.act == Act::Pass)
            f->Command1->click();
        else if (turn.act == Act::Resign)
            f->Command3->click();
        expectUsable(f, false);
        QCOMPARE(f->Timer1->isActive(), turn.act != Act::Resign);

        const Tick t = tick(f);
        QCOMPARE(t.played, turn.played);
        QCOMPARE(t.strayChanges, 0);
        QCOMPARE(t.sounds, turn.played >= 0 ? 1 : 0);
        QCOMPARE(f->flipCount, i16(0));
        QCOMPARE(f->commitMove, i16(0));
        QVERIFY(!f->Timer1->isActive());
        QCOMPARE(f->Label2->text(), turn.caption);
        QCOMPARE(TestKit::boxTexts(), QStringList());
        const bool ended = turn.caption == cpuWins || turn.caption == youWin || turn.caption == drawn;
        expectUsable(f, !ended);
        QCOMPARE(f->Command2->isVisible(), ended);
        if (!ended) {
            QCOMPARE(f->Label1->text(), QStringLiteral("白 番"));
            QCOMPARE(f->passFlag, i16(turn.played < 0));
            return;
        }
        QCOMPARE(f->Label1->text(), turn.act == Act::Resign ? QStringLiteral("投 了") : QStringLiteral("終 局"));
        const bool blackWon = (turn.caption == cpuWins) == (turn.cpu == 1);
        const QColor winner = blackWon ? Rgb::black() : Rgb::white();
        QCOMPARE(f->Label2->palette().color(QPalette::Window), turn.caption == drawn ? Rgb::lightGrey() : winner);
    }

    // A new game cancels the computer's pending turn, even once the level is chosen.
    void newGameCancelsPendingTurn()
    {
        Form2 *f = open(2, -1);
        setPosition(f, rows({{7, "BBBBBWB."}}, 'B'), -1, 59);
        f->Image1_Click(63);
        f->Command2->click();
        QCOMPARE(f->Label2->text(), QStringLiteral("CPUを選んでください"));
        QVERIFY(!f->Timer1->isActive());
        QCOMPARE(tick(f).played, -1);
        f->Command10->click();
        QCOMPARE(tick(f).played, -1);
        QCOMPARE(f->moveCount, i16(0));
        expectUsable(f, false);
    }

    // Leaving while the computer's turn waits; a tick while "終了しますか？" is
    // open waits for the answer.
    void leavingDuringTheWait_data()
    {
        QTest::addColumn<bool>("viaModeSelect");
        QTest::addColumn<bool>("answerYes");
        QTest::newRow("mode select") << true << false;
        QTest::newRow("close, Yes") << false << true;
        QTest::newRow("close, No") << false << false;
    }
    void leavingDuringTheWait()
    {
        QFETCH(bool, viaModeSelect);
        QFETCH(bool, answerYes);
        QPointer<Form2> f = open(3, -1);
        int movesWhileAsked = -1;  // the computer's tick comes due while the box is open
        TestKit::setBoxHook([f, &movesWhileAsked](const QString &) {
            f->Timer1->start(0);
            QTest::qWait(20);
            movesWhileAsked = f->moveCount;
        });
        TestKit::queueAnswers({answerYes});
        if (viaModeSelect)
            f->Command7->click();
        else
            f->close();
        const bool stays = !viaModeSelect && !answerYes;
        QCOMPARE(movesWhileAsked, viaModeSelect ? -1 : 0);
        QCOMPARE(TestKit::endCount(), answerYes ? 1 : 0);
        QCOMPARE(Module1::form<Form2>(FormId::Form2), stays ? f.data() : nullptr);
        QCOMPARE(f->MMControl1->isOpen(), stays);  // the quit path releases the sound device
        QCOMPARE(tick(f).played >= 0, stays);
        TestKit::settle();
        QCOMPARE(f.isNull(), !stays);
    }

    void generatorIsFair()
    {
        QVector<int> cells(64);
        for (int i = 0; i < 64 * 200; ++i)
            ++cells[std::clamp(static_cast<int>(64 * CpuRandom::draw()), 0, 63)];
        // 200 expected per cell (sd 14), 6400 per half (sd 57).
        QVERIFY(*std::min_element(cells.begin(), cells.end()) > 120);
        QVERIFY(*std::max_element(cells.begin(), cells.end()) < 280);
        const int firstHalf = std::accumulate(cells.begin(), cells.begin() + 32, 0);
        QVERIFY2(std::abs(firstHalf - 6400) < 400, qPrintable(QString::number(firstHalf)));
    }
};

QTEST_MAIN(TestForm2)
#include "tst_form2.moc"
