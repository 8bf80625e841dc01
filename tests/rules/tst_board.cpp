// The rules on the board alone: a move and its flips, and the count of move
// sequences from the start. Passes and the result are seen through a match
// (tst_match). Cells are named by index (row * 8 + column), a set of them by
// the hex of its bits.
#include <QtTest>

#include "rules/board.h"
#include "tests/common/boards.h"

class TestBoard : public QObject {
    Q_OBJECT
private slots:
    // A move changes the cell, its flips and nothing else, and hands the turn
    // over: from cell 27, one run in each direction, three of them to an edge.
    // Where runs close (edges, empty cells, the first closing disc, an
    // occupied cell) the counts of move sequences pin: each such fault changes them.
    void move()
    {
        const Board was = Board::fromRows(
            {"B.......", ".W.B.B..", "..WWW...", "BWW.WWWB", "..WWW...", ".W.W.B..", "B..W....", "...B...."}, Black);
        Board b = was;
        const CellSet changed = b.play(27);
        QCOMPARE(b.rows(), (QStringList{"B.......", ".B.B.B..", "..BBB...", "BBBBBBBB", "..BBB...", ".B.B.B..",
                                        "B..B....", "...B...."}));
        QCOMPARE(changed.bits(), 0x80a1c7e1c0200ull);  // 27 and the 15 discs turned over
        QCOMPARE(b.turnColor(), White);
        QCOMPARE(b.moveCount(), was.moveCount() + 1);
    }

    // Fifty-nine moves leave the game open; the match windows see the sixtieth end it.
    void fiftyNineMovesGoOn() { QVERIFY(!Board::fromRows(Board().rows(), Black, 59).full()); }

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
