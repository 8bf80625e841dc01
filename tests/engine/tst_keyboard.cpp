// The whole program without a mouse: the opening, the menu, the match
// windows and the settings dialogs driven by keys, and what an assistive tool
// reads and does through the accessibility interfaces.
#include <QAccessible>
#include <QtTest>
#include <QtWidgets>

#include "match/announcements.h"
#include "tests/common/access.h"
#include "tests/common/testkit.h"
#include "windowbase/announcer.h"
#include "windowbase/module1.h"
#include "windows/cpu/form2.h"
#include "windows/local/form1.h"
#include "windows/menu/form3.h"
#include "windows/net/form5.h"
#include "windows/net/form8.h"
#include "windows/opening/form4.h"
#include "windows/settings/form6.h"
#include "windows/settings/form7.h"

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

using Play = std::function<MatchWindow *()>;
Q_DECLARE_METATYPE(Play)

namespace {
const QString refused = QStringLiteral("そこには打てません");

QList<std::pair<QObject *, QAccessible::Event>> g_events;  // what a screen reader was told, in order
void record(QAccessibleEvent *event) { g_events.append({event->object(), event->type()}); }
int eventsFor(QObject *object, QAccessible::Event type) { return int(g_events.count({object, type})); }

QStringList visibleCaptions(Form3 *m)
{
    QStringList out;
    for (QLabel *l : {m->Label1, m->Label2, m->Label3, m->Label4, m->Label5, m->Label6})
        if (l->isVisible())
            out << l->text();
    return out;
}

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
    QTest::qWaitForWindowActive(w);
    TestKit::settle();  // what it says on opening is said
    return w;
}

void press(QWidget *w, Qt::Key key, int times = 1)
{
    for (int i = 0; i < times; ++i)
        QTest::keyClick(w, key);
}

QAccessibleInterface *face(QObject *o) { return QAccessible::queryAccessibleInterface(o); }
void pressAction(QObject *o) { face(o)->actionInterface()->doAction(QAccessibleActionInterface::pressAction()); }

// Every cell's accessible name against the board: "D3 黒", "C3 白", "A1 空き".
void expectCellNames(const MatchWindow *w)
{
    const QStringList disc = {QStringLiteral("白"), QStringLiteral("空き"), QStringLiteral("黒")};
    for (int k = 0; k < 64; ++k) {
        const QString coordinate = QChar(u'A' + k % 8) + QString::number(k / 8 + 1);
        QCOMPARE(face(w->Image1[k])->text(QAccessible::Name),
                 coordinate + QLatin1Char(' ') + disc[w->board().at(k) + 1]);
    }
}
}  // namespace

class TestKeyboard : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TestKit::init();
        TestKit::registerAllWindows();
        TestKit::stubNetworkMatches();  // the windows behind the dialogs, without their sockets
        QAccessible::installUpdateHandler(record);
        QGuiApplicationPrivate::platform_integration->accessibility()->setActive(true);
        QVERIFY(QAccessible::isActive());
    }
    void init() { g_events.clear(); }
    void cleanup() { TestKit::reset(); }

    void anyKeySkipsTheOpening()
    {
        auto *op = qobject_cast<Form4 *>(Module1::show(FormId::Form4));
        QTest::keyClick(op, Qt::Key_Escape);
        QVERIFY(!op->isVisible());
        QVERIFY(Module1::loaded(FormId::Form3));
        QVERIFY(Module1::loaded(FormId::Form3)->isVisible());
        // The program's first menu already has its quadrants as buttons.
        QCOMPARE(face(Module1::form<Form3>(FormId::Form3)->Label7)->role(), QAccessible::Button);
    }

    void menu_data()
    {
        QTest::addColumn<int>("tabs");
        QTest::addColumn<QStringList>("captions");  // joined by a space, the quadrant's accessible name
        QTest::addColumn<FormId>("target");
        QTest::newRow("1台対戦") << 1 << QStringList{"1台対戦"} << FormId::Form1;
        QTest::newRow("CPU対戦") << 2 << QStringList{"CPU対戦"} << FormId::Form2;
        QTest::newRow("サーバ") << 3 << QStringList{"通信対戦", "サーバ"} << FormId::Form6;
        QTest::newRow("クライアント") << 4 << QStringList{"通信対戦", "クライアント"} << FormId::Form7;
    }
    // Tab selects as the pointer entering does; Enter opens as a click.
    void menu()
    {
        QFETCH(int, tabs);
        QFETCH(QStringList, captions);
        QFETCH(FormId, target);
        auto *m = qobject_cast<Form3 *>(Module1::show(FormId::Form3));
        press(m, Qt::Key_Tab, tabs);
        QCOMPARE(m->hoverArea, tabs);
        QCOMPARE(visibleCaptions(m), captions);
        QCOMPARE(m->MMControl1->playCount(), tabs);  // one click per change

        HoverArea *hit = QList<HoverArea *>{m->Label7, m->Label8, m->Label9, m->Label10}[tabs - 1];
        QCOMPARE(face(hit)->role(), QAccessible::Button);
        QCOMPARE(face(hit)->text(QAccessible::Name), captions.join(QLatin1Char(' ')));
        QVERIFY(face(hit)->state().focused);
        QCOMPARE(eventsFor(hit, QAccessible::Focus), 1);

        QTest::keyClick(m, Qt::Key_Return);
        QVERIFY(m->isUnloaded());
        for (int id = 0; id < formCount; ++id)
            QCOMPARE(Module1::loaded(FormId(id)) != nullptr, FormId(id) == target);
        // The first match window made in this program already has pressable cells.
        if (auto *w = Module1::form<MatchWindow>(target))
            QCOMPARE(face(w->Image1[0])->actionInterface()->actionNames().size(), 1);
    }

    void menuArrowsAndBackTab()
    {
        auto *m = qobject_cast<Form3 *>(Module1::show(FormId::Form3));
        struct Step {
            Qt::Key key;
            int area;
        };
        // From none Backtab takes the last, Tab wraps; arrows stop at the edges.
        const Step steps[] = {{Qt::Key_Backtab, 4}, {Qt::Key_Tab, 1},   {Qt::Key_Left, 1}, {Qt::Key_Up, 1},
                              {Qt::Key_Right, 2},   {Qt::Key_Right, 2}, {Qt::Key_Down, 4}, {Qt::Key_Down, 4},
                              {Qt::Key_Left, 3},    {Qt::Key_Up, 1}};
        for (const Step &s : steps) {
            QTest::keyClick(m, s.key);
            QCOMPARE(m->hoverArea, s.area);
        }
        QCOMPARE(m->MMControl1->playCount(), 6);  // no click where nothing changes
        QTest::keyClick(m, Qt::Key_Space);
        QVERIFY(Module1::loaded(FormId::Form1));
        // An assistive tool presses a quadrant as a click.
        m = qobject_cast<Form3 *>(Module1::show(FormId::Form3));
        pressAction(m->Label8);
        QVERIFY(Module1::loaded(FormId::Form2));
    }

    // Every match window: the board is the first stop and has the focus; the
    // cells are no stops, and the pointer still reaches them through the layer.
    void boardTakesTheFocus()
    {
        std::unique_ptr<MatchWindow> host(new form5);  // built but not loaded: no socket
        std::unique_ptr<MatchWindow> client(new Form8);
        const QList<MatchWindow *> windows = {showActive<MatchWindow>(FormId::Form1), host.get(), client.get(),
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

    // The first key shows the cursor where it rests; it stops at every edge.
    void cursorMoves()
    {
        auto *f = showActive<Form1>(FormId::Form1);
        BoardFocus *b = f->boardFocus;
        struct Step {
            Qt::Key key;
            int times, cell;
        };
        const Step steps[] = {{Qt::Key_Right, 1, 27},
                              {Qt::Key_Left, 5, 24},
                              {Qt::Key_Up, 5, 0},
                              {Qt::Key_Right, 9, 7},
                              {Qt::Key_Down, 9, 63}};
        for (const Step &s : steps) {
            press(b, s.key, s.times);
            QCOMPARE(b->cursor(), s.cell);
        }
        QVERIFY(b->cursorShown());
        // The focused accessible object is the cursor's cell, announced at each move.
        QAccessibleInterface *cell = face(b)->focusChild();
        QCOMPARE(cell->object(), f->Image1[63]);
        QCOMPARE(cell->text(QAccessible::Name), QStringLiteral("H8 空き"));
        QVERIFY(cell->state().focused);
        QVERIFY(!face(f->Image1[62])->state().focused);
        QCOMPARE(eventsFor(f->Image1[7], QAccessible::Focus), 3);  // reached, then two stops at the edge
        QCOMPARE(eventsFor(f->Image1[63], QAccessible::Focus), 3);

        // Leaving the board puts the cursor away; coming back shows it again.
        QTest::keyClick(b, Qt::Key_Tab);
        QVERIFY(!b->cursorShown());
        b->setFocus(Qt::BacktabFocusReason);
        QVERIFY(b->cursorShown());
    }

    // A game played by keys: a refusal, moves, the names and the labels.
    void keyboardGame()
    {
        auto *f = showActive<Form1>(FormId::Form1);
        BoardFocus *b = f->boardFocus;
        g_events.clear();
        QTest::keyClick(b, Qt::Key_Return);  // only shows the cursor
        QTest::keyClick(b, Qt::Key_Space);   // 27 holds a disc: the box, nothing else
        QCOMPARE(TestKit::boxTexts(), QStringList{refused});
        QCOMPARE(f->board(), Board());

        // Black 19, white 18, black 26.
        for (Qt::Key key : {Qt::Key_Up, Qt::Key_Return, Qt::Key_Left, Qt::Key_Space, Qt::Key_Down, Qt::Key_Enter})
            QTest::keyClick(b, key);
        QCOMPARE(f->board().moveCount(), 3);
        QCOMPARE(TestKit::boxTexts().size(), 1);
        expectCellNames(f);
        // A cell's new name is read when reached, never reported as a change
        // (Orca cannot read Qt's report); the move is announced instead.
        QCOMPARE(eventsFor(f->Image1[27], QAccessible::NameChanged), 0);

        // An assistive tool presses a cell as a click: white 20.
        QCOMPARE(face(f->Image1[20])->actionInterface()->actionNames(),
                 QStringList{QAccessibleActionInterface::pressAction()});
        pressAction(f->Image1[20]);
        QCOMPARE(f->board().at(2, 4), -1);
        QCOMPARE(f->board().moveCount(), 4);

        // Resigning ends play: the cells take no press.
        f->Command3->click();
        pressAction(f->Image1[21]);
        QTest::keyClick(b, Qt::Key_Return);
        QCOMPARE(f->board().moveCount(), 4);
        QCOMPARE(TestKit::boxTexts().size(), 1);
    }

    // What the player hears after each kind of event, as one utterance.
    void announcements_data()
    {
        QTest::addColumn<Play>("play");
        QTest::addColumn<QString>("heard");
        const auto local = [] { return showActive<Form1>(FormId::Form1); };
        // Black has no move, white has H8.
        const QStringList blackStuck = {"WWWWWWWW", "WWWWWWWW", "WWWWWWWW", "WWWWWWWW",
                                        "WWWWWWWW", "WWWWWWWW", "WWWWWWWW", "WWWWWWB."};
        QTest::newRow("move") << Play([=] {
            MatchWindow *w = local();
            for (Qt::Key key : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Return})  // shows D4, goes to D3, plays
                QTest::keyClick(w->boardFocus, key);
            return w;
        }) << QStringLiteral("D3 に黒、黒 4 白 1、白番");
        QTest::newRow("reply flips") << Play([=] {
            MatchWindow *w = local();
            w->Image1_Click(19);
            TestKit::settle();
            w->Image1_Click(18);
            return w;
        }) << QStringLiteral("C3 に白、黒 3 白 3、黒番");
        QTest::newRow("pass") << Play([=] {
            MatchWindow *w = local();
            TestAccess::setBoard(w, blackStuck, 1);
            w->Command1->click();
            return w;
        }) << QStringLiteral("黒はパス、白番");
        QTest::newRow("two passes end") << Play([=] {
            MatchWindow *w = local();
            QStringList rows = blackStuck;
            rows[7] = "WWWWWWW.";
            TestAccess::setBoard(w, rows, 1);
            w->Command1->click();
            TestKit::settle();
            w->Command1->click();
            return w;
        }) << QStringLiteral("白はパス、終局、黒 0 白 63、お見事白番の勝利");
        QTest::newRow("last move ends") << Play([=] {
            MatchWindow *w = local();
            QStringList rows(7, QStringLiteral("BBBBBBBB"));
            TestAccess::setBoard(w, rows << "BBBBBBW.", 1);
            w->Image1_Click(63);
            return w;
        }) << QStringLiteral("H8 に黒、終局、黒 64 白 0、お見事黒番の勝利");
        QTest::newRow("resignation") << Play([=] {
            MatchWindow *w = local();
            w->Command3->click();
            return w;
        }) << QStringLiteral("投了、黒 2 白 2、お見事白番の勝利");
        QTest::newRow("new game") << Play([=] {
            MatchWindow *w = local();
            w->Command3->click();
            TestKit::settle();
            w->Command2->click();
            return w;
        }) << QStringLiteral("新しい対局、黒番");
        const auto computer = [](QPushButton *Form2::*colour) {
            auto *f = showActive<Form2>(FormId::Form2);
            TestAccess::setRandomSource(f, [] { return 0.25; });
            f->Command8->click();
            (f->*colour)->click();
            return f;
        };
        QTest::newRow("computer move") << Play([=] {
            Form2 *f = computer(&Form2::Command5);
            f->Image1_Click(19);
            TestKit::settle();
            f->Timer1_Timer();
            return f;
        }) << QStringLiteral("ＣＰＵは C3 に白、黒 3 白 3、黒番");
        QTest::newRow("computer pass") << Play([=] {
            Form2 *f = computer(&Form2::Command6);  // the computer plays black, and has no move
            TestAccess::setBoard(f, blackStuck, 1);
            f->Timer1_Timer();
            return f;
        }) << QStringLiteral("ＣＰＵはパス、白番");
        QTest::newRow("computer: new game") << Play([=] {
            Form2 *f = computer(&Form2::Command5);
            f->Command3->click();
            TestKit::settle();
            f->Command2->click();
            return f;
        }) << QStringLiteral("新しい対局、黒番、CPUを選んでください");
    }
    void announcements()
    {
        QFETCH(Play, play);
        QFETCH(QString, heard);
        MatchWindow *w = play();
        QSignalSpy said(Announcer::of(w), &Announcer::announced);
        TestKit::settle();
        QCOMPARE(said.size(), 1);
        QCOMPARE(said.at(0).at(0).toString(), heard);
    }

    // What a screen reader reads of the windows and the board's controls.
    void spokenNames()
    {
        auto *f = showActive<Form1>(FormId::Form1);
        // Windows are frames, so the title command reads their captions.
        QCOMPARE(face(f)->role(), QAccessible::Window);
        QCOMPARE(face(f)->text(QAccessible::Name), f->windowTitle());
        // A cell tells no key binding: Orca would read "Space" after each.
        QCOMPARE(face(f->Image1[0])->actionInterface()->keyBindingsForAction(QAccessibleActionInterface::pressAction()),
                 QStringList());
        // Painted captions keep their spaces; their names do not.
        QCOMPARE(f->Command1->text(), QStringLiteral("パ ス"));
        QCOMPARE(face(f->Command1)->text(QAccessible::Name), QStringLiteral("パス"));
        QCOMPARE(face(f->Command3)->text(QAccessible::Name), QStringLiteral("投了"));
        QCOMPARE(face(f->Label1)->text(QAccessible::Name), QStringLiteral("黒番"));
        // Each utterance: a notification named after what it says, reported
        // shown once.
        Announcer *a = Announcer::of(f);
        f->Image1_Click(19);
        TestKit::settle();
        QWidget *u = a->lastUtterance();
        QCOMPARE(face(u)->role(), QAccessible::Notification);
        QCOMPARE(face(u)->text(QAccessible::Name), QStringLiteral("D3 に黒、黒 4 白 1、白番"));
        QCOMPARE(eventsFor(u, QAccessible::ObjectShow), 1);
    }

    // The menu says how to choose when it opens, or which mode is selected.
    void menuGreeting_data()
    {
        QTest::addColumn<int>("hovered");
        QTest::addColumn<QString>("heard");
        QTest::newRow("nothing selected") << 0 << QStringLiteral("モードを矢印キーで選び、Enter で決定");
        QTest::newRow("pointer on a mode") << 2 << QStringLiteral("CPU対戦 を選択中、矢印キーで選び、Enter で決定");
    }
    void menuGreeting()
    {
        QFETCH(int, hovered);
        QFETCH(QString, heard);
        auto *m = qobject_cast<Form3 *>(Module1::show(FormId::Form3));
        QCOMPARE(face(m)->role(), QAccessible::Window);
        if (hovered)
            m->Label8_MouseMove();
        QSignalSpy said(Announcer::of(m), &Announcer::announced);
        m->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m));
        TestKit::settle();
        QCOMPARE(said.size(), 1);
        QCOMPARE(said.at(0).at(0).toString(), heard);
    }

    // A match window with a status line says it when it opens.
    void matchGreeting()
    {
        auto *f = qobject_cast<Form2 *>(Module1::show(FormId::Form2));
        QSignalSpy said(Announcer::of(f), &Announcer::announced);
        f->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(f));
        TestKit::settle();
        QCOMPARE(said.size(), 1);
        QCOMPARE(said.at(0).at(0).toString(), QStringLiteral("CPUを選んでください"));
    }

    // The mouse never shows the cursor, and puts a shown one away.
    void mousePlayHidesTheCursor()
    {
        auto *f = showActive<Form1>(FormId::Form1);
        QTest::mouseClick(f->Image1[19], Qt::LeftButton);
        QVERIFY(!f->boardFocus->cursorShown());
        QTest::keyClick(f->boardFocus, Qt::Key_Left);
        QVERIFY(f->boardFocus->cursorShown());
        QTest::mouseClick(f->Image1[18], Qt::LeftButton);
        QCOMPARE(f->board().moveCount(), 2);
        QVERIFY(!f->boardFocus->cursorShown());
        QTest::keyClick(f->boardFocus, Qt::Key_Left);  // shows it again where it was
        QCOMPARE(f->boardFocus->cursor(), 27);
    }

    // Against the computer: the person plays by keys; a locked board plays nothing.
    void computerMatch()
    {
        auto *f = showActive<Form2>(FormId::Form2);
        TestAccess::setRandomSource(f, [] { return 0.25; });  // tries the cells from the first
        f->Command8->click();                                 // level 1
        f->Command5->click();                                 // the person plays black
        f->boardFocus->setFocus();
        for (Qt::Key key : {Qt::Key_Up, Qt::Key_Up, Qt::Key_Return, Qt::Key_Left, Qt::Key_Return})
            QTest::keyClick(f->boardFocus, key);  // 19, then 18 while the computer's turn is pending
        QCOMPARE(f->board().at(2, 3), 1);
        QCOMPARE(f->board().at(2, 2), 0);
        QCOMPARE(f->board().moveCount(), 1);
        f->Timer1_Timer();
        QCOMPARE(f->board().moveCount(), 2);
        expectCellNames(f);
    }

    // Tab goes top to bottom, then "設定"; Enter presses "設定" only when enabled.
    void dialogs_data()
    {
        QTest::addColumn<FormId>("id");
        QTest::newRow("host") << FormId::Form6;
        QTest::newRow("client") << FormId::Form7;
    }
    void dialogs()
    {
        QFETCH(FormId, id);
        auto *d = qobject_cast<SettingsDialog *>(Module1::show(id));
        auto *f7 = qobject_cast<Form7 *>(d);
        QList<QWidget *> order{d->Text3, d->Option1, d->Option2, d->Text1};
        if (f7)
            order << f7->Text2;
        QCOMPARE(tabStops(d), order << d->Command1);

        QTest::keyClick(d->Text3, Qt::Key_Return);  // nothing entered yet
        QVERIFY(d->isVisible());
        QTest::keyClicks(d->Text3, QStringLiteral("ab"));
        if (f7)
            QTest::keyClicks(f7->Text2, QStringLiteral("127.0.0.1"));
        QVERIFY(d->Command1->isEnabled());
        QTest::keyClick(d->Option1, Qt::Key_Return);
        QVERIFY(!d->isVisible());
        QCOMPARE(Module1::getname(), QStringLiteral("ab"));
        QVERIFY(Module1::loaded(f7 ? FormId::Form8 : FormId::form5));
    }
};

QTEST_MAIN(TestKeyboard)
#include "tst_keyboard.moc"
