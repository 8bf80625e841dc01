// How the computer chooses its move at each level, played through the tick.
#include <QtTest>

#include "tests/common/testkit.h"
#include "tests/cpu/cpukit.h"

using namespace CpuKit;

class TestCpuPlayers : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestKit::init(); }
    void cleanup() { TestKit::reset(); }

    // The computer plays black from the start position: black's legal cells
    // are 19, 26, 37 and 44, each flipping one disc.
    void firstMove_data()
    {
        QTest::addColumn<int>("level");
        QTest::addColumn<double>("direction");
        QTest::addColumn<int>("expected");
        QTest::newRow("level 1, d = 1") << 1 << dir1 << 19;
        QTest::newRow("level 1, d = 2") << 1 << dir2 << 44;
        QTest::newRow("level 3, d = 1") << 3 << dir1 << 19;
        QTest::newRow("level 3, d = 2") << 3 << dir2 << 44;
    }
    void firstMove()
    {
        QFETCH(int, level);
        QFETCH(double, direction);
        QFETCH(int, expected);
        Form2 *f = open(level, -1);
        QVERIFY(f);
        // "白": the board stays locked until the computer's first move.
        QVERIFY(locked(f));
        QVERIFY(f->Timer1->isActive());
        Feed feed(f, {direction});
        const Turn t = tick(f);
        QVERIFY2(t.problem.isEmpty(), qPrintable(t.problem));
        QCOMPARE(t.played, expected);
        QCOMPARE(feed.used(), 1);
        QCOMPARE(f->Image1[expected]->pictureFile(), Layout::programPath(QStringLiteral("\\icon\\akakuro.ico")));
        QCOMPARE(f->Label1->text(), QStringLiteral("白 番"));
        QVERIFY(unlocked(f));
    }

    void firstMoveLevel2()
    {
        // The drawn cells are tried in order until one takes: 0 is empty but
        // flips nothing, 27 is occupied, 37 is legal.
        Form2 *f = open(2, -1);
        Feed feed(f, {cell(0), cell(27), cell(37), cell(19)});
        const Turn t = tick(f);
        QVERIFY2(t.problem.isEmpty(), qPrintable(t.problem));
        QCOMPARE(t.played, 37);
        QCOMPARE(feed.used(), 3);
        QVERIFY(TestKit::boxTexts().isEmpty());
    }

    // Corners first: the corner flips 2, other cells flip 1 and 3.
    void level3CornerOverAnything_data()
    {
        QTest::addColumn<int>("moveCount");
        QTest::addColumn<double>("direction");
        QTest::newRow("fewest phase, d = 1") << 10 << dir1;
        QTest::newRow("fewest phase, d = 2") << 10 << dir2;
        QTest::newRow("most phase, d = 1") << 40 << dir1;
        QTest::newRow("most phase, d = 2") << 40 << dir2;
    }
    void level3CornerOverAnything()
    {
        QFETCH(int, moveCount);
        QFETCH(double, direction);
        Form2 *f = open(3, -1);
        setPosition(f, rows(".OOX..../......../.XOOO.../......../.XO...../......../......../........"), 1, moveCount);
        Feed feed(f, {direction});
        const Turn t = tick(f);
        QVERIFY2(t.problem.isEmpty(), qPrintable(t.problem));
        QCOMPARE(t.played, 0);
        QCOMPARE(f->Board[0][1], qint16(1));
        QCOMPARE(f->Board[0][2], qint16(1));
    }

    // Other cells: 21 and 60 flip 3, 35 and 46 flip 1. Ties go to the cell
    // tried first: the lower table entry for d = 1, the higher for d = 2.
    void level3FewestThenMost_data()
    {
        QTest::addColumn<int>("moveCount");
        QTest::addColumn<double>("direction");
        QTest::addColumn<int>("expected");
        QTest::newRow("move 0, d = 1") << 0 << dir1 << 35;
        QTest::newRow("move 24, d = 1") << 24 << dir1 << 35;
        QTest::newRow("move 24, d = 2") << 24 << dir2 << 46;
        QTest::newRow("move 25, d = 1") << 25 << dir1 << 21;
        QTest::newRow("move 25, d = 2") << 25 << dir2 << 60;
        QTest::newRow("move 50, d = 1") << 50 << dir1 << 21;
    }
    void level3FewestThenMost()
    {
        QFETCH(int, moveCount);
        QFETCH(double, direction);
        QFETCH(int, expected);
        Form2 *f = open(3, -1);
        setPosition(f, rows("......../......../.XOOO.../......../.XO...../....XO../......../XOOO...."), 1, moveCount);
        Feed feed(f, {direction});
        const Turn t = tick(f);
        QVERIFY2(t.problem.isEmpty(), qPrintable(t.problem));
        QCOMPARE(t.played, expected);
        QCOMPARE(f->moveCount, qint16(moveCount + 1));
        QVERIFY(f->tablesReady == 1);
    }

    void level3NearCornerLast()
    {
        Form2 *f = open(3, -1);
        // Only 1, next to a corner, is legal.
        setPosition(f, rows("..OX..../......../......../......../......../......../......../........"), 1, 30);
        Turn t = tick(f);
        QVERIFY2(t.problem.isEmpty(), qPrintable(t.problem));
        QCOMPARE(t.played, 1);

        // 1 flips one disc, 21 flips three: in the fewest-flips phase the
        // group still decides.
        f->Command3->click();
        f->Command2->click();
        f->Command10->click();
        f->Command6->click();
        setPosition(f, rows("..OX..../......../.XOOO.../......../......../......../......../........"), 1, 10);
        t = tick(f);
        QVERIFY2(t.problem.isEmpty(), qPrintable(t.problem));
        QCOMPARE(t.played, 21);
    }

    // The only legal cell is the last one the sweep reaches.
    void level1LastOfSweep_data()
    {
        QTest::addColumn<QString>("position");
        QTest::addColumn<double>("direction");
        QTest::addColumn<int>("expected");
        QTest::newRow("d = 1, cell 63") << "......../......../......../......../......../......../......../.....XO." << dir1 << 63;
        QTest::newRow("d = 2, cell 0") << ".OX...../......../......../......../......../......../......../........" << dir2 << 0;
    }
    void level1LastOfSweep()
    {
        QFETCH(QString, position);
        QFETCH(double, direction);
        QFETCH(int, expected);
        Form2 *f = open(1, -1);
        setPosition(f, rows(qPrintable(position)), 1, 30);
        Feed feed(f, {direction});
        const Turn t = tick(f);
        QVERIFY2(t.problem.isEmpty(), qPrintable(t.problem));
        QCOMPARE(t.played, expected);
        QCOMPARE(f->passFlag, qint16(0));
        QCOMPARE(f->turnColor, qint16(-1));
        QCOMPARE(f->Label2->text(), QString());
        QVERIFY(unlocked(f));
    }

    void level2LastDrawn()
    {
        Form2 *f = open(2, -1);
        setPosition(f, rows("......../......../......../......../......../......../......../.....XO."), 1, 30);
        // Every other cell first, some twice, then 63.
        QList<double> draws;
        for (int k = 62; k >= 0; --k) {
            draws << cell(k);
            if (k % 10 == 0)
                draws << cell(k);
        }
        draws << cell(63);
        Feed feed(f, draws);
        const Turn t = tick(f);
        QVERIFY2(t.problem.isEmpty(), qPrintable(t.problem));
        QCOMPARE(t.played, 63);
        QCOMPARE(feed.used(), int(draws.size()));
        QCOMPARE(f->passFlag, qint16(0));
        QVERIFY(unlocked(f));
    }

    void level2StuckSourceStillPlays()
    {
        // A source that keeps giving the same occupied cell cannot stall
        // the turn.
        Form2 *f = open(2, -1);
        setPosition(f, rows("......../......../......../......../......../......../......../.....XO."), 1, 30);
        f->setRandomSource([] { return cell(62); });
        const Turn t = tick(f);
        QVERIFY2(t.problem.isEmpty(), qPrintable(t.problem));
        QCOMPARE(t.played, 63);
    }

    void level2DefaultGeneratorFindsTheOnlyCell()
    {
        // The program's generator reaches every cell, however fast the
        // turns follow each other.
        Form2 *f = open(2, -1);
        for (int round = 0; round < 50; ++round) {
            setPosition(f, rows(".OX...../......../......../......../......../......../......../........"), 1, 30);
            const Turn t = tick(f);
            QVERIFY2(t.problem.isEmpty(), qPrintable(t.problem));
            QCOMPARE(t.played, 0);
        }
    }

    void generatorIsFair()
    {
        QVector<int> cells(64);
        int ones = 0;
        const int n = 64 * 200;
        for (int i = 0; i < n; ++i) {
            const double r = CpuRandom::draw();
            QVERIFY(r >= 0.0 && r < 1.0);
            ++cells[static_cast<int>(64 * r)];
            ones += static_cast<int>(2 * r) == 0;
        }
        // 200 expected per cell (sd 14), 6400 per direction (sd 57).
        for (int k = 0; k < 64; ++k)
            QVERIFY2(cells[k] > 120 && cells[k] < 280, qPrintable(QStringLiteral("cell %1: %2").arg(k).arg(cells[k])));
        QVERIFY2(ones > 6000 && ones < 6800, qPrintable(QString::number(ones)));

        // Seeded sources repeat themselves and differ by seed.
        CpuRandom::Source a = CpuRandom::seeded(7), b = CpuRandom::seeded(7), c = CpuRandom::seeded(8);
        QCOMPARE(a(), b());
        QVERIFY(a() != c());
    }

    // A computer without a legal move passes; the person still can move.
    void computerPasses_data()
    {
        QTest::addColumn<int>("level");
        QTest::newRow("level 1") << 1;
        QTest::newRow("level 2") << 2;
        QTest::newRow("level 3") << 3;
    }
    void computerPasses()
    {
        QFETCH(int, level);
        Form2 *f = open(level, -1);
        setPosition(f, rows("OX....../......../......../......../......../......../......../........"), 1, 30);
        const Turn t = tick(f);
        QVERIFY2(t.problem.isEmpty(), qPrintable(t.problem));
        QCOMPARE(t.played, -1);
        QCOMPARE(f->Label2->text(), QStringLiteral("ＣＰＵはパスします"));
        QCOMPARE(f->Label1->text(), QStringLiteral("白 番"));
        QCOMPARE(f->passFlag, qint16(1));
        QVERIFY(unlocked(f));
        QVERIFY(!f->Timer1->isActive());
        QVERIFY(TestKit::boxTexts().isEmpty());

        // The notice stays while the person plays on.
        f->Image1_Click(2);
        QCOMPARE(f->Label2->text(), QStringLiteral("ＣＰＵはパスします"));
        QVERIFY(f->Timer1->isActive());
    }

    // The person passed and the computer cannot move either: the game ends
    // in the computer's turn and the board stays locked.
    void twoPassesEndInComputerTurn_data() { computerPasses_data(); }
    void twoPassesEndInComputerTurn()
    {
        QFETCH(int, level);
        Form2 *f = open(level, 1);
        setPosition(f, rows("XX....../......../......../......../......../......../......../.......O"), 1, 30);
        f->Command1->click();
        QVERIFY(TestKit::boxTexts().isEmpty());
        QVERIFY(f->Timer1->isActive());
        QVERIFY(locked(f));

        const Turn t = tick(f);
        QVERIFY2(t.problem.isEmpty(), qPrintable(t.problem));
        QCOMPARE(t.played, -1);
        QCOMPARE(f->Label1->text(), QStringLiteral("終 局"));
        QCOMPARE(f->Label2->text(), QStringLiteral("あ な た の 勝 利 で す"));
        QVERIFY(locked(f));
        QVERIFY(f->Command1->isHidden());
        QVERIFY(f->Command3->isHidden());
        QVERIFY(!f->Command2->isHidden());
        QVERIFY(!f->Command4->isHidden());
        // A click on the board does nothing at all.
        QTest::mouseClick(f->Image1[20], Qt::LeftButton);
        QCOMPARE(f->flipCount, qint16(0));
        QVERIFY(TestKit::boxTexts().isEmpty());
    }

    // After the person's 60th move the tick still comes: nothing is added
    // and the result stays.
    void fullBoardTick_data() { computerPasses_data(); }
    void fullBoardTick()
    {
        QFETCH(int, level);
        Form2 *f = open(level, -1);
        tick(f);
        setPosition(f, rows("XXXXXXXX/XXXXXXXX/XXXXXXXX/XXXXXXXX/XXXXXXXX/XXXXXXXX/XXXXXXXX/XXXXXOX."), -1, 59);
        QTest::mouseClick(f->Image1[63], Qt::LeftButton);
        QCOMPARE(f->moveCount, qint16(60));
        QCOMPARE(f->Label1->text(), QStringLiteral("終 局"));
        QCOMPARE(f->Label2->text(), QStringLiteral("残 念 Ｃ Ｐ Ｕ の 勝 利"));
        QVERIFY(f->Timer1->isActive());

        const Turn t = tick(f);
        QVERIFY2(t.problem.isEmpty(), qPrintable(t.problem));
        QCOMPARE(t.played, -1);
        QCOMPARE(f->Label5->text(), QStringLiteral("61"));
        QCOMPARE(f->Label6->text(), QStringLiteral("3"));
        QCOMPARE(f->Label1->text(), QStringLiteral("終 局"));
        QCOMPARE(f->Label2->text(), QStringLiteral("残 念 Ｃ Ｐ Ｕ の 勝 利"));
        QVERIFY(locked(f));
        QVERIFY(!f->Command2->isHidden());
        QVERIFY(TestKit::boxTexts().isEmpty());
    }

    // The computer fills the board itself.
    void computerLastMove()
    {
        Form2 *f = open(3, -1);
        setPosition(f, rows("OOOOOOOO/OOOOOOOO/OOOOOOOO/OOOOOOOO/XXXXXXXX/XXXXXXXX/XXXXXXXX/XXXXXXO."), 1, 59);
        const Turn t = tick(f);
        QVERIFY2(t.problem.isEmpty(), qPrintable(t.problem));
        QCOMPARE(t.played, 63);
        QCOMPARE(f->Label2->text(), QStringLiteral("こ の 勝 負 引 き 分 け"));
        QVERIFY(locked(f));
    }
};

QTEST_MAIN(TestCpuPlayers)
#include "tst_cpuplayers.moc"
