// Host and client windows over real sockets on 127.0.0.1: whole games, the
// bytes on the wire, what a peer may send, chat, connecting, the agreements,
// and a lost connection.
#include <QtTest>

#include "tests/net/netkit.h"

using namespace NetKit;

namespace {
bool sameBoards(const MatchWindow *a, const MatchWindow *b)
{
    return a->state() == b->state() && a->Label1->text() == b->Label1->text();
}
QString word(int code) { return code == 65 ? "モード選択" : code == 66 ? "再戦" : "終了"; }
QString question(int code) { return "相手は" + word(code) + "を希望しました。許可しますか?。"; }
QString accepted(int code) { return "相手は" + word(code) + "を許可しました。"; }
QPushButton *button(NetMatchWindow *w, int code) { return code == 65 ? w->Command7 : code == 66 ? w->Command2 : w->Command4; }
// Inside an open box: what the peer sent has arrived, and still waits for the box to close.
bool heldBack(const QPointer<Form8> &w) { return wait([&] { return w && w->waitingEvents() > 0; }) && (QTest::qWait(20), w && w->waitingEvents() > 0); }
bool gone() { return !Module1::loaded(FormId::form5) && !Module1::loaded(FormId::Form8) && !chat(); }
bool inNewGame(const Pair &p) { return p.ok() && p.client->Label1->text() == "黒 番" && p.host->Image1[19]->isEnabled() && !p.client->Image1[19]->isEnabled(); }
// Both windows connected and their game over (the host resigned).
Pair finishedPair()
{
    Pair p = openPair();
    if (p.ok())
        p.host->Command3->click();
    wait([&] { return p.ok() && p.client->Label1->text() == "投 了"; });
    TestKit::clearBoxes();
    return p;
}
// The client window with a raw host, its game over: it resigned after the first move.
std::unique_ptr<Raw> finishedRaw()
{
    auto r = openRaw();
    if (r && (r->send("19"), wait([&] { return r->w->Command3->isEnabled(); })))
        r->w->Command3->click();
    TestKit::clearBoxes();
    return r && r->expect("64") ? std::move(r) : nullptr;
}
}  // namespace

class TestNetMatch : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { NetKit::init(); }
    void cleanup() { TestKit::reset(); }

    void scriptedGames_data()
    {
        QTest::addColumn<QString>("moves");  // a cell, -1 a pass, R the side to move resigns
        QTest::addColumn<QString>("results");  // the host's, then the client's
        QTest::addColumn<QColor>("background");
        const QString win = "見 事 あ な た の 勝 利", lose = "残 念 あ い て の 勝 利", draw = "こ の 勝 負 引 き 分 け";
        const QString won = "あ な た の 勝 利 で す", lost = "あ い て の 勝 利 で す";
        QTest::newRow("60 moves, black 35-29")
            << "19,20,29,18,10,11,43,45,44,38,30,1,26,37,12,42,47,39,51,21,13,52,41,55,61,58,17,5,60,25,22,4,"
               "31,40,33,32,3,59,24,54,48,8,6,15,63,49,53,9,57,62,0,34,14,46,16,23,7,2,50,56" << win + lose << QColor(0, 0, 0);
        QTest::newRow("32-32 draw")
            << "19,34,45,20,21,54,42,13,44,18,33,37,38,46,30,22,12,29,17,16,15,23,63,52,43,5,9,49,51,59,25,7,"
               "4,2,10,32,0,1,24,11,39,41,53,47,55,3,8,62,61,60,48,26,58,40,50,56,31,57,6,14" << draw + draw << QColor(192, 192, 192);
        QTest::newRow("two passes end it, black 13-0") << "19,18,37,29,21,11,3,20,17,-1,-1" << win + lose << QColor(0, 0, 0);
        QTest::newRow("host resigns") << "R" << lost + won << QColor(255, 255, 255);
        QTest::newRow("client resigns") << "19,R" << won + lost << QColor(0, 0, 0);
    }
    // Both boards equal after every message; each side's own result.
    void scriptedGames()
    {
        QFETCH(QString, moves);
        QFETCH(QString, results);
        QFETCH(QColor, background);
        Pair p = openPair();
        QVERIFY(p.ok() && p.host->Winsock1->lowDelay() && p.client->Winsock1->lowDelay() && chat()->isVisible()
                && p.host->Label2->text() + p.client->Label2->text() == "あなたの手番ですあいての手番です");
        QTcpSocket second;  // the host took its one client and stopped listening
        QVERIFY((second.connectToHost(QHostAddress::LocalHost, p.port), wait([&] { return second.error() == QAbstractSocket::ConnectionRefusedError; })));
        int played = 0;
        for (const QString &m : moves.split(',')) {
            NetMatchWindow *mover = p.side(p.host->turnColor == 1), *other = p.side(p.host->turnColor != 1);
            QVERIFY(!other->Image1[19]->isEnabled() && !other->Command1->isEnabled() && !other->Command3->isEnabled());
            m == "R" ? mover->Command3->click() : m == "-1" ? mover->Command1->click() : (clickCell(mover, m.toInt()), void(++played));
            QVERIFY2(wait([&] { return sameBoards(p.host, p.client) && other->waitingEvents() == 0; }), qPrintable(m));
            if (m == "-1" && other->Label1->text() != "終 局")
                QCOMPARE(other->Label2->text(), QStringLiteral("あいてはパスしました。"));
            if (m != "R" && m != "-1" && other->moveCount < 60)
                QVERIFY(other->Image1[m.toInt()]->pictureFile().endsWith(mover->ownColor() == 1 ? "akakuro.ico" : "akasiro.ico"));
        }
        const bool resigned = moves.endsWith('R');
        QCOMPARE(TestKit::boxTexts(), QStringList({"Connect完了", "Connect完了"}) + (resigned ? QStringList{"あいては投了しました。"} : QStringList()));
        for (NetMatchWindow *w : {p.side(true), p.side(false)}) {
            QVERIFY(w->Label1->text() == (resigned ? "投 了" : "終 局") && w->Command2->isVisible() && w->Command4->isVisible() && w->Command7->isEnabled() && !w->Image1[0]->isEnabled()
                    && !w->Command1->isVisible() && w->MMControl1->playCount() == played);
            QCOMPARE(w->Label2->palette().color(QPalette::Window), background);
        }
        QCOMPARE(p.host->Label2->text() + p.client->Label2->text(), results);
    }

    // What the client sends, byte for byte, and what a peer may send it.
    void wireAndJunk()
    {
        auto r = openRaw(QStringLiteral("太郎"));
        QVERIFY(r);
        Form8 *c = r->w;
        QTest::keyClick(c->Text1, Qt::Key_Return);  // nothing typed: asked to, nothing sent
        c->Text1->setText(QStringLiteral("こんにちは"));
        QTest::keyClick(c->Text1, Qt::Key_Return);
        QVERIFY(r->expect(" \x91\xbe\x98Y>\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd"));
        r->send("19");
        QVERIFY(wait([&] { return c->Board[2][3] == 1; }) && (clickCell(c, 18), r->expect("18")));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("kobanto: ignored"));
        QTest::failOnWarning(QRegularExpression("kobanto: ignored"));  // once per window
        // Each read is handled (ignored or refused) before the next goes out:
        // the wire has no delimiter, so reads sent back to back could merge.
        const auto handled = [&] { return c->ignoredMessages() + int(TestKit::boxTexts().size()); };
        const auto sendAll = [&](const QList<QByteArray> &reads, const QString &line) {
            for (const QByteArray &b : reads) {
                const int before = handled();
                r->send(b);
                wait([&] { return handled() > before; });
                for (int last = -1; last != handled();)  // a long read may come in pieces
                    last = handled(), QTest::qWait(50);
            }
            r->send(" Guest>" + line.toUtf8());
            return wait([&] { return chatLines().contains("Guest>" + line); });
        };
        MatchState before = c->state();
        QVERIFY(sendAll({"abc", "99", "-2", "70", "-68", "32768", "1.5", "+5", QByteArray(100 * 1024, 'x')}, "junk"));
        QVERIFY(c->state() == before);
        QCOMPARE(c->turnColor, qint16(1));
        QCOMPARE(TestKit::boxTexts().size(), 2);
        QVERIFY(c->ignoredMessages() >= 9);
        // An occupied cell, a cell that closes nothing: refused as a click would be.
        QVERIFY(sendAll({"27", "0"}, "illegal"));
        QVERIFY(c->state() == before);
        QVERIFY(!c->Image1[0]->isEnabled());
        QCOMPARE(TestKit::boxTexts().mid(1), QStringList({"文字を入力してください", "そこには打てません", "そこには打てません"}));
        // A move merged with the chat line sent right after it: both count.
        r->send("17 Guest>merged");
        QVERIFY(wait([&] { return chatLines().size() == 4; }) && c->Board[2][1] == 1 && c->turnColor == -1 && c->Image1[0]->isEnabled());
        // Out of turn the peer can neither move, pass nor resign for this side.
        before = c->state();
        QVERIFY(sendAll({"20", "-1", "64"}, "sorry"));
        QVERIFY(c->state() == before);
        QCOMPARE(c->turnColor, qint16(-1));
        QCOMPARE(c->Label1->text(), QStringLiteral("白 番"));
        // A line written in two pieces, in code page 932.
        r->send(" \x89\xd4\x8e\x71>\x82\xcd"), r->send("\x82\xa2");
        QVERIFY(wait([&] { return chatLines().size() == 6; }) && chatLines()[5] == "花子>はい");
        // A position where white cannot move: the pass goes out as "-1".
        std::memset(c->Board, 0, sizeof c->Board);
        c->Board[0][0] = 1, c->Board[7][7] = -1, c->Command1->click();
        QVERIFY(r->expect("-1"));
        r->send("-1");
        QVERIFY(wait([&] { return c->Label1->text() == "終 局"; }) && r->got.isEmpty());
    }

    // Nothing listening: 11 attempts, then the question; No goes back to the menu.
    void retries()
    {
        QList<int> attempts;
        TestKit::setBoxHook([&](const QString &t) { attempts << (t.startsWith("10回") ? Module1::form<Form8>(FormId::Form8)->Winsock1->connectAttempts() : -1); });
        TestKit::queueAnswers({true, false});
        openClient(freePort());
        QVERIFY(wait(menuShown));
        QCOMPARE(attempts, QList<int>({11, 22, -1}));
        const QString again = "10回接続要求を失敗しました。繰り返しますか？。";
        QCOMPARE(TestKit::boxTexts(), QStringList({again, again, "接続要求をキャンセルしました。"}));
    }

    // A busy port: told, back to the menu.
    void unresolvableServer()
    {
        Module1::setclientdata("Guest", qint16(freePort()), QString());
        Module1::show(FormId::Form8);
        QVERIFY(wait(menuShown) && !Module1::loaded(FormId::Form8));
        QCOMPARE(TestKit::boxTexts(), QStringList({"サーバに接続できませんでした。"}));
    }

    void listenFailure()
    {
        QTcpServer busy;
        Module1::setserverdata("Host", qint16(listenFree(busy)));
        Module1::show(FormId::form5);
        QVERIFY(wait(menuShown) && !Module1::loaded(FormId::form5));
        QCOMPARE(TestKit::boxTexts(), QStringList({"ポートを開けませんでした。"}));
    }

    // Closing a waiting host asks first; the minute question stops Timer1
    // while it is open; No frees the port.
    void minuteQuestion()
    {
        quint16 port = 0;
        form5 *h = openHost(port);
        QVERIFY(h && !h->close() && Module1::loaded(FormId::form5));
        QList<bool> timerRan;
        TestKit::setBoxHook([&](const QString &) { timerRan << h->Timer1->isActive(); });
        TestKit::queueAnswers({true, false});
        h->Timer1_Timer();
        QVERIFY(h->Timer1->isActive() && h->Timer1->interval() == 60000);
        h->Timer1_Timer();
        QVERIFY(wait(menuShown) && !Module1::loaded(FormId::form5) && portFree(port));
        QCOMPARE(timerRan, QList<bool>({false, false, false}));
        QVERIFY(TestKit::boxTexts().first() == "終了しますか？" && TestKit::boxTexts().last() == "接続待機をキャンセルしました。");
    }

    void agreements_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("hostAsks");
        QTest::addColumn<bool>("yes");
        for (int code : {65, 66, 67})
            for (bool hostAsks : {true, false})
                for (bool yes : {false, true})
                    QTest::addRow("%d %s %s", code, hostAsks ? "host asks" : "client asks", yes ? "Yes" : "No") << code << hostAsks << yes;
    }
    void agreements()
    {
        QFETCH(int, code);
        QFETCH(bool, hostAsks);
        QFETCH(bool, yes);
        Pair p = finishedPair();
        QVERIFY(p.ok());
        NetMatchWindow *asker = p.side(hostAsks), *answerer = p.side(!hostAsks);
        TestKit::queueAnswers({yes});
        button(asker, code)->click();
        if (!yes) {  // the asker is told; everything else stays
            QVERIFY(wait([&] { return TestKit::boxTexts().size() == 2 && p.ok(); }));
            QVERIFY(!menuShown() && answerer->lastMessage == QString::number(-code) && button(asker, code)->isEnabled());
        } else if (code == 66) {  // a new game on both sides, the host opening
            QVERIFY(wait([&] { return inNewGame(p) && TestKit::boxTexts().size() == 2; }));
            QVERIFY(!asker->agreement().awaitingAnswers());
        } else if (code == 65) {  // both back at the menu, the port free; no lost connection
            QVERIFY(wait([&] { return gone() && menuShown(); }) && (QTest::qWait(50), portFree(p.port)));
        } else {  // in one process the first end takes every window along
            QVERIFY(wait([] { return TestKit::endCount() == 1; }) && gone());
        }
        const QStringList told = {question(code), yes ? accepted(code) : word(code) + "は許可されませんでした。"};
        QCOMPARE(TestKit::boxTexts(), told.mid(0, code == 67 && yes ? 1 : 2));  // an accepted end ends at once
        QCOMPARE(TestKit::endCount(), code == 67 && yes ? 1 : 0);
    }

    void rematchAskedByBothAtOnce()
    {
        Pair p = finishedPair();
        QVERIFY(p.ok());
        p.host->Command2->click(), p.client->Command2->click();
        QVERIFY(wait([&] { return inNewGame(p) && TestKit::boxTexts().size() == 2; }));
        QCOMPARE(TestKit::boxTexts(), QStringList({accepted(66), accepted(66)}));
    }

    // Two refusals are read as refusals, not as a request of the peer, and a
    // third is no question at all; a chat line waits for an open box; an
    // unanswered request leaves the buttons usable and the close box working.
    void requestPressedTwiceThenForcedEnd()
    {
        auto r = finishedRaw();
        QVERIFY(r);
        r->w->Command2->click(), r->w->Command2->click();
        QVERIFY(r->expect("6666") && r->w->Command4->isEnabled() && r->w->Command7->isEnabled());
        r->send("-66"), QTest::qWait(5), r->send("-66");
        QVERIFY(wait([&] { return TestKit::boxTexts().size() == 2; }));
        QVERIFY(!r->w->agreement().requested(66));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("kobanto: ignored an answer to no request"));
        r->send("-66");
        QVERIFY(wait([&] { return r->w->ignoredMessages() == 1; }));
        bool held = false;
        // A message arriving meanwhile waits for the box.
        TestKit::setBoxHook([&](const QString &text) { held = held || (text == question(66) && (r->send(" Guest>gg"), heldBack(r->w) && chatLines().isEmpty())); });
        r->send("66");  // now a request of the peer
        QVERIFY(r->expect("-66") && held && wait([] { return chatLines() == QStringList{"Guest>gg"}; }));
        QVERIFY(!r->w->close());  // No: nothing is sent, and the request can be pressed again
        r->w->Command2->click();
        QVERIFY(r->expect("66"));
        TestKit::queueAnswers({true});
        QVERIFY(!r->w->close() && r->expect("68") && wait([] { return TestKit::endCount() == 1; }));
        const QString refused = "再戦は許可されませんでした。", forced = "接続中です。強制的に終了しますか？";
        QCOMPARE(TestKit::boxTexts(), QStringList({refused, refused, question(66), forced, forced}));
    }

    // A rematch pressed twice through both windows, the second press while
    // the client's first question is open: Yes then No is one
    // new game on both sides, and the host's first move reaches the client.
    void rematchPressedTwiceYesThenNo()
    {
        Pair p = finishedPair();
        QVERIFY(p.ok());
        bool held = false;
        TestKit::setBoxHook([&](const QString &text) {
            if (text != question(66) || held)
                return;
            p.host->Command2->click();
            held = heldBack(p.client);
        });
        TestKit::queueAnswers({true, false});
        p.host->Command2->click();
        QVERIFY(wait([&] { return TestKit::boxTexts().size() == 4; }));
        QVERIFY(wait([&] { return inNewGame(p); }));
        QVERIFY(held);
        QStringList boxes = TestKit::boxTexts();
        boxes.sort();
        QStringList expected = {question(66), question(66), accepted(66), "再戦は許可されませんでした。"};
        expected.sort();
        QCOMPARE(boxes, expected);
        clickCell(p.host, 19);
        QVERIFY(wait([&] { return p.client->moveCount == 1 && idle(p.client); }));
        QVERIFY(sameBoards(p.host, p.client));
    }

    // The answering side alone: the peer asks twice, the first question is
    // still open when the second arrives; Yes then No still starts the game.
    void askedTwiceYesThenNo()
    {
        auto r = finishedRaw();
        QVERIFY(r);
        bool held = false;
        TestKit::setBoxHook([&](const QString &) {
            if (held)
                return;
            r->send("66");
            held = heldBack(r->w);
        });
        TestKit::queueAnswers({true, false});
        r->send("66");
        QVERIFY(r->expect("66-66"));
        QVERIFY(held);
        QVERIFY(wait([&] { return r->w->Label1->text() == "黒 番"; }));
        QCOMPARE(r->w->moveCount, 0);
    }

    // Pressed twice and accepted twice: until the second answer is in, the
    // first new game is not played on, since the second one replaces it.
    void rematchAcceptedTwice()
    {
        auto r = finishedRaw();
        QVERIFY(r);
        r->w->Command2->click();
        r->w->Command2->click();
        QVERIFY(r->expect("6666"));
        r->send("66");
        QVERIFY(wait([] { return TestKit::boxTexts().size() == 1; }));
        r->send("19");
        QVERIFY(wait([&] { return r->w->Board[2][3] == 1; }));
        clickCell(r->w, 18);  // the board stays locked
        r->send("66");
        QVERIFY(wait([&] { return TestKit::boxTexts().size() == 2; }));
        QVERIFY(wait([&] { return r->w->moveCount == 0; }));
        QVERIFY(r->got.isEmpty());
        r->send("19");
        QVERIFY(wait([&] { return r->w->Board[2][3] == 1; }));
        clickCell(r->w, 18);
        QVERIFY(r->expect("18"));
    }

    // Crossing requests: this side asked for a rematch, the peer asks to
    // quit; the peer's acceptance of the rematch arrives while the quit
    // question is open. The Yes to quit ends the program all the same.
    void crossingRequestsYesToQuitEnds()
    {
        auto r = finishedRaw();
        QVERIFY(r);
        r->w->Command2->click();
        QVERIFY(r->expect("66"));
        bool held = false;
        TestKit::setBoxHook([&](const QString &text) {
            if (text != question(67))
                return;
            r->send("66");
            held = heldBack(r->w);
        });
        TestKit::queueAnswers({true});
        r->send("67");
        QVERIFY(r->expect("67"));
        QVERIFY(wait([] { return TestKit::endCount() == 1; }));
        QVERIFY(held);
        QCOMPARE(TestKit::boxTexts(), QStringList{question(67)});
    }

    // Characters where JIS and the Windows code page differ leave as the
    // Windows codes; both lists show what the Windows peer reads.
    void chatLookalikes()
    {
        auto r = openRaw();
        QVERIFY(r);
        const QString jis = QString::fromUtf16(u"\u301C\u2212\u2016\u00A2\u00A3\u00AC\u2014");
        const QString windows = QString::fromUtf16(u"\uFF5E\uFF0D\u2225\uFFE0\uFFE1\uFFE2\u2015");
        r->w->Text1->setText(jis + windows);
        QTest::keyClick(r->w->Text1, Qt::Key_Return);
        const QByteArray codes("\x81\x60\x81\x7C\x81\x61\x81\x91\x81\x92\x81\xCA\x81\x5C");
        QVERIFY(r->expect(" Guest>" + codes + codes));
        QCOMPARE(chatLines(), QStringList{"Guest>" + windows + windows});
        r->send(" Host>\x81\x60\x81\x7C");
        QVERIFY(wait([] { return chatLines().size() == 2; }));
        QCOMPARE(chatLines().last(), "Host>" + windows.left(2));
    }

    // A double click: both requests may come in one read, and both count.
    void rematchDoubleClicked()
    {
        Pair p = finishedPair();
        QVERIFY(p.ok());
        TestKit::queueAnswers({true, true});
        p.host->Command2->click();
        p.host->Command2->click();
        QVERIFY(wait([&] { return TestKit::boxTexts().size() == 4; }));
        QVERIFY(wait([&] { return inNewGame(p); }));
        QVERIFY(!p.host->agreement().awaitingAnswers());
        QCOMPARE(TestKit::boxTexts().count(question(66)), 2);
    }

    // Either side ends only once the agreement has gone over the wire.
    void quitAccepted()
    {
        auto r = finishedRaw();
        QVERIFY(r);
        TestKit::queueAnswers({true}), r->send("67");  // asked: "67" goes out, then the program ends
        QVERIFY(r->expect("67") && wait([] { return TestKit::endCount() == 1; }));
        TestKit::reset();
        QVERIFY((r = finishedRaw()));
        r->w->Command4->click();  // asking: it ends once the acceptance is in and shown
        QVERIFY(r->expect("67") && TestKit::endCount() == 0);
        r->send("67");
        QVERIFY(wait([] { return TestKit::endCount() == 1; }));
        QCOMPARE(TestKit::boxTexts(), QStringList({accepted(67)}));
    }

    void lostConnection_data()
    {
        QTest::addColumn<int>("phase");
        int phase = 0;
        for (const char *name : {"waiting for the move", "game over", "question open, No", "question open, Yes", "the peer forced the end"})
            QTest::newRow(name) << phase++;
    }
    // Told once, back to the menu; the close after a forced end is expected.
    void lostConnection()
    {
        QFETCH(int, phase);
        auto r = phase == 1 ? finishedRaw() : openRaw();
        QVERIFY(r);
        TestKit::clearBoxes();
        bool held = false;  // the peer's program vanishes while the question is open: handled after it
        TestKit::setBoxHook([&](const QString &text) { held = held || (text == question(66) && (r->s->abort(), heldBack(r->w))); });
        TestKit::queueAnswers({phase == 3});
        phase < 2 ? r->s->abort() : phase < 4 ? r->send("66") : (r->send("68"), r->s->disconnectFromHost());
        QVERIFY(wait(menuShown) && held == (phase == 2 || phase == 3));
        QTest::qWait(50);
        const QString notice = phase == 4 ? "あいてが強制的に終了しました" : "あいてとの接続が切れました。";
        QCOMPARE(TestKit::boxTexts(), phase == 2 || phase == 3 ? QStringList({question(66), notice}) : QStringList({notice}));
        QVERIFY(!r->w && gone() && TestKit::endCount() == 0);
    }
};

QTEST_MAIN(TestNetMatch)
#include "tst_netmatch.moc"
