// The whole program without a mouse: the menu and the match windows driven
// by keys, and what an assistive tool reads and does through the
// accessibility interfaces. What Orca itself says, in the settings dialogs
// and the network matches too, is checked by scripts/orca-check.
#include <QtTest>
#include <QtWidgets>

#include "tests/common/access.h"
#include "tests/common/testkit.h"
#include "windowbase/announcer.h"
#include "windows/cpu/form2.h"
#include "windows/local/form1.h"
#include "windows/menu/form3.h"

// Qt hands accessibility events on only while an assistive tool is attached,
// and the offscreen platform attaches none: switch its accessibility on as a
// screen reader's bridge would. These three are Qt's own exported names.
class QPlatformAccessibility {
public:
    void setActive(bool active);
};
class QPlatformIntegration {
public:
    QPlatformAccessibility *accessibility() const;
};
class QGuiApplicationPrivate {
public:
    static QPlatformIntegration *platform_integration;
};

namespace {

QList<std::pair<QObject *, QAccessible::Event>> g_events;  // what a screen reader was told, in order
void record(QAccessibleEvent *event) { g_events.append({event->object(), event->type()}); }
int eventsFor(QObject *object, QAccessible::Event type) { return int(g_events.count({object, type})); }

// The controls Tab visits, in order, starting from the window.
QList<QWidget *> tabStops(QWidget *window)
{
    QList<QWidget *> out;
    for (QWidget *w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain())
        if ((w->focusPolicy() & Qt::TabFocus) && w->isVisibleTo(window))
            out << w;
    return out;
}

template <class W>
W *showActive(FormId id)
{
    auto *w = qobject_cast<W *>(Module1::show(id));
    w->activateWindow();
    const bool active = QTest::qWaitForWindowActive(w);
    TestKit::settle();  // what it says on opening is said
    return active ? w : nullptr;
}

void press(QWidget *w, Qt::Key key, int times = 1)
{
    for (int i = 0; i < times; ++i)
        QTest::keyClick(w, key);
}

QAccessibleInterface *face(QObject *o) { return QAccessible::queryAccessibleInterface(o); }
void pressAction(QObject *o) { face(o)->actionInterface()->doAction(QAccessibleActionInterface::pressAction()); }

}  // namespace

class TestKeyboard : public TestKit::WindowTest {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        WindowTest::initTestCase();
        QAccessible::installUpdateHandler(record);
        QGuiApplicationPrivate::platform_integration->accessibility()->setActive(true);
        QVERIFY(QAccessible::isActive());
    }
    void init() { g_events.clear(); }

    // Tab and Backtab select as the pointer entering does (its captions and
    // sound are the pointer's, checked with the windows), Tab wraps, arrows
    // stop at the edges; Space (or Enter, as Orca's run shows) opens as a
    // click, and so does an assistive tool's press.
    void menu()
    {
        auto *m = qobject_cast<Form3 *>(Module1::show(FormId::Form3));
        const std::pair<Qt::Key, int> steps[] = {
            {Qt::Key_Backtab, 4}, {Qt::Key_Tab, 1},  {Qt::Key_Left, 1}, {Qt::Key_Up, 1},   {Qt::Key_Right, 2},
            {Qt::Key_Right, 2},   {Qt::Key_Down, 4}, {Qt::Key_Down, 4}, {Qt::Key_Left, 3}, {Qt::Key_Up, 1}};
        for (auto [key, area] : steps) {
            QTest::keyClick(m, key);
            QCOMPARE(m->hoverArea, area);
        }
        QCOMPARE(face(m->Label7)->role(), QAccessible::Button);
        QCOMPARE(face(m->Label7)->text(QAccessible::Name), "1台対戦");
        QVERIFY(face(m->Label7)->state().focused);
        QTest::keyClick(m, Qt::Key_Space);
        // The first match window made in this program already has pressable cells.
        QCOMPARE(face(Module1::form<MatchWindow>(FormId::Form1)->Image1[0])->actionInterface()->actionNames().size(),
                 1);
        m = qobject_cast<Form3 *>(Module1::show(FormId::Form3));
        pressAction(m->Label8);
        QVERIFY(Module1::loaded(FormId::Form2));
    }

    // The board is the first stop and has the focus (the local window, and the
    // computer's with its own stops); the cells are no stops, and the pointer
    // still reaches them through the layer.
    void boardTakesTheFocus()
    {
        const QList<MatchWindow *> windows = {showActive<MatchWindow>(FormId::Form1),
                                              showActive<MatchWindow>(FormId::Form2)};
        QCOMPARE(QApplication::focusWidget(), windows.last()->boardFocus);
        for (MatchWindow *w : windows) {
            const QList<QWidget *> stops = tabStops(w);
            QCOMPARE(w->focusWidget(), w->boardFocus);
            QCOMPARE(stops.value(0), w->boardFocus);
            QCOMPARE(std::count_if(stops.begin(), stops.end(), [](QWidget *s) { return qobject_cast<CellImage *>(s); }),
                     0);
            QVERIFY(!w->boardFocus->cursorShown());
            QCOMPARE(w->childAt(w->Image1[42]->geometry().center()), w->Image1[42]);
            QCOMPARE(w->childAt(w->Image1[0]->geometry().topLeft()), w->Image1[0]);
        }
    }

    // A game by keys: the first key shows the cursor where it rests, arrows
    // stop at every edge (announcing the cell again), Enter and Space play the
    // cursor's cell as a click, and so does an assistive tool's press. The
    // mouse never shows the cursor and puts a shown one away, as leaving the
    // board does. Names follow the board.
    void keyboardGame()
    {
        auto *f = showActive<Form1>(FormId::Form1);
        BoardFocus *b = f->boardFocus;
        // Painted captions keep their spaces; their names do not.
        QCOMPARE(face(f->Label1)->text(QAccessible::Name), QStringLiteral("黒番"));
        g_events.clear();
        QTest::mouseClick(f->Image1[19], Qt::LeftButton);  // black 19
        QVERIFY(!b->cursorShown());
        QTest::keyClick(b, Qt::Key_Return);  // only shows the cursor
        QTest::keyClick(b, Qt::Key_Space);   // 27 holds a disc: the box, nothing else
        QCOMPARE(TestKit::boxTexts(), QStringList{QStringLiteral("そこには打てません")});
        // White 18, black 26.
        for (Qt::Key key : {Qt::Key_Up, Qt::Key_Left, Qt::Key_Return, Qt::Key_Down, Qt::Key_Enter})
            QTest::keyClick(b, key);
        pressAction(f->Image1[20]);  // white 20
        QCOMPARE(f->board().moveCount(), 4);
        QCOMPARE(face(f->Image1[20])->text(QAccessible::Name), QStringLiteral("E3 白"));
        const std::tuple<Qt::Key, int, int> steps[] = {
            {Qt::Key_Left, 5, 24}, {Qt::Key_Up, 5, 0}, {Qt::Key_Right, 9, 7}, {Qt::Key_Down, 9, 63}};
        for (auto [key, times, cell] : steps) {
            press(b, key, times);
            QCOMPARE(b->cursor(), cell);
        }
        QCOMPARE(eventsFor(f->Image1[63], QAccessible::Focus), 3);
        QTest::mouseClick(f->Image1[0], Qt::LeftButton);
        QVERIFY(!b->cursorShown());
        QTest::keyClick(b, Qt::Key_Left);  // shows it again where it was
        QCOMPARE(b->cursor(), 63);
        QTest::keyClick(b, Qt::Key_Tab);
        QVERIFY(!b->cursorShown());
        b->setFocus(Qt::BacktabFocusReason);
        QVERIFY(b->cursorShown());
        // Resigning ends play: the cells take no press.
        f->Command3->click();
        TestKit::clearBoxes();
        pressAction(f->Image1[21]);
        QTest::keyClick(b, Qt::Key_Return);
        QCOMPARE(f->board().moveCount(), 4);
        QCOMPARE(TestKit::boxTexts(), QStringList());
    }

    // What the player hears on opening and after each kind of event, as one
    // utterance, and what a screen reader finds: a notification named after
    // it, shown once. Steps: a number clicks that cell, "tick" is the
    // computer's turn (it tries the cells from the first), a position's name
    // sets it with black to move, "hover" rests the pointer on a mode before
    // the menu opens, the others press that button.
    void announcements_data()
    {
        QTest::addColumn<FormId>("id");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("heard");
        const FormId local = FormId::Form1, cpu = FormId::Form2;
        QTest::newRow("menu, pointer on a mode")
            << FormId::Form3 << QStringList{"hover"} << "CPU対戦 を選択中、矢印キーで選び、Enter で決定";
        QTest::newRow("pass") << local << QStringList{"stuck black", "pass"} << "黒はパス、白番";
        QTest::newRow("two passes end") << local << QStringList{"stuck both", "pass", "pass"}
                                        << "白はパス、終局、黒 0 白 63、お見事白番の勝利";
        QTest::newRow("last move ends") << local << QStringList{"one left", "63"}
                                        << "H8 に黒、終局、黒 64 白 0、お見事黒番の勝利";
        QTest::newRow("new game") << local << QStringList{"resign", "new"} << "新しい対局、黒番";
        QTest::newRow("computer pass") << cpu << QStringList{"level", "white", "stuck black", "tick"}
                                       << "ＣＰＵはパス、白番";
        QTest::newRow("computer: new game")
            << cpu << QStringList{"level", "black", "resign", "new"} << "新しい対局、黒番、CPUを選んでください";
    }
    void announcements()
    {
        QFETCH(FormId, id);
        QFETCH(QStringList, steps);
        QFETCH(QString, heard);
        const QStringList white(7, QStringLiteral("WWWWWWWW"));
        const QHash<QString, QStringList> positions = {
            {"stuck black", white + QStringList{"WWWWWWB."}},  // white has H8
            {"stuck both", white + QStringList{"WWWWWWW."}},
            {"one left", QStringList(7, "BBBBBBBB") << "BBBBBBW."}};
        KWindow *w = Module1::show(id);
        QSignalSpy said(Announcer::of(w), &Announcer::announced);
        if (steps.removeOne("hover"))  // the pointer rests on a mode as the menu opens
            qobject_cast<Form3 *>(w)->Label8_MouseMove();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        TestKit::settle();
        auto *match = qobject_cast<MatchWindow *>(w);
        auto *f2 = qobject_cast<Form2 *>(w);
        QHash<QString, QPushButton *> buttons;
        if (match)
            buttons = {{"pass", match->Command1}, {"new", match->Command2}, {"resign", match->Command3}};
        if (f2) {
            TestAccess::setRandomSource(f2->computer(), [] { return 0.25; });
            buttons.insert({{"level", f2->Command8}, {"black", f2->Command5}, {"white", f2->Command6}});
        }
        for (const QString &step : steps) {
            said.clear();
            if (positions.contains(step))
                TestAccess::setBoard(match, positions[step], 1);
            else if (step == "tick")
                f2->Timer1_Timer();
            else if (buttons.contains(step))
                buttons[step]->click();
            else
                match->Image1_Click(step.toInt());
            TestKit::settle();
        }
        QCOMPARE(said.size(), 1);
        QCOMPARE(said.at(0).at(0).toString(), heard);
        QWidget *u = Announcer::of(w)->lastUtterance();
        QCOMPARE(face(u)->role(), QAccessible::Notification);
        QCOMPARE(face(u)->text(QAccessible::Name), heard);
        QCOMPARE(eventsFor(u, QAccessible::ObjectShow), 1);
    }
};

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
