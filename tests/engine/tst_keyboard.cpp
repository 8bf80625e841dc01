// The whole program without a mouse: the opening, the menu, the match
// windows and the settings dialogs driven by keys, and what an assistive tool
// reads and does through the accessibility interfaces.
#include <QAccessible>
#include <QtTest>
#include <QtWidgets>

#include "cpu/form2.h"
#include "local/form1.h"
#include "net/form5.h"
#include "net/form8.h"
#include "shell/form3.h"
#include "shell/form4.h"
#include "shell/form6.h"
#include "shell/form7.h"
#include "shell/module1.h"
#include "tests/common/testkit.h"

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
const QString refused = QStringLiteral("そこには打てません");

struct Event {
    QObject *object;
    QAccessible::Event type;
};
QList<Event> g_events;
void record(QAccessibleEvent *event) { g_events.append(Event{event->object(), event->type()}); }
int eventsFor(QObject *object, QAccessible::Event type)
{
    return int(std::count_if(g_events.begin(), g_events.end(),
                             [=](const Event &e) { return e.object == object && e.type == type; }));
}

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
    if (!QTest::qWaitForWindowActive(w))
        qWarning("window not active");
    return w;
}

void press(QWidget *w, Qt::Key key, int times = 1)
{
    for (int i = 0; i < times; ++i)
        QTest::keyClick(w, key);
}

QString name(QObject *o) { return QAccessible::queryAccessibleInterface(o)->text(QAccessible::Name); }

// The name a cell must carry, from the board alone.
QString expectedName(const MatchWindow *w, int k)
{
    const int v = w->Board[k / 8][k % 8];
    return QString(QChar(u'A' + k % 8)) + QString::number(k / 8 + 1) + QLatin1Char(' ') +
           (v == 1 ? QStringLiteral("黒") : v == -1 ? QStringLiteral("白") : QStringLiteral("空き"));
}
}  // namespace

class TestKeyboard : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        TestKit::init();
        TestKit::registerWindow<Form1>(FormId::Form1);
        TestKit::registerWindow<Form2>(FormId::Form2);
        TestKit::registerWindow<Form3>(FormId::Form3);
        TestKit::registerWindow<Form4>(FormId::Form4);
        TestKit::registerWindow<Form6>(FormId::Form6);
        TestKit::registerWindow<Form7>(FormId::Form7);
        // The network windows behind the dialogs, without their sockets.
        Module1::registerForm(FormId::form5, [] { return new KWindow(FormId::form5); });
        Module1::registerForm(FormId::Form8, [] { return new KWindow(FormId::Form8); });
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
        auto *m = Module1::form<Form3>(FormId::Form3);
        QCOMPARE(QAccessible::queryAccessibleInterface(m->Label7)->role(), QAccessible::Button);
    }

    void menu_data()
    {
        QTest::addColumn<int>("area");
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<FormId>("target");
        QTest::addColumn<QString>("mode");
        QTest::newRow("1台対戦") << 1 << QStringList{"1台対戦"} << FormId::Form1 << "1台対戦";
        QTest::newRow("CPU対戦") << 2 << QStringList{"CPU対戦"} << FormId::Form2 << "CPU対戦";
        QTest::newRow("サーバ") << 3 << QStringList{"通信対戦", "サーバ"} << FormId::Form6 << "通信対戦 サーバ";
        QTest::newRow("クライアント") << 4 << QStringList{"通信対戦", "クライアント"} << FormId::Form7
                                        << "通信対戦 クライアント";
    }
    // Tab selects as the pointer entering does; Enter opens as a click.
    void menu()
    {
        QFETCH(int, area);
        QFETCH(QStringList, captions);
        QFETCH(FormId, target);
        QFETCH(QString, mode);
        auto *m = qobject_cast<Form3 *>(Module1::show(FormId::Form3));
        press(m, Qt::Key_Tab, area);
        QCOMPARE(m->hoverArea, area);
        QCOMPARE(visibleCaptions(m), captions);
        QCOMPARE(m->MMControl1->playCount(), area);  // one click per change

        HoverArea *hit = QList<HoverArea *>{m->Label7, m->Label8, m->Label9, m->Label10}[area - 1];
        QAccessibleInterface *button = QAccessible::queryAccessibleInterface(hit);
        QCOMPARE(button->role(), QAccessible::Button);
        QCOMPARE(button->text(QAccessible::Name), mode);
        QVERIFY(button->state().focused);
        QCOMPARE(eventsFor(hit, QAccessible::Focus), 1);

        QTest::keyClick(m, Qt::Key_Return);
        QVERIFY(m->isUnloaded());
        for (int id = 0; id < formCount; ++id)
            QCOMPARE(Module1::loaded(FormId(id)) != nullptr, FormId(id) == target);
        // The first match window made in this program already has pressable cells.
        if (auto *w = Module1::form<MatchWindow>(target))
            QCOMPARE(QAccessible::queryAccessibleInterface(w->Image1[0])->actionInterface()->actionNames().size(), 1);
    }

    void menuArrowsAndBackTab()
    {
        auto *m = qobject_cast<Form3 *>(Module1::show(FormId::Form3));
        QTest::keyClick(m, Qt::Key_Backtab);  // from none: the last
        QCOMPARE(m->hoverArea, 4);
        QTest::keyClick(m, Qt::Key_Tab);  // wraps
        QCOMPARE(m->hoverArea, 1);
        const QList<std::pair<Qt::Key, int>> steps = {{Qt::Key_Left, 1}, {Qt::Key_Up, 1}, {Qt::Key_Right, 2},
                                                      {Qt::Key_Right, 2}, {Qt::Key_Down, 4}, {Qt::Key_Down, 4},
                                                      {Qt::Key_Left, 3}, {Qt::Key_Up, 1}};
        for (const auto &s : steps) {
            QTest::keyClick(m, s.first);
            QCOMPARE(m->hoverArea, s.second);
        }
        QCOMPARE(m->MMControl1->playCount(), 6);  // at the edges nothing changes, nothing clicks
        QTest::keyClick(m, Qt::Key_Space);
        QVERIFY(Module1::loaded(FormId::Form1));

        // An assistive tool presses a quadrant as a click.
        m = qobject_cast<Form3 *>(Module1::show(FormId::Form3));
        QAccessible::queryAccessibleInterface(m->Label8)->actionInterface()->doAction(
            QAccessibleActionInterface::pressAction());
        QVERIFY(Module1::loaded(FormId::Form2));
    }

    // Every match window: the board is the first stop and has the focus.
    void boardTakesTheFocus_data()
    {
        QTest::addColumn<FormId>("id");
        QTest::newRow("local") << FormId::Form1;
        QTest::newRow("computer") << FormId::Form2;
    }
    void boardTakesTheFocus()
    {
        QFETCH(FormId, id);
        auto *w = showActive<MatchWindow>(id);
        QCOMPARE(QApplication::focusWidget(), w->boardFocus);
        const QList<QWidget *> stops = tabStops(w);
        QCOMPARE(stops.value(0), w->boardFocus);
        QCOMPARE(std::count_if(stops.begin(), stops.end(), [](QWidget *s) { return qobject_cast<CellImage *>(s); }), 0);
        QVERIFY(!w->boardFocus->cursorShown());
        // The pointer still reaches the cells through the layer.
        QCOMPARE(w->childAt(w->Image1[42]->geometry().center()), w->Image1[42]);
        QCOMPARE(w->childAt(w->Image1[0]->geometry().topLeft()), w->Image1[0]);
    }

    // The network windows, built but not loaded (no socket): the same board stop.
    void networkBoardsTakeTheFocus()
    {
        std::unique_ptr<MatchWindow> host(new form5);
        std::unique_ptr<MatchWindow> client(new Form8);
        for (MatchWindow *w : {host.get(), client.get()}) {
            QCOMPARE(w->focusWidget(), w->boardFocus);
            QCOMPARE(tabStops(w).value(0), w->boardFocus);
        }
    }

    // The first key shows the cursor where it rests; it stops at every edge.
    void cursorMoves()
    {
        auto *f = showActive<Form1>(FormId::Form1);
        BoardFocus *b = f->boardFocus;
        const auto pictures = [f] {
            QStringList out;
            for (CellImage *c : f->Image1)
                out << c->pictureFile();
            return out;
        };
        const QStringList before = pictures();
        QTest::keyClick(b, Qt::Key_Right);
        QVERIFY(b->cursorShown());
        QCOMPARE(b->cursor(), 27);
        press(b, Qt::Key_Left, 5);
        QCOMPARE(b->cursor(), 24);
        press(b, Qt::Key_Up, 5);
        QCOMPARE(b->cursor(), 0);
        press(b, Qt::Key_Right, 9);
        QCOMPARE(b->cursor(), 7);
        press(b, Qt::Key_Down, 9);
        QCOMPARE(b->cursor(), 63);

        // The focused accessible object is the cursor's cell, announced at each move.
        QAccessibleInterface *cell = QAccessible::queryAccessibleInterface(b)->focusChild();
        QCOMPARE(cell->object(), f->Image1[63]);
        QCOMPARE(cell->text(QAccessible::Name), QStringLiteral("H8 空き"));
        QVERIFY(cell->state().focused);
        QVERIFY(!QAccessible::queryAccessibleInterface(f->Image1[62])->state().focused);
        QCOMPARE(eventsFor(f->Image1[7], QAccessible::Focus), 3);  // reached, then two stops at the edge
        QCOMPARE(eventsFor(f->Image1[63], QAccessible::Focus), 3);

        // Leaving the board puts the cursor away; coming back shows it again.
        QTest::keyClick(b, Qt::Key_Tab);
        QVERIFY(!b->cursorShown());
        f->boardFocus->setFocus(Qt::BacktabFocusReason);
        QVERIFY(b->cursorShown());
        QCOMPARE(pictures(), before);
    }

    // A game played by keys: moves, a refusal, the names and the labels.
    void keyboardGame()
    {
        auto *f = showActive<Form1>(FormId::Form1);
        BoardFocus *b = f->boardFocus;
        g_events.clear();
        QTest::keyClick(b, Qt::Key_Return);  // only shows the cursor
        QCOMPARE(f->moveCount, 0);
        QVERIFY(TestKit::boxTexts().isEmpty());
        QTest::keyClick(b, Qt::Key_Space);  // D4 holds a disc: the box, nothing else
        QCOMPARE(TestKit::boxTexts(), QStringList{refused});
        QCOMPARE(f->moveCount, 0);
        QCOMPARE(f->turnColor, 1);

        QTest::keyClick(b, Qt::Key_Up);
        QTest::keyClick(b, Qt::Key_Return);  // black D3
        QTest::keyClick(b, Qt::Key_Left);
        QTest::keyClick(b, Qt::Key_Space);  // white C3
        QTest::keyClick(b, Qt::Key_Down);
        QTest::keyClick(b, Qt::Key_Enter);  // black C4
        QCOMPARE(f->moveCount, 3);
        QCOMPARE(f->Label1->text(), QStringLiteral("白 番"));
        QCOMPARE(f->Label5->text(), QStringLiteral("5"));
        QCOMPARE(f->Label6->text(), QStringLiteral("2"));
        QCOMPARE(TestKit::boxTexts().size(), 1);

        for (int k = 0; k < 64; ++k)
            QCOMPARE(name(f->Image1[k]), expectedName(f, k));
        QCOMPARE(name(f->Image1[19]), QStringLiteral("D3 黒"));
        QCOMPARE(name(f->Image1[18]), QStringLiteral("C3 白"));
        QCOMPARE(name(f->Image1[0]), QStringLiteral("A1 空き"));
        // D4 changed three times: white to black, black to white, white to black.
        QCOMPARE(eventsFor(f->Image1[27], QAccessible::NameChanged), 3);
        QCOMPARE(eventsFor(f->Image1[0], QAccessible::NameChanged), 0);
        QCOMPARE(eventsFor(f->Label1, QAccessible::NameChanged), 3);
        QCOMPARE(eventsFor(f->Label5, QAccessible::NameChanged), 3);
        QCOMPARE(eventsFor(f->Label6, QAccessible::NameChanged), 3);

        // An assistive tool presses a cell as a click.
        QAccessibleInterface *e3 = QAccessible::queryAccessibleInterface(f->Image1[20]);
        QCOMPARE(e3->actionInterface()->actionNames(), QStringList{QAccessibleActionInterface::pressAction()});
        e3->actionInterface()->doAction(QAccessibleActionInterface::pressAction());  // white E3
        QCOMPARE(f->Board[2][4], -1);
        QCOMPARE(f->moveCount, 4);

        // Resigning ends play: the status line speaks, the cells take no press.
        f->Command3->click();
        QCOMPARE(eventsFor(f->Label2, QAccessible::NameChanged), 1);
        e3 = QAccessible::queryAccessibleInterface(f->Image1[21]);
        e3->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTest::keyClick(b, Qt::Key_Return);
        QCOMPARE(f->moveCount, 4);
        QCOMPARE(TestKit::boxTexts().size(), 1);
    }

    // The mouse never shows the cursor, and puts a shown one away.
    void mousePlayHidesTheCursor()
    {
        auto *f = showActive<Form1>(FormId::Form1);
        QTest::mouseClick(f->Image1[19], Qt::LeftButton);
        QCOMPARE(f->moveCount, 1);
        QVERIFY(!f->boardFocus->cursorShown());
        QTest::keyClick(f->boardFocus, Qt::Key_Left);
        QVERIFY(f->boardFocus->cursorShown());
        QTest::mouseClick(f->Image1[18], Qt::LeftButton);
        QCOMPARE(f->moveCount, 2);
        QVERIFY(!f->boardFocus->cursorShown());
        QTest::keyClick(f->boardFocus, Qt::Key_Left);  // shows it again where it was
        QCOMPARE(f->boardFocus->cursor(), 27);
    }

    // Against the computer: the person plays by keys; a locked board plays nothing.
    void computerMatch()
    {
        auto *f = showActive<Form2>(FormId::Form2);
        f->setRandomSource([] { return 0.25; });  // tries the cells from the first
        f->Command8->click();  // level 1
        f->Command5->click();  // the person plays black
        f->boardFocus->setFocus();
        QTest::keyClick(f->boardFocus, Qt::Key_Up);
        QTest::keyClick(f->boardFocus, Qt::Key_Up);
        QTest::keyClick(f->boardFocus, Qt::Key_Return);  // D3
        QCOMPARE(f->Board[2][3], 1);
        QVERIFY(!f->Image1[18]->isEnabled());  // the computer's turn is pending
        QTest::keyClick(f->boardFocus, Qt::Key_Left);
        QTest::keyClick(f->boardFocus, Qt::Key_Return);
        QCOMPARE(f->Board[2][2], 0);
        QCOMPARE(f->moveCount, 1);
        f->Timer1_Timer();  // the computer's turn
        QCOMPARE(f->moveCount, 2);
        for (int k = 0; k < 64; ++k)
            QCOMPARE(name(f->Image1[k]), expectedName(f, k));
    }

    void dialogs_data()
    {
        QTest::addColumn<FormId>("id");
        QTest::newRow("host") << FormId::Form6;
        QTest::newRow("client") << FormId::Form7;
    }
    // Tab goes top to bottom, then "設定"; Enter presses "設定" only when enabled.
    void dialogs()
    {
        QFETCH(FormId, id);
        auto *d = qobject_cast<SettingsDialog *>(Module1::show(id));
        auto *f7 = qobject_cast<Form7 *>(d);
        QList<QWidget *> order{d->Text3, d->Option1, d->Option2, d->Text1};
        if (f7)
            order << f7->Text2;
        order << d->Command1;
        QCOMPARE(tabStops(d), order);

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
