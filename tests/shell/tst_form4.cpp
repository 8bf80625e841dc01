#include <QApplication>
#include <QPointer>
#include <QtTest>

#include "shell/form3.h"
#include "shell/form4.h"
#include "shell/layout.h"
#include "shell/module1.h"
#include "tests/common/testkit.h"

namespace {
// The opening as the program starts it, with the real timers still running
// (their intervals and running state are observed) but their ticks left to
// the test, which calls the handlers itself.
Form4 *startOpening()
{
    auto *f = qobject_cast<Form4 *>(Module1::show(FormId::Form4));
    if (f) {
        QObject::disconnect(f->Timer1, nullptr, f, nullptr);
        QObject::disconnect(f->Timer2, nullptr, f, nullptr);
    }
    return f;
}

// Delivers the ticks both timers would deliver, in time order, as long as
// they run and the window is loaded. Timer2 goes first when both are due.
struct TickClock {
    QPointer<Form4> f;
    int now = 0;
    int next1 = 20;
    int next2 = 100;

    bool running() const { return f && !f->isUnloaded() && (f->Timer1->isActive() || f->Timer2->isActive()); }
    // One tick; false once nothing runs any more.
    bool step()
    {
        if (!running())
            return false;
        const bool t2 = f->Timer2->isActive() && (!f->Timer1->isActive() || next2 <= next1);
        if (t2) {
            now = next2;
            next2 += f->Timer2->interval();
            f->Timer2_Timer();
        } else {
            now = next1;
            f->Timer1_Timer();
            // A new interval restarts the timer from this tick.
            if (f && !f->isUnloaded())
                next1 = now + f->Timer1->interval();
        }
        return true;
    }
    bool runUntilStage(int stage)
    {
        while (f && f->openingStage < stage)
            if (!step())
                return false;
        return f && f->openingStage == stage;
    }
};

QList<KWindow *> windowsAlive()
{
    QList<KWindow *> out;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *k = qobject_cast<KWindow *>(w))
            out << k;
    return out;
}

int menusAlive()
{
    int n = 0;
    for (KWindow *k : windowsAlive())
        n += qobject_cast<Form3 *>(k) ? 1 : 0;
    return n;
}

QPoint px(int leftTwips, int topTwips) { return QPoint(Twips::px(leftTwips), Twips::px(topTwips)); }
}  // namespace

class TestForm4 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestKit::init(); }
    void cleanup() { TestKit::reset(); }

    void loadsAsDesigned()
    {
        Form4 *f = startOpening();
        QVERIFY(f);
        QVERIFY(f->isVisible());
        for (int id = 0; id < formCount; ++id)
            QCOMPARE(Module1::loaded(FormId(id)) != nullptr, FormId(id) == FormId::Form4);

        QCOMPARE(f->openingStage, qint16(0));
        QCOMPARE(f->hopHeight, qint16(100));
        QCOMPARE(f->hopStep, qint16(115));
        QCOMPARE(f->revealLead, qint16(0));
        QCOMPARE(f->line1Ready, qint16(0));
        QCOMPARE(f->line2Ready, qint16(0));
        QVERIFY(f->Timer1->isActive() && f->Timer2->isActive());
        QCOMPARE(f->Timer1->interval(), 20);
        QCOMPARE(f->Timer2->interval(), 100);
        QVERIFY(f->MMControl1->isOpen());
        QVERIFY(f->MMControl1->fileName().endsWith(QStringLiteral("/SE/BANG.jov")));

        QCOMPARE(f->Image1->geometry(), Twips::rect(240, 120, 480, 480));
        QVERIFY(!f->Image1->pixmap().isNull());
        // Curtains over their texts, the pen over everything.
        for (int k = 0; k < 4; ++k)
            QVERIFY(f->Label5[k]->isVisible());
        QCOMPARE(f->childAt(px(2000, 400)), f->Label5[0]);
        QCOMPARE(f->childAt(px(3000, 2500)), f->Label5[3]);
        QCOMPARE(f->childAt(px(480, 360)), f->Image1);
    }

    // The animation depends on tick counts only: 36, 36 and 17 pen moves.
    void stageChangesFallOnPenMoveCounts()
    {
        Form4 *f = startOpening();
        QVERIFY(f);
        auto penMovesWhile = [f](int stage) {
            int moves = 0;
            while (f->openingStage == stage && moves < 100) {
                f->Timer2_Timer();
                ++moves;
                f->Timer1_Timer();
            }
            return moves;
        };

        f->Timer1_Timer();
        QCOMPARE(f->Label5[0]->x(), Twips::px(240 + 100));
        f->Timer2_Timer();  // the pen hops down, then up again
        QCOMPARE(f->Image1->pos(), px(355, 220));
        QCOMPARE(f->hopHeight, qint16(-100));
        f->Timer2_Timer();
        QCOMPARE(f->Image1->pos(), px(470, 120));
        f->Timer1_Timer();
        QCOMPARE(f->Label5[0]->x(), Twips::px(470 + 100));  // the curtain travels with the pen

        QCOMPARE(2 + penMovesWhile(0), 36);
        QCOMPARE(f->openingStage, qint16(1));
        QCOMPARE(f->Image1->x(), Twips::px(240 + 36 * 115));
        QVERIFY(f->Label5[0]->isVisible());

        f->Timer1_Timer();  // set-up of line 1
        QCOMPARE(f->line1Ready, qint16(1));
        QCOMPARE(f->Image1->pos(), px(240, 1000));
        QCOMPARE(f->hopHeight, qint16(200));
        QVERIFY(!f->Label5[0]->isVisible());
        QCOMPARE(penMovesWhile(1), 36);
        QCOMPARE(f->openingStage, qint16(2));

        f->Timer1_Timer();  // set-up of line 2
        QCOMPARE(f->line2Ready, qint16(1));
        QCOMPARE(f->Image1->pos(), px(240, 2160));
        QCOMPARE(f->hopHeight, qint16(100));
        QCOMPARE(f->revealLead, qint16(300));
        QVERIFY(!f->Label5[1]->isVisible());
        QCOMPARE(penMovesWhile(2), 17);
        QCOMPARE(f->openingStage, qint16(3));
        QCOMPARE(f->Timer1->interval(), 1300);
        QVERIFY(!f->Label5[2]->isVisible());
        QVERIFY(f->Label5[3]->isVisible());
        QCOMPARE(f->MMControl1->playCount(), 0);

        f->Timer2_Timer();  // the last hop; the pen then rests
        QVERIFY(!f->Timer2->isActive());
        QCOMPARE(f->line1Ready, qint16(1));  // the set-ups ran once each
        f->Timer1_Timer();
        QCOMPARE(f->openingStage, qint16(4));
        QCOMPARE(f->MMControl1->playCount(), 1);
        QVERIFY(!f->Label5[3]->isVisible());
        QVERIFY(!Module1::loaded(FormId::Form3));
    }

    void runsToTheMenuByItself()
    {
        Form4 *f = startOpening();
        QVERIFY(f);
        TickClock clock{f};
        int bangAt = -1, handleShownAt = -1;
        QList<int> stageAt;
        qint16 stage = 0;
        while (clock.step()) {
            if (!clock.f || clock.f->isUnloaded())
                break;
            if (f->openingStage != stage) {
                stage = f->openingStage;
                stageAt << clock.now;
            }
            if (bangAt < 0 && f->MMControl1->playCount() > 0)
                bangAt = clock.now;
            if (handleShownAt < 0 && !f->Label5[3]->isVisible())
                handleShownAt = clock.now;
            QVERIFY(f->MMControl1->playCount() <= 1);
            QVERIFY(!Module1::loaded(FormId::Form3));
        }
        // Lines complete after 3.6, 7.2 and 8.9 s; the handle 1.3 s later with
        // the bang; the menu 1.3 s after that.
        QCOMPARE(stageAt.size(), 4);
        QVERIFY2(qAbs(stageAt[0] - 3600) <= 40 && qAbs(stageAt[1] - 7220) <= 60 && qAbs(stageAt[2] - 8940) <= 80,
                 qPrintable(QStringLiteral("%1 %2 %3").arg(stageAt[0]).arg(stageAt[1]).arg(stageAt[2])));
        QCOMPARE(bangAt, stageAt[3]);
        QCOMPARE(handleShownAt, bangAt);
        QCOMPARE(clock.now - bangAt, 1300);
        QVERIFY2(clock.now >= 11300 && clock.now <= 11700, qPrintable(QString::number(clock.now)));

        QVERIFY(f->isUnloaded());
        QVERIFY(!Module1::loaded(FormId::Form4));
        QVERIFY(!f->Timer1->isActive() && !f->Timer2->isActive());
        auto *menu = Module1::form<Form3>(FormId::Form3);
        QVERIFY(menu && menu->isVisible());
        QCOMPARE(menusAlive(), 1);
        QVERIFY(TestKit::boxTexts().isEmpty());
        TestKit::settle();
        QVERIFY(!windowsAlive().contains(f));
    }

    void skipShowsOneMenuFromEveryStage_data()
    {
        QTest::addColumn<int>("stage");
        QTest::addColumn<QString>("where");
        const QStringList places = {"window", "pen", "line", "handle", "curtain"};
        for (int stage = 0; stage <= 4; ++stage)
            for (const QString &p : places)
                if (stage < 4 || p != "curtain")  // every curtain is open by then
                    QTest::addRow("stage %d, %s", stage, qPrintable(p)) << stage << p;
    }
    void skipShowsOneMenuFromEveryStage()
    {
        QFETCH(int, stage);
        QFETCH(QString, where);
        Form4 *f = startOpening();
        QVERIFY(f);
        TickClock clock{f};
        QVERIFY(clock.runUntilStage(stage));
        if (stage < 3)
            clock.step();
        const int bangs = f->MMControl1->playCount();
        QCOMPARE(bangs, stage == 4 ? 1 : 0);

        QWidget *target = f;
        if (where == "pen")
            target = f->Image1;
        else if (where == "line")
            target = f->Label1[stage % 3];
        else if (where == "handle")
            target = f->Label3;
        else if (where == "curtain")
            target = f->Label5[3];
        const QPoint at = where == "window" ? px(4500, 3100) : target->rect().center();
        if (where == "line" || where == "handle")
            QVERIFY(target->isVisible());
        QTest::mouseClick(target, Qt::LeftButton, {}, at);

        // Hidden but kept, silent from now on, the menu shown once.
        QCOMPARE(Module1::loaded(FormId::Form4), f);
        QVERIFY(!f->isVisible());
        QVERIFY(!f->Timer1->isActive() && !f->Timer2->isActive());
        QVERIFY(!f->MMControl1->isOpen());
        auto *menu = Module1::form<Form3>(FormId::Form3);
        QVERIFY(menu && menu->isVisible());
        QCOMPARE(menusAlive(), 1);

        // Ticks already on their way and further clicks change nothing.
        const qint16 stageNow = f->openingStage;
        for (int i = 0; i < 20; ++i) {
            f->Timer1_Timer();
            f->Timer2_Timer();
        }
        f->Form_Click();
        QCOMPARE(f->openingStage, stageNow);
        QCOMPARE(f->MMControl1->playCount(), bangs);
        QCOMPARE(Module1::form<Form3>(FormId::Form3), menu);
        QCOMPARE(menusAlive(), 1);
        QVERIFY(Module1::loaded(FormId::Form4));
        QVERIFY(TestKit::boxTexts().isEmpty());
    }

    void skipAndLastTickShowTheMenuOnce()
    {
        // The last tick first, then a click that was already queued.
        {
            Form4 *f = startOpening();
            TickClock clock{f};
            QVERIFY(clock.runUntilStage(4));
            f->Timer1_Timer();
            auto *menu = Module1::form<Form3>(FormId::Form3);
            QVERIFY(menu && f->isUnloaded());
            f->Form_Click();
            QCOMPARE(Module1::form<Form3>(FormId::Form3), menu);
            QCOMPARE(menusAlive(), 1);
            // Even once the user has gone on from the menu.
            menu->Label7_Click();
            QVERIFY(!Module1::loaded(FormId::Form3));
            f->Label3_Click();
            QVERIFY(!Module1::loaded(FormId::Form3));
            QVERIFY(!Module1::loaded(FormId::Form4));
        }
        TestKit::reset();
        // The click first, then the tick that was already due.
        {
            Form4 *f = startOpening();
            TickClock clock{f};
            QVERIFY(clock.runUntilStage(4));
            f->Image1_Click();
            auto *menu = Module1::form<Form3>(FormId::Form3);
            QVERIFY(menu);
            f->Timer1_Timer();
            QCOMPARE(Module1::loaded(FormId::Form4), f);  // only hidden, as a skip leaves it
            QCOMPARE(Module1::form<Form3>(FormId::Form3), menu);
            QCOMPARE(menusAlive(), 1);
            QCOMPARE(f->MMControl1->playCount(), 1);
        }
    }

    void closeBoxNoLeavesTheOpeningRunning_data()
    {
        QTest::addColumn<int>("stage");
        QTest::newRow("writing line 1") << 1;
        QTest::newRow("handle shown, menu due") << 4;
    }
    void closeBoxNoLeavesTheOpeningRunning()
    {
        QFETCH(int, stage);
        Form4 *f = startOpening();
        TickClock clock{f};
        QVERIFY(clock.runUntilStage(stage));
        for (int i = 0; i < 7 && stage == 1; ++i)
            clock.step();
        const QPoint pen = f->Image1->pos();
        const int interval1 = f->Timer1->interval();
        const bool timer2 = f->Timer2->isActive();
        const int bangs = f->MMControl1->playCount();

        // Ticks, clicks and a second close arrive while the question is open.
        TestKit::queueAnswers({false, false});
        TestKit::setBoxHook([f](const QString &) {
            for (int i = 0; i < 30; ++i) {
                f->Timer2_Timer();
                f->Timer1_Timer();
            }
            f->Form_Click();
            f->close();
        });
        f->close();
        TestKit::setBoxHook(nullptr);

        QCOMPARE(TestKit::boxTexts(), QStringList{QStringLiteral("終了しますか？")});
        QCOMPARE(TestKit::boxes().first().kind, MsgBox::Kind::Question);
        QCOMPARE(TestKit::endCount(), 0);
        QCOMPARE(Module1::loaded(FormId::Form4), f);
        QVERIFY(f->isVisible());
        QCOMPARE(f->openingStage, qint16(stage));
        QCOMPARE(f->Image1->pos(), pen);
        QVERIFY(f->Timer1->isActive());
        QCOMPARE(f->Timer1->interval(), interval1);
        QCOMPARE(f->Timer2->isActive(), timer2);
        QCOMPARE(f->MMControl1->playCount(), bangs);
        QVERIFY(f->MMControl1->isOpen());
        QVERIFY(!Module1::loaded(FormId::Form3));

        // The animation goes on from there and ends in one menu.
        while (clock.step()) {
        }
        QVERIFY(f->isUnloaded());
        QVERIFY(Module1::loaded(FormId::Form3));
        QCOMPARE(menusAlive(), 1);
        QCOMPARE(f->MMControl1->playCount(), 1);
        QCOMPARE(TestKit::boxTexts().size(), 1);
    }

    void closeBoxYesQuits()
    {
        Form4 *f = startOpening();
        TickClock clock{f};
        QVERIFY(clock.runUntilStage(4));
        TestKit::queueAnswers({true});
        TestKit::setBoxHook([f](const QString &) { f->Timer1_Timer(); });
        f->close();
        QCOMPARE(TestKit::boxTexts(), QStringList{QStringLiteral("終了しますか？")});
        QCOMPARE(TestKit::endCount(), 1);
        QVERIFY(f->isUnloaded());
        QVERIFY(!f->MMControl1->isOpen());
        QVERIFY(!f->Timer1->isActive() && !f->Timer2->isActive());
        QCOMPARE(menusAlive(), 0);
        for (int id = 0; id < formCount; ++id)
            QVERIFY(!Module1::loaded(FormId(id)));
    }
};

QTEST_MAIN(TestForm4)
#include "tst_form4.moc"
