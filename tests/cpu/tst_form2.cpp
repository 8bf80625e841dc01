// The computer match window: choosing level and colour, the hand-over on
// Timer1, locking, passes, results, and leaving while a turn is pending.
#include <QtTest>

#include "shell/layout.h"
#include "tests/common/testkit.h"
#include "tests/cpu/cpukit.h"

using namespace CpuKit;

class TestForm2 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestKit::init(); }
    void cleanup() { TestKit::reset(); }

    // From the window's opening to the end of a game and the next one.
    void phases()
    {
        Module1::show(FormId::Form2);
        Form2 *f = Module1::form<Form2>(FormId::Form2);

        // Choosing the level: the start position, the prompt, nothing playable.
        QCOMPARE(f->Board[3][3], qint16(-1));
        QCOMPARE(f->Board[3][4], qint16(1));
        QCOMPARE(f->Label1->text(), QStringLiteral("黒 番"));
        QCOMPARE(f->Label2->text(), QStringLiteral("CPUを選んでください"));
        QCOMPARE(f->Label2->palette().color(QPalette::Window), Rgb::lightGrey());
        QCOMPARE(f->Label2->palette().color(QPalette::WindowText), Rgb::blue());
        QVERIFY(f->Command8->isVisible() && f->Command9->isVisible() && f->Command10->isVisible());
        QVERIFY(!f->Command5->isVisible() && !f->Command6->isVisible());
        QVERIFY(f->Command1->isVisible() && f->Command3->isVisible());
        QVERIFY(locked(f));
        QVERIFY(f->Command7->isEnabled());
        QTest::mouseClick(f->Image1[19], Qt::LeftButton);
        f->Command1->click();
        f->Command3->click();
        QCOMPARE(f->Board[2][3], qint16(0));
        QCOMPARE(f->Label1->text(), QStringLiteral("黒 番"));
        QVERIFY(TestKit::boxTexts().isEmpty());

        // Choosing the colour.
        f->Command9->click();
        QCOMPARE(f->cpuLevel, qint16(2));
        QVERIFY(!f->Command8->isVisible() && !f->Command9->isVisible() && !f->Command10->isVisible());
        QVERIFY(f->Command5->isVisible() && f->Command6->isVisible());
        QCOMPARE(f->Label2->text(), QStringLiteral("手番を選んでください"));
        QVERIFY(locked(f));

        // "黒": the person moves first, at once.
        f->Command5->click();
        QCOMPARE(f->cpuColor, qint16(-1));
        QCOMPARE(f->Label2->text(), QString());
        QVERIFY(!f->Command5->isVisible() && !f->Command6->isVisible());
        QVERIFY(unlocked(f));
        QVERIFY(!f->Timer1->isActive());

        // A refused click still speaks to the person.
        QTest::mouseClick(f->Image1[0], Qt::LeftButton);
        QCOMPARE(TestKit::boxTexts(), QStringList{QStringLiteral("そこには打てません")});
        TestKit::clearBoxes();

        // The person's move: computer waiting, only mode select left.
        QTest::mouseClick(f->Image1[19], Qt::LeftButton);
        QCOMPARE(f->Board[2][3], qint16(1));
        QCOMPARE(f->MMControl1->playCount(), 1);
        QCOMPARE(f->Label1->text(), QStringLiteral("白 番"));
        QVERIFY(locked(f));
        QVERIFY(f->Command7->isEnabled());
        QVERIFY(f->Timer1->isActive());
        QCOMPARE(f->Timer1->interval(), 1000);
        QTest::mouseClick(f->Image1[18], Qt::LeftButton);
        QCOMPARE(f->Board[2][2], qint16(0));

        // The tick: the computer answers and hands back.
        const Turn t = tick(f);
        QVERIFY2(t.problem.isEmpty(), qPrintable(t.problem));
        QVERIFY(t.played >= 0);
        QCOMPARE(f->Label1->text(), QStringLiteral("黒 番"));
        QVERIFY(unlocked(f));
        QVERIFY(TestKit::boxTexts().isEmpty());

        // Resigning as black: the computer (white) wins, shown in its colours.
        f->Command3->click();
        QCOMPARE(f->Label1->text(), QStringLiteral("投 了"));
        QCOMPARE(f->Label2->text(), QStringLiteral("残 念 Ｃ Ｐ Ｕ の 勝 利"));
        QCOMPARE(f->Label2->palette().color(QPalette::Window), Rgb::white());
        QCOMPARE(f->Label2->palette().color(QPalette::WindowText), Rgb::black());
        QVERIFY(!f->Command1->isVisible() && !f->Command3->isVisible());
        QVERIFY(f->Command2->isVisible() && f->Command4->isVisible());
        for (auto *cell : f->Image1)
            QVERIFY(!cell->isEnabled());

        // A new game asks for the level again.
        f->Command2->click();
        QVERIFY(f->Command8->isVisible());
        QCOMPARE(f->Label2->text(), QStringLiteral("CPUを選んでください"));
        QCOMPARE(f->Label5->text(), QStringLiteral("2"));
        QVERIFY(f->Command1->isVisible() && !f->Command2->isVisible());
        QVERIFY(locked(f));
    }

    void resignAsWhite()
    {
        Form2 *f = open(3, -1);
        tick(f);
        f->Command3->click();
        QCOMPARE(f->Label2->text(), QStringLiteral("残 念 Ｃ Ｐ Ｕ の 勝 利"));
        QCOMPARE(f->Label2->palette().color(QPalette::Window), Rgb::black());
        QCOMPARE(f->Label2->palette().color(QPalette::WindowText), Rgb::white());
    }

    void personPasses()
    {
        // White (the person) has no move; black has one at 2.
        Form2 *f = open(2, -1);
        tick(f);
        setPosition(f, rows("XO....../......../......../......../......../......../......../........"), -1, 30);
        f->Command1->click();
        QVERIFY(TestKit::boxTexts().isEmpty());
        QCOMPARE(f->Label1->text(), QStringLiteral("黒 番"));
        QCOMPARE(f->passFlag, qint16(1));
        QVERIFY(locked(f));
        QVERIFY(f->Timer1->isActive());

        const Turn t = tick(f);
        QVERIFY2(t.problem.isEmpty(), qPrintable(t.problem));
        QCOMPARE(t.played, 2);
        QCOMPARE(f->passFlag, qint16(0));
        QVERIFY(unlocked(f));
    }

    // The person fills the board; the result speaks of the person and the
    // computer, in the winner's colours.
    void results_data()
    {
        QTest::addColumn<int>("person");
        QTest::addColumn<QString>("position");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QColor>("background");
        const QString cpu = QStringLiteral("残 念 Ｃ Ｐ Ｕ の 勝 利");
        const QString you = QStringLiteral("あ な た の 勝 利 で す");
        const QString draw = QStringLiteral("こ の 勝 負 引 き 分 け");
        const QString blackBoard = "XXXXXXXX/XXXXXXXX/XXXXXXXX/XXXXXXXX/XXXXXXXX/XXXXXXXX/XXXXXXXX/XXXXX";
        const QString whiteBoard = "OOOOOOOO/OOOOOOOO/OOOOOOOO/OOOOOOOO/OOOOOOOO/OOOOOOOO/OOOOOOOO/OOOOO";
        QTest::newRow("person white, black ahead") << -1 << blackBoard + "OX." << cpu << Rgb::black();
        QTest::newRow("person black, black ahead") << 1 << blackBoard + "XO." << you << Rgb::black();
        QTest::newRow("person white, white ahead") << -1 << whiteBoard + "OX." << you << Rgb::white();
        QTest::newRow("person black, white ahead") << 1 << whiteBoard + "XO." << cpu << Rgb::white();
        QTest::newRow("draw") << 1 << "OOOOOOOO/OOOOOOOO/OOOOOOOO/OOOOOOOO/XXXXXXXX/XXXXXXXX/XXXXXXXX/XXXXXXO." << draw
                              << Rgb::lightGrey();
    }
    void results()
    {
        QFETCH(int, person);
        QFETCH(QString, position);
        QFETCH(QString, caption);
        QFETCH(QColor, background);
        Form2 *f = open(1, person);
        if (person == -1)
            tick(f);
        setPosition(f, rows(qPrintable(position)), static_cast<qint16>(person), 59);
        QTest::mouseClick(f->Image1[63], Qt::LeftButton);
        QCOMPARE(f->moveCount, qint16(60));
        QCOMPARE(f->Label1->text(), QStringLiteral("終 局"));
        QCOMPARE(f->Label2->text(), caption);
        QCOMPARE(f->Label2->palette().color(QPalette::Window), background);
        QVERIFY(locked(f));
        // The mark of the last move is gone.
        QCOMPARE(f->Image1[63]->pictureFile(), f->Image1[62]->pictureFile());
    }

    // ---- leaving, new games and late ticks

    void newGameCancelsPendingTurn()
    {
        Form2 *f = open(2, -1);
        tick(f);
        setPosition(f, rows("XXXXXXXX/XXXXXXXX/XXXXXXXX/XXXXXXXX/XXXXXXXX/XXXXXXXX/XXXXXXXX/XXXXXOX."), -1, 59);
        QTest::mouseClick(f->Image1[63], Qt::LeftButton);
        QVERIFY(f->Timer1->isActive());
        QVERIFY(f->Command2->isVisible());

        // The new-game button during the wait.
        f->Command2->click();
        QVERIFY(!f->Timer1->isActive());
        const int sounds = f->MMControl1->playCount();
        f->Timer1_Timer();
        QCOMPARE(f->moveCount, qint16(0));
        QCOMPARE(f->Board[2][3], qint16(0));
        QCOMPARE(f->Label2->text(), QStringLiteral("CPUを選んでください"));
        QVERIFY(locked(f));
        QCOMPARE(f->MMControl1->playCount(), sounds);

        // Still nothing once the level is chosen but not the colour.
        f->Command10->click();
        f->Timer1_Timer();
        QCOMPARE(f->moveCount, qint16(0));
        QCOMPARE(f->Label2->text(), QStringLiteral("手番を選んでください"));
        QVERIFY(locked(f));
    }

    void leavingDuringTheWait()
    {
        Form2 *f = open(3, -1);
        QVERIFY(f->Timer1->isActive());
        QPointer<Form2> old(f);
        f->Command7->click();
        QVERIFY(!Module1::form<Form2>(FormId::Form2));
        QVERIFY(old);
        QVERIFY(!old->Timer1->isActive());
        QVERIFY(!old->MMControl1->isOpen());
        // A tick that still arrives finds the window going and does nothing.
        old->Timer1_Timer();
        QCOMPARE(old->moveCount, qint16(0));
        QCOMPARE(old->flipCount, qint16(0));
        TestKit::settle();
        QVERIFY(!old);

        // Opening the match again starts afresh at choosing the level.
        Module1::show(FormId::Form2);
        f = Module1::form<Form2>(FormId::Form2);
        QVERIFY(f && f != old.data());
        QCOMPARE(f->Label2->text(), QStringLiteral("CPUを選んでください"));
        QVERIFY(!f->Timer1->isActive());
    }

    void closeBoxDuringTheWait()
    {
        Form2 *f = open(1, 1);
        QTest::mouseClick(f->Image1[19], Qt::LeftButton);
        QVERIFY(f->Timer1->isActive());

        // The tick comes while "終了しますか？" is open: the computer waits.
        int movesWhileAsked = -1;
        TestKit::setBoxHook([f, &movesWhileAsked](const QString &) {
            f->Timer1_Timer();
            movesWhileAsked = f->moveCount;
        });
        TestKit::queueAnswers({false});
        f->close();
        QCOMPARE(TestKit::boxTexts(), QStringList{QStringLiteral("終了しますか？")});
        QCOMPARE(movesWhileAsked, 1);
        QVERIFY(Module1::form<Form2>(FormId::Form2) == f);
        QVERIFY(f->Timer1->isActive());

        // Answered No: the turn comes on the next tick.
        TestKit::setBoxHook(nullptr);
        const Turn t = tick(f);
        QVERIFY2(t.problem.isEmpty(), qPrintable(t.problem));
        QCOMPARE(f->moveCount, qint16(2));
    }

    void closeBoxYesDuringTheWait()
    {
        Form2 *f = open(1, -1);
        QVERIFY(f->Timer1->isActive());
        QPointer<Form2> old(f);
        TestKit::queueAnswers({true});
        f->close();
        QCOMPARE(TestKit::boxTexts(), QStringList{QStringLiteral("終了しますか？")});
        QCOMPARE(TestKit::endCount(), 1);
        QVERIFY(!Module1::form<Form2>(FormId::Form2));
        QVERIFY(old);
        QVERIFY(!old->Timer1->isActive());
        old->Timer1_Timer();
        QCOMPARE(old->moveCount, qint16(0));
    }
};

QTEST_MAIN(TestForm2)
#include "tst_form2.moc"
