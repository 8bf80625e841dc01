// The computer match window: phases, the hand-over to the computer and back,
// its passes and results, and ticks that come after the game or the window
// has moved on. How each level chooses is tested on the board alone.
#include <QtTest>

#include "tests/common/access.h"
#include "tests/common/testkit.h"
#include "windows/cpu/form2.h"

using TestKit::rows;

namespace {
const QString cpuWins = QStringLiteral("残 念 Ｃ Ｐ Ｕ の 勝 利"), youWin = QStringLiteral("あ な た の 勝 利 で す");
const QString drawn = QStringLiteral("こ の 勝 負 引 き 分 け");

// Opens the window as the menu does and picks level and the person's colour (1 "黒", -1 "白").
Form2 *open(int level, int person)
{
    Module1::show(FormId::Form2);
    Form2 *f = Module1::form<Form2>(FormId::Form2);
    QList<QPushButton *>{f->Command8, f->Command9, f->Command10}.at(level - 1)->click();
    QList<QPushButton *>{f->Command5, f->Command6}.at(person == 1 ? 0 : 1)->click();
    return f;
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

// One tick of the computer: the cell it took, -1 for none.
int tick(Form2 *f)
{
    const Board before = f->board();
    f->Timer1_Timer();
    for (int k = 0; k < 64; ++k)
        if (before.at(k) == 0 && f->board().at(k) != 0)
            return k;
    return -1;
}

// The person's act before the computer's turn.
enum class Act { None, Pass, Resign, MoveAt63 };

// A turn of the computer from position (empty: the start); its numbers
// always say "from the first cell".
struct Turn {
    int level;
    QStringList position;
    int played;  // -1: none
    QString caption;
    Act act = Act::None;
    int cpu = 1;  // the computer's colour
};
}  // namespace

class TestForm2 : public TestKit::WindowTest {
    Q_OBJECT
private slots:
    void turns_data()
    {
        QTest::addColumn<Turn>("turn");
        QTest::newRow("start") << Turn{1, {}, 19, ""};
        QTest::newRow("after the person's pass") << Turn{2, rows({{0, "BW......"}}), 2, "", Act::Pass};
        QTest::newRow("computer passes") << Turn{3, rows({{0, "WB......"}, {7, ".......W"}}), -1, "ＣＰＵはパスします"};
        QTest::newRow("two passes") << Turn{1, rows({{0, "BB......"}, {7, ".......W"}}), -1, cpuWins, Act::Pass};
        // The person ends the game with the last cell; the tick that follows changes nothing.
        const QStringList even =
            rows({{0, "WWWWWWWW"}, {1, "WWWWWWWW"}, {2, "WWWWWWWW"}, {3, "WWWWWWWW"}, {7, "BBBBBBW."}}, 'B');
        QTest::newRow("white, black ahead") << Turn{3, rows({{7, "BBBBBWB."}}, 'B'), -1, cpuWins, Act::MoveAt63};
        QTest::newRow("black, black ahead") << Turn{2, rows({{7, "BBBBBBW."}}, 'B'), -1, youWin, Act::MoveAt63, -1};
        QTest::newRow("person resigns") << Turn{3, {}, -1, cpuWins, Act::Resign, -1};
        QTest::newRow("computer fills the board") << Turn{3, even, 63, drawn};
    }
    void turns()
    {
        QFETCH(Turn, turn);
        Form2 *f = open(turn.level, -turn.cpu);
        TestAccess::setRandomSource(f->computer(), [] { return 0.25; });
        if (turn.act != Act::None && turn.cpu == 1)
            tick(f);  // the computer opens
        if (!turn.position.isEmpty())
            TestAccess::setBoard(f, turn.position, qint16(turn.act == Act::None ? turn.cpu : -turn.cpu));
        if (turn.act == Act::MoveAt63)
            f->Image1_Click(63);
        else if (turn.act != Act::None)
            (turn.act == Act::Pass ? f->Command1 : f->Command3)->click();
        expectUsable(f, false);
        QCOMPARE(f->Timer1->isActive(), turn.act != Act::Resign);

        QSignalSpy sounds(f->MMControl1, &SoundEffect::played);
        QCOMPARE(tick(f), turn.played);
        QCOMPARE(sounds.size(), turn.played >= 0 ? 1 : 0);
        QVERIFY(!f->Timer1->isActive());
        QCOMPARE(f->Label2->text(), turn.caption);
        QCOMPARE(TestKit::boxTexts(), QStringList());
        const bool ended = turn.caption == cpuWins || turn.caption == youWin || turn.caption == drawn;
        expectUsable(f, !ended);
        QCOMPARE(f->Command2->isVisible(), ended);
        if (!ended) {
            QCOMPARE(f->Label1->text(), QStringLiteral("白 番"));
            return;
        }
        QCOMPARE(f->Label1->text(), turn.act == Act::Resign ? QStringLiteral("投 了") : QStringLiteral("終 局"));
        // Levels 1 and 2 leave a full board alone; level 3 and the person pass.
        QCOMPARE(f->board().passFlag(), turn.act == Act::Pass || (turn.act == Act::MoveAt63 && turn.level == 3));
    }

    // A new game cancels the computer's pending turn, even once the level is chosen.
    void newGameCancelsPendingTurn()
    {
        Form2 *f = open(2, -1);
        TestAccess::setBoard(f, rows({{7, "BBBBBWB."}}, 'B'), -1);
        f->Image1_Click(63);
        f->Command2->click();
        QCOMPARE(tick(f), -1);
        f->Command10->click();
        QCOMPARE(tick(f), -1);
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
            movesWhileAsked = f->board().moveCount();
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
        QCOMPARE(tick(f) >= 0, stays);
        TestKit::settle();
        QCOMPARE(f.isNull(), !stays);
    }
};

QTEST_MAIN(TestForm2)
#include "tst_form2.moc"
