// The computer's choice at each level, on the board alone: which cell, when
// it passes, and how many numbers it draws. Cells are named by index.
#include <QtTest>
#include <numeric>

#include "computer/player.h"
#include "tests/common/boards.h"

using Computer::Choice, TestKit::rows;

namespace {
// Numbers that draw direction d (1 or 2) and cell k.
double dir(int d) { return d * 0.5 - 0.25; }
double cell(int k) { return (k + 0.5) / 64.0; }

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

// A board full of black but for empty cells a and b, each next to one white
// disc: two moves worth one disc each, and no other.
QStringList twoEqualMoves(int a, int b)
{
    for (int wa = 0; wa < 64; ++wa)
        for (int wb = wa + 1; wb < 64; ++wb) {
            QStringList rs = rows({}, 'B');
            for (auto [k, mark] : {std::pair{a, '.'}, {b, '.'}, {wa, 'W'}, {wb, 'W'}})
                rs[k / 8][k % 8] = QLatin1Char(mark);
            const Board board = Board::fromRows(rs, Black);
            if (board.at(a) == 0 && board.at(b) == 0 && board.flips(a).count() == 1 && board.flips(b).count() == 1)
                return rs;
        }
    return {};
}

struct Turn {
    int level;
    QStringList position;  // empty: the start
    int moveCount;
    QList<double> draws;  // fed in order, the last one forever
    Choice choice;
    int drawsTaken;
};
}  // namespace

class TestChoose : public QObject {
    Q_OBJECT
private slots:
    void choose_data()
    {
        QTest::addColumn<Turn>("turn");
        // Black's legal cells at the start are 19, 26, 37, 44.
        for (int level : {1, 3})
            for (int d : {1, 2})
                QTest::addRow("start, level %d, d = %d", level, d)
                    << Turn{level, {}, 0, {dir(d)}, Choice::at(d == 1 ? 19 : 44), 1};
        // 0 flips nothing, 27 is taken, 37 is legal.
        QTest::newRow("start, level 2") << Turn{2, {}, 0, {cell(0), cell(27), cell(37), cell(19)}, Choice::at(37), 3};
        // The corner flips 2; 3 and 21 flip 1 and 3.
        const QStringList corner = rows({{0, ".WWB...."}, {2, ".BWWW..."}, {4, ".BW....."}});
        for (int moveCount : {10, 40})
            for (int d : {1, 2})
                QTest::addRow("corner, move %d, d = %d", moveCount, d)
                    << Turn{3, corner, moveCount, {dir(d)}, Choice::at(0), 1};
        // 21 and 60 flip 3, 35 and 46 flip 1; ties go to the cell tried first.
        // The fewest flips before move 25, the most from then on.
        const QStringList flips = rows({{2, ".BWWW..."}, {4, ".BW....."}, {5, "....BW.."}, {7, "BWWW...."}});
        for (auto [moveCount, d, k] : {std::tuple{0, 1, 35}, {24, 1, 35}, {24, 2, 46}, {25, 1, 21}, {25, 2, 60}})
            QTest::addRow("flips, move %d, d = %d", moveCount, d)
                << Turn{3, flips, moveCount, {dir(d)}, Choice::at(k), 1};
        // Equal moves within a group go to the cell tried first: the lowest with
        // d = 1, the highest with d = 2. Neighbours in a group alone on the board
        // pin the order in which level 3 tries every cell.
        for (const QList<int> &group : levelThreeGroups())
            for (int i = 1; i < group.size(); ++i) {
                const QStringList board = twoEqualMoves(group[i - 1], group[i]);
                QVERIFY(!board.isEmpty());
                for (int d : {1, 2})
                    QTest::addRow("tie of %d and %d, d = %d", group[i - 1], group[i], d)
                        << Turn{3, board, 10, {dir(d)}, Choice::at(group[i - 2 + d]), 1};
            }
        QTest::newRow("near corner only") << Turn{3, rows({{0, "..WB...."}}), 30, {dir(1)}, Choice::at(1), 1};
        QTest::newRow("near corner flips fewer")
            << Turn{3, rows({{0, "..WB...."}, {2, ".BWWW..."}}), 10, {dir(1)}, Choice::at(21), 1};
        // The only legal cell is the last one reached.
        QTest::newRow("level 1 sweep, d = 1") << Turn{1, rows({{7, ".....BW."}}), 30, {dir(1)}, Choice::at(63), 1};
        QTest::newRow("level 1 sweep, d = 2") << Turn{1, rows({{0, ".WB....."}}), 30, {dir(2)}, Choice::at(0), 1};
        QList<double> others;  // every other cell, some twice, then 63
        for (int k = 62; k >= 0; --k)
            others << cell(k) << QList<double>(k % 10 == 0 ? 1 : 0, cell(k));
        QTest::newRow("level 2 last drawn")
            << Turn{2, rows({{7, ".....BW."}}), 30, others << cell(63), Choice::at(63), 71};
        QTest::newRow("level 2 stuck source") << Turn{2, rows({{7, ".....BW."}}), 30, {cell(62)}, Choice::at(63), 4096};
        // No legal cell: each level passes, level 2 after drawing every cell.
        QList<double> all;
        for (int k = 0; k < 64; ++k)
            all << cell(k);
        for (int level : {1, 2, 3})
            QTest::addRow("no move, level %d", level)
                << Turn{level, rows({{0, "WB......"}}), 30, all, {Choice::Pass}, level == 2 ? 64 : 1};
        // A full board: levels 1 and 2 leave the ended game alone, level 3 finds no cell.
        for (int level : {1, 2, 3})
            QTest::addRow("full board, level %d", level)
                << Turn{level, rows({}, 'B'), 60, {dir(1)}, {level == 3 ? Choice::Pass : Choice::Idle}, level != 2};
    }
    void choose()
    {
        QFETCH(Turn, turn);
        const Board b = turn.position.isEmpty() ? Board() : Board::fromRows(turn.position, Black, turn.moveCount);
        int taken = 0;
        const CpuRandom::Source source = [&taken, d = turn.draws]() mutable {
            ++taken;
            return d.size() > 1 ? d.takeFirst() : d.first();
        };
        const Choice c = Computer::choose(b, turn.level, source);
        QCOMPARE(std::tie(c.kind, c.cell), std::tie(turn.choice.kind, turn.choice.cell));
        QCOMPARE(taken, turn.drawsTaken);
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

QTEST_MAIN(TestChoose)
#include "tst_choose.moc"
