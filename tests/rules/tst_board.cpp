// The rules on the board alone: moves and their flips, and the count of move
// sequences from the start. Passes and the result are seen through the match
// windows. Cells are named by index (row * 8 + column).
#include <QtTest>

#include "rules/board.h"
#include "tests/common/boards.h"

using TestKit::rows;

namespace {
// The cells where two boards differ.
CellSet difference(const Board &a, const Board &b)
{
    CellSet d;
    for (int k = 0; k < 64; ++k)
        if (a.at(k) != b.at(k))
            d.add(k);
    return d;
}
}  // namespace

class TestBoard : public QObject {
    Q_OBJECT
private slots:
    void moves_data()
    {
        QTest::addColumn<QStringList>("before");
        QTest::addColumn<int>("turn");
        QTest::addColumn<int>("cell");
        QTest::addColumn<QStringList>("after");  // empty: refused
        // From cell 27, one run in each direction, three of them to an edge.
        QTest::newRow("all eight directions") << QStringList{"B.......", ".W.B.B..", "..WWW...", "BWW.WWWB",
                                                             "..WWW...", ".W.W.B..", "B..W....", "...B...."}
                                              << 1 << 27 << QStringList{"B.......", ".B.B.B..", "..BBB...", "BBBBBBBB",
                                                                        "..BBB...", ".B.B.B..", "B..B....", "...B...."};
        QTest::newRow("run to the edge") << rows({{3, "WWW....."}}) << 1 << 27 << QStringList();
        QTest::newRow("broken by an empty cell") << rows({{3, "B.WW...."}}) << 1 << 28 << QStringList();
        QTest::newRow("own disc next to it") << rows({{3, "....BW.B"}}) << 1 << 27 << QStringList();
        QTest::newRow("occupied") << rows({{3, "...BW.B."}}) << 1 << 27 << QStringList();
        QTest::newRow("first closing disc only") << rows({{3, "....WBWB"}}) << 1 << 27 << rows({{3, "...BBBWB"}});
        QTest::newRow("corner") << rows({{0, ".WB....."}, {1, "WW......"}, {2, "B.B....."}}) << 1 << 0
                                << rows({{0, "BBB....."}, {1, "BB......"}, {2, "B.B....."}});
        QTest::newRow("corner, runs to the edges")
            << rows({{5, ".....W.W"}, {6, "......WW"}, {7, ".....WW."}}) << 1 << 63 << QStringList();
        QTest::newRow("white, right edge") << rows({{3, "....WBB."}}) << -1 << 31 << rows({{3, "....WWWW"}});
    }
    // A move changes the cell, its flips and nothing else, and hands the turn over.
    void moves()
    {
        QFETCH(QStringList, before);
        QFETCH(int, turn);
        QFETCH(int, cell);
        QFETCH(QStringList, after);
        const Board was = Board::fromRows(before, qint16(turn));
        Board b = was;
        const CellSet changed = b.play(cell);
        if (after.isEmpty()) {
            QVERIFY(changed.isEmpty());
            QCOMPARE(b, was);
            return;
        }
        QCOMPARE(b.rows(), after);
        QCOMPARE(changed, difference(was, b));
        QCOMPARE(b.turnColor(), -turn);
        QCOMPARE(b.moveCount(), was.moveCount() + 1);
    }

    // Fifty-nine moves leave the game open; the match windows see the sixtieth end it.
    void fiftyNineMovesGoOn() { QVERIFY(!Board::fromRows(Board().rows(), 1, 59).full()); }

    // Against the published counts of this game, depth 1 to 6.
    void moveSequences()
    {
        const quint64 known[] = {4, 12, 56, 244, 1396, 8200};
        for (int depth = 1; depth <= 6; ++depth)
            QCOMPARE(TestKit::countMoveSequences(Board(), depth), known[depth - 1]);
    }
};

QTEST_MAIN(TestBoard)
#include "tst_board.moc"
