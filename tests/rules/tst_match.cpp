// A match with no window: moves, passes, the end, resignation and a new game,
// as told by the signals its windows follow. Cells are named by index
// (row * 8 + column), the cells a move changed by the hex of their bits.
#include <QtTest>

#include "rules/match.h"
#include "tests/common/access.h"

class TestMatch : public QObject {
    Q_OBJECT
    Match m;
    QStringList told;  // one line an event, in order

    QStringList take() { return std::exchange(told, {}); }

private slots:
    void initTestCase()
    {
        connect(&m, &Match::moved, [this](int cell, CellSet changed, int unmarked, Disc colour) {
            told << QString::asprintf("%d on %d changes %llx, unmarks %d", colour, cell, changed.bits(), unmarked);
        });
        connect(&m, &Match::passed, [this](Disc c) { told << QString::asprintf("%d passes", c); });
        connect(&m, &Match::turnChanged, [this](Disc c) { told << QString::asprintf("%d to move", c); });
        connect(&m, &Match::ended, [this](Disc winner, bool resigned, int unmarked) {
            told << QString::asprintf("%d wins%s, unmarks %d", winner, resigned ? " by resignation" : "", unmarked);
        });
        connect(&m, &Match::newGame, [this] { told << QStringLiteral("new game"); });
    }
    void init()
    {
        m.syokika();
        QCOMPARE(take(), QStringList{"new game"});
    }

    // A move moves the mark; a refused one (taken, flipping nothing, off the
    // board) changes and tells nothing. A pass hands the turn over; a second
    // in a row ends the game by the discs and takes the mark off.
    void movesAndPasses()
    {
        QVERIFY(m.play(19));
        QVERIFY(m.play(18));
        QVERIFY(m.play(17));
        for (int refused : {27, 0, 64, -1})
            QVERIFY2(!m.play(refused), qPrintable(QString::number(refused)));
        m.pass();
        m.pass();
        QCOMPARE(take(), (QStringList{"1 on 19 changes 8080000, unmarks -1", "-1 on 18 changes 8040000, unmarks 19",
                                      "1 on 17 changes 60000, unmarks 18", "-1 passes", "1 to move", "1 passes",
                                      "1 wins, unmarks 17"}));
        QCOMPARE(m.board().moveCount(), 3);
        QVERIFY(m.over());
        QCOMPARE(m.mark(), -1);
    }

    // The sixtieth move ends the game, here drawn; resigning hands the win to
    // the side not to move and keeps the mark; a new game starts afresh.
    void endsAndNewGame()
    {
        const QStringList even = {".WBBBBBB", "BBBBBBBB", "BBBBBBBB", "BBBBBBBB",
                                  "WWWWWWWW", "WWWWWWWW", "WWWWWWWW", "WWWWWWWW"};
        TestAccess::setGame(m, Board::fromRows(even, Black));
        QVERIFY(m.play(0));
        QCOMPARE(take().last(), QStringLiteral("0 wins, unmarks 0"));
        m.syokika();
        m.play(19);
        m.touryou();
        QCOMPARE(take().last(), QStringLiteral("1 wins by resignation, unmarks -1"));
        QCOMPARE(m.mark(), 19);
        m.syokika();
        QCOMPARE(m.board(), Board());
        QCOMPARE(m.mark(), -1);
        QVERIFY(!m.over());
    }
};

QTEST_MAIN(TestMatch)
#include "tst_match.moc"
