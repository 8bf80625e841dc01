#include <QApplication>
#include <QtTest>

#include "engine/matchwindow.h"
#include "shell/form3.h"
#include "shell/form4.h"
#include "shell/layout.h"
#include "shell/module1.h"
#include "tests/common/testkit.h"

namespace {
Form3 *openMenu() { return qobject_cast<Form3 *>(Module1::show(FormId::Form3)); }

QList<KWindow *> windowsAlive()
{
    QList<KWindow *> out;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *k = qobject_cast<KWindow *>(w))
            out << k;
    return out;
}

// A point well inside each quadrant, in pixels.
QPoint quadrantPoint(int area)
{
    const int x = (area == 1 || area == 3) ? 1000 : 3500;
    const int y = area <= 2 ? 1000 : 3300;
    return QPoint(Twips::px(x), Twips::px(y));
}

// The pointer moves over the menu: delivered to whatever lies on top there.
void moveTo(Form3 *menu, QPoint pos)
{
    QWidget *hit = menu->childAt(pos);
    QVERIFY(hit);
    QMouseEvent move(QEvent::MouseMove, QPointF(hit->mapFrom(menu, pos)), QPointF(menu->mapToGlobal(pos)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(hit, &move);
}

QStringList visibleCaptions(Form3 *m)
{
    QStringList out;
    for (QLabel *l : {m->Label1, m->Label2, m->Label3, m->Label4, m->Label5, m->Label6})
        if (l->isVisible())
            out << l->text();
    return out;
}
}  // namespace

class TestForm3 : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { TestKit::init(); }
    void cleanup() { TestKit::reset(); }

    void loadsWithCaptionsHidden()
    {
        Form3 *m = openMenu();
        QVERIFY(m && m->isVisible());
        QCOMPARE(m->hoverArea, qint16(0));
        QVERIFY(m->MMControl1->isOpen());
        QVERIFY(m->MMControl1->fileName().endsWith(QStringLiteral("/SE/oku.jov")));
        QVERIFY(visibleCaptions(m).isEmpty());
        // Hidden captions keep their texts for assistive tools.
        QCOMPARE(m->Label1->text(), QStringLiteral("1台対戦"));
        QCOMPARE(m->Label2->text(), QStringLiteral("CPU対戦"));
        QCOMPARE(m->Label3->text(), QStringLiteral("通信対戦"));
        QCOMPARE(m->Label4->text(), QStringLiteral("通信対戦"));
        QCOMPARE(m->Label5->text(), QStringLiteral("クライアント"));
        QCOMPARE(m->Label6->text(), QStringLiteral("サーバ"));

        // The discs are drawn as circles on the green board.
        const QImage img = m->grab().toImage();
        QCOMPARE(img.pixelColor(Twips::px(120 + 1027), Twips::px(1027)), Rgb::white());
        QCOMPARE(img.pixelColor(Twips::px(2280 + 1147), Twips::px(1027)), Rgb::black());
        QCOMPARE(img.pixelColor(2, 2), Rgb::darkGreen());
        QCOMPARE(img.pixelColor(Twips::px(2280), Twips::px(1000)), Rgb::black());  // the dividing line

        // Transparent areas above everything, tracking the pointer.
        HoverArea *areas[] = {m->Label7, m->Label8, m->Label9, m->Label10};
        for (int i = 0; i < 4; ++i) {
            QVERIFY(areas[i]->hasMouseTracking());
            QVERIFY(!areas[i]->autoFillBackground());
            QVERIFY(areas[i]->text().isEmpty());
            QVERIFY(!areas[i]->accessibleName().isEmpty());
            QCOMPARE(m->childAt(quadrantPoint(i + 1)), areas[i]);
        }
        QCOMPARE(m->childAt(QPoint(Twips::px(1140), Twips::px(1020))), m->Label7);  // over "1台対戦"
        // The areas share one pixel along the dividing lines; the later one wins.
        const int vx = Twips::px(2280), hy = Twips::px(2160);
        QCOMPARE(m->childAt(QPoint(vx, 40)), m->Label8);
        QCOMPARE(m->childAt(QPoint(40, hy)), m->Label9);
        QCOMPARE(m->childAt(QPoint(vx, hy)), m->Label10);
        QCOMPARE(m->childAt(QPoint(vx, hy + 40)), m->Label10);
        QCOMPARE(m->childAt(QPoint(vx - 1, 40)), m->Label7);
    }

    void hoverShowsTheCaptionsOfItsQuadrant_data()
    {
        QTest::addColumn<int>("area");
        QTest::addColumn<QStringList>("captions");
        QTest::newRow("top left") << 1 << QStringList{"1台対戦"};
        QTest::newRow("top right") << 2 << QStringList{"CPU対戦"};
        QTest::newRow("bottom left") << 3 << QStringList{"通信対戦", "サーバ"};
        QTest::newRow("bottom right") << 4 << QStringList{"通信対戦", "クライアント"};
    }
    void hoverShowsTheCaptionsOfItsQuadrant()
    {
        QFETCH(int, area);
        QFETCH(QStringList, captions);
        Form3 *m = openMenu();
        // Come from another quadrant first: its captions must go.
        moveTo(m, quadrantPoint(area == 1 ? 4 : 1));
        moveTo(m, quadrantPoint(area));
        QCOMPARE(m->hoverArea, qint16(area));
        QCOMPARE(visibleCaptions(m), captions);
        if (area == 3)
            QVERIFY(m->Label3->isVisible() && m->Label6->isVisible() && !m->Label4->isVisible());
    }

    void clicksOncePerChangeOfQuadrant()
    {
        Form3 *m = openMenu();
        SoundEffect *sound = m->MMControl1;
        moveTo(m, quadrantPoint(1));
        moveTo(m, quadrantPoint(1) + QPoint(20, 5));
        m->Label7_MouseMove();
        QCOMPARE(sound->playCount(), 1);
        moveTo(m, quadrantPoint(4));
        QCOMPARE(sound->playCount(), 2);
        QCOMPARE(visibleCaptions(m), (QStringList{"通信対戦", "クライアント"}));
        // Back and forth across the line between two quadrants.
        moveTo(m, quadrantPoint(3));
        moveTo(m, quadrantPoint(4));
        moveTo(m, quadrantPoint(4) + QPoint(-30, 10));
        QCOMPARE(sound->playCount(), 4);
        // A pointer leaving and coming back over the same quadrant: no click,
        // and the captions stay as they were meanwhile.
        QCOMPARE(visibleCaptions(m), (QStringList{"通信対戦", "クライアント"}));
        moveTo(m, quadrantPoint(4));
        QCOMPARE(sound->playCount(), 4);
        // A move with a button held counts as well.
        QMouseEvent drag(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
        QApplication::sendEvent(m->Label8, &drag);
        QCOMPARE(m->hoverArea, qint16(2));
        QCOMPARE(sound->playCount(), 5);
    }

    void clickOpensTheModeAndDiscardsTheMenu_data()
    {
        QTest::addColumn<int>("area");
        QTest::addColumn<int>("target");
        QTest::newRow("1台対戦") << 1 << int(FormId::Form1);
        QTest::newRow("CPU対戦") << 2 << int(FormId::Form2);
        QTest::newRow("サーバ") << 3 << int(FormId::Form6);
        QTest::newRow("クライアント") << 4 << int(FormId::Form7);
    }
    void clickOpensTheModeAndDiscardsTheMenu()
    {
        QFETCH(int, area);
        QFETCH(int, target);
        const FormId id = FormId(target);
        Form3 *m = openMenu();
        moveTo(m, quadrantPoint(area));
        QWidget *hit = m->childAt(quadrantPoint(area));
        QTest::mouseClick(hit, Qt::LeftButton, {}, hit->mapFrom(m, quadrantPoint(area)));

        if (!Module1::registered(id)) {
            // Not part of this build: the menu stays rather than vanish.
            QCOMPARE(Module1::loaded(FormId::Form3), m);
            QVERIFY(m->MMControl1->isOpen());
            return;
        }
        QVERIFY(m->isUnloaded());
        QVERIFY(!Module1::loaded(FormId::Form3));
        QVERIFY(!m->MMControl1->isOpen());
        KWindow *w = Module1::loaded(id);
        QVERIFY(w && w->isVisible());
        // A click that was queued behind it does nothing more.
        m->Label7_Click();
        m->Label10_Click();
        QVERIFY(!Module1::loaded(FormId::Form3));
        for (int other = 0; other < formCount; ++other)
            QCOMPARE(Module1::loaded(FormId(other)) != nullptr, FormId(other) == id);
    }

    void matchReturnsToAFreshMenu()
    {
        Form3 *m = openMenu();
        moveTo(m, quadrantPoint(2));
        m->Label7_Click();
        auto *match = Module1::form<MatchWindow>(FormId::Form1);
        QVERIFY(match);
        match->Command7_Click();  // "モード選択"
        TestKit::settle();
        Form3 *again = Module1::form<Form3>(FormId::Form3);
        QVERIFY(again && again->isVisible());
        QCOMPARE(again->hoverArea, qint16(0));
        QVERIFY(visibleCaptions(again).isEmpty());
        QVERIFY(again->MMControl1->isOpen());
        QCOMPARE(again->MMControl1->playCount(), 0);
        moveTo(again, quadrantPoint(2));  // the quadrant entered last time clicks again
        QCOMPARE(again->MMControl1->playCount(), 1);
    }

    void closeBoxNoKeepsTheMenu()
    {
        Form3 *m = openMenu();
        moveTo(m, quadrantPoint(4));
        TestKit::queueAnswers({false});
        m->close();
        QCOMPARE(TestKit::boxTexts(), QStringList{QStringLiteral("終了しますか？")});
        QCOMPARE(TestKit::boxes().first().kind, MsgBox::Kind::Question);
        QCOMPARE(TestKit::endCount(), 0);
        QCOMPARE(Module1::loaded(FormId::Form3), m);
        QVERIFY(m->isVisible());
        QCOMPARE(m->hoverArea, qint16(4));
        QCOMPARE(visibleCaptions(m), (QStringList{"通信対戦", "クライアント"}));
        QVERIFY(m->MMControl1->isOpen());
    }

    void closeBoxYesQuits()
    {
        Form3 *m = openMenu();
        TestKit::queueAnswers({true});
        m->close();
        QCOMPARE(TestKit::endCount(), 1);
        QVERIFY(m->isUnloaded());
        QVERIFY(!m->MMControl1->isOpen());
        for (int id = 0; id < formCount; ++id)
            QVERIFY(!Module1::loaded(FormId(id)));
    }

    void quitRightAfterSkipUnloadsOnlyWhatIsLoaded()
    {
        QVERIFY(windowsAlive().isEmpty());
        auto *opening = qobject_cast<Form4 *>(Module1::show(FormId::Form4));
        QVERIFY(opening);
        opening->Form_Click();
        Form3 *m = Module1::form<Form3>(FormId::Form3);
        QVERIFY(m);
        TestKit::queueAnswers({true});
        m->close();
        QCOMPARE(TestKit::endCount(), 1);
        // Exactly the two windows that existed were closed; none was made on the way.
        const QList<KWindow *> alive = windowsAlive();
        QCOMPARE(alive.size(), 2);
        QVERIFY(alive.contains(m) && alive.contains(opening));
        QVERIFY(m->isUnloaded() && opening->isUnloaded());
        QVERIFY(!opening->MMControl1->isOpen());
        for (int id = 0; id < formCount; ++id)
            QVERIFY(!Module1::loaded(FormId(id)));
    }
};

QTEST_MAIN(TestForm3)
#include "tst_form3.moc"
