// Host and client windows over real sockets on 127.0.0.1: whole games, the
// bytes on the wire, what a peer may send, chat, connecting, the agreements,
// and a lost connection.
#include <QtTest>

#include "tests/net/netkit.h"
#include "windowbase/announcer.h"

using namespace NetKit;

namespace {
QString word(int code) { return QStringList{"モード選択", "再戦", "終了"}.at(code - 65); }
QString question(int code) { return "相手は" + word(code) + "を希望しました。許可しますか?。"; }
QString accepted(int code) { return "相手は" + word(code) + "を許可しました。"; }
QString refused(int code) { return word(code) + "は許可されませんでした。"; }
const QString drift = "あいてとの進行がずれたようです。「再 戦」でやり直せます";
QPushButton *button(NetMatchWindow *w, int code) { return QList{w->Command7, w->Command2, w->Command4}.at(code - 65); }
bool gone() { return !Module1::loaded(FormId::form5) && !Module1::loaded(FormId::Form8) && !chat(); }
// Sends each read once the one before has been handled (ignored or refused):
// the wire has no delimiter, so reads sent back to back could merge.
void sendEach(Raw &r, const QList<QByteArray> &reads)
{
    const auto handled = [&] { return r.w ? ignored(r.w) + int(TestKit::boxTexts().size()) : -1; };
    for (const QByteArray &b : reads) {
        const int before = handled();
        r.send(b);
        wait([&] { return handled() > before; });
        for (int last = -1; last != handled(); QTest::qWait(50))  // a long read may come in pieces
            last = handled();
    }
}
}  // namespace

class TestNetMatch : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { NetKit::init(); }
    void cleanup() { TestKit::reset(); }

    void scriptedGames_data()
    {
        QTest::addColumn<QString>("moves");  // cells, -1 a pass, R: the side to move resigns
        QTest::addColumn<QString>("hostResult");
        QTest::addColumn<QString>("clientResult");
        QTest::addColumn<QColor>("background");
        const QString win = "見 事 あ な た の 勝 利", lose = "残 念 あ い て の 勝 利";
        const QString won = "あ な た の 勝 利 で す", lost = "あ い て の 勝 利 で す";
        QTest::newRow("two passes end it, black 13-0")
            << "19,18,37,29,21,11,3,20,17,-1,-1" << win << lose << QColor(Qt::black);
        QTest::newRow("host resigns") << "R" << lost << won << QColor(Qt::white);
        QTest::newRow("client resigns") << "19,R" << won << lost << QColor(Qt::black);
    }
    // Both boards equal after every message; each side's own result.
    void scriptedGames()
    {
        QFETCH(QString, moves);
        QFETCH(QString, hostResult);
        QFETCH(QString, clientResult);
        QFETCH(QColor, background);
        Pair p = openPair();
        QVERIFY(p.ok());
        QVERIFY2(chat()->isVisible(), "chat shown");
        QCOMPARE(p.client->Label2->text(), "あいての手番です");
        QTcpSocket second;  // the host took its one client and stopped listening
        second.connectToHost(QHostAddress::LocalHost, p.port);
        QVERIFY(wait([&] { return second.error() == QAbstractSocket::ConnectionRefusedError; }));
        for (const QString &m : moves.split(',')) {
            NetMatchWindow *mover = p.side(p.host->board().turnColor() == 1),
                           *other = p.side(p.host->board().turnColor() != 1);
            QVERIFY2(!other->Image1[19]->isEnabled(), "the waiting side cannot play");
            QVERIFY2(!other->Command1->isEnabled(), "nor pass");
            QVERIFY2(!other->Command3->isEnabled(), "nor resign");
            if (m == "R" || m == "-1")
                (m == "R" ? mover->Command3 : mover->Command1)->click();
            else
                clickCell(mover, m.toInt());
            const QString unmet =
                waitAll({{"the same board", [&] { return p.host->board() == p.client->board(); }},
                         {"the same status", [&] { return p.host->Label1->text() == p.client->Label1->text(); }},
                         {"nothing waiting", [&] { return waiting(other) == 0; }}});
            QVERIFY2(unmet.isEmpty(), qPrintable(unmet + " after " + m));
            if (m == "-1" && other->Label1->text() != "終 局")
                QCOMPARE(other->Label2->text(), "あいてはパスしました。");
        }
        const bool resigned = moves.endsWith('R');
        const QStringList told = resigned ? QStringList{"あいては投了しました。"} : QStringList();
        QCOMPARE(TestKit::boxTexts(), QStringList({"Connect完了", "Connect完了"}) + told);
        for (NetMatchWindow *w : {p.side(true), p.side(false)}) {
            QCOMPARE(w->Label1->text(), resigned ? "投 了" : "終 局");
            QVERIFY2(w->Command4->isVisible(), "quit shown");
            QVERIFY2(w->Command7->isEnabled(), "mode select usable");
            QCOMPARE(w->Label2->palette().color(QPalette::Window), background);
        }
        QCOMPARE(p.host->Label2->text(), hostResult);
        QCOMPARE(p.client->Label2->text(), clientResult);
    }

    // What the client sends, byte for byte, what a peer may send it, and what
    // the player hears: each move, pass and resignation as one utterance.
    void wireAndJunk()
    {
        auto r = openRaw(QStringLiteral("太郎"));
        QVERIFY(r);
        Form8 *c = r->w;
        QStringList heard;
        connect(Announcer::of(c), &Announcer::announced, c, [&](const QString &text) { heard << text; });
        QTest::keyClick(c->Text1, Qt::Key_Return);              // nothing typed: asked to, nothing sent
        c->Text1->setText(QStringLiteral("こんにちは\u301C"));  // goes out and is listed as Windows has it
        QTest::keyClick(c->Text1, Qt::Key_Return);
        QVERIFY(r->expect(" \x91\xbe\x98Y>\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd\x81\x60"));
        QCOMPARE(chatLines(), QStringList{"太郎>こんにちは\uFF5E"});
        r->send("19");
        QVERIFY(wait([&] { return heard.size() == 2; }));
        clickCell(c, 18);
        QVERIFY(r->expect("18"));
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression("kobanto: ignored"));
        QTest::failOnWarning(QRegularExpression("kobanto: ignored"));  // once per window
        // Junk, then an occupied cell and a cell that closes nothing: refused as a click would be.
        const Board before = c->board();
        sendEach(*r, {"abc", "99", "-2", "70", "-68", "32768", "1.5", "+5", QByteArray(100 * 1024, 'x'), "27", "0"});
        QVERIFY2(r->w, "the window stays");
        QCOMPARE(c->board(), before);
        QVERIFY(ignored(c) >= 9);
        QVERIFY(!c->Image1[0]->isEnabled());
        QCOMPARE(TestKit::boxTexts().mid(1),
                 QStringList({"文字を入力してください", "そこには打てません", "そこには打てません"}));
        // A pass merged with the chat line sent right after it: both count.
        r->send("-1 Guest>merged");
        QVERIFY(wait([&] { return chatLines().contains("Guest>merged"); }));
        QVERIFY(c->Image1[0]->isEnabled());
        // A line written in two pieces, in code page 932.
        r->send(" \x89\xd4\x8e\x71>\x82\xcd");
        r->send("\x82\xa2");
        QVERIFY(wait([&] { return chatLines().contains("花子>はい"); }));
        // A position where white cannot move: the pass goes out as "-1".
        TestAccess::setBoard(
            c, {"BB......", "........", "........", "........", "........", "........", "........", "......WW"}, -1);
        c->Command1->click();
        QVERIFY(r->expect("-1"));
        r->send("64");
        QVERIFY(wait([&] { return c->Label1->text() == "投 了"; }));
        QCOMPARE(r->got, QByteArray());
        QTRY_COMPARE(heard, QStringList({"送信しました", "あいては D3 に黒、黒 4 白 1、白番",
                                         "C3 に白、黒 3 白 3、黒番", "あいてはパス、Guest>merged、白番",
                                         "花子>はい、白はパス、黒番", "投了、黒 2 白 2、あなたの勝利です"}));
        // The host's acceptance and its first move of the new game, joined in one read: both count.
        c->Command2->click();
        QVERIFY(r->expect("66"));
        r->send("6626");
        QVERIFY(wait([&] { return cell(c, 26) == 1; }));
        QCOMPARE(TestKit::boxTexts().last(), accepted(66));
        QCOMPARE(c->Label2->text(), "あなたの手番です");
        // Out of turn the peer can neither move, pass nor resign for this
        // side: the game stops, told.
        const Board mine = c->board();
        sendEach(*r, {"20", "-1", "64"});
        QCOMPARE(c->board(), mine);
        QCOMPARE(c->Label2->text(), drift);
        QVERIFY2(!c->Command3->isVisible(), "play stops");
        QTRY_COMPARE(heard.last(), drift);
        // "再 戦" starts both afresh, and the new game is played and watched as the first was.
        c->Command2->click();
        QVERIFY(r->expect("66"));
        r->send("6619");
        QVERIFY(wait([&] { return cell(c, 19) == 1; }));
        QVERIFY(c->Image1[18]->isEnabled());
        // A rematch number during a game: told again, and "再 戦" answers it at once.
        r->send("66");
        QVERIFY(wait([&] { return c->Label2->text() == drift; }));
        c->Command2->click();
        QVERIFY(r->expect("66"));
        QVERIFY(wait([&] { return cell(c, 19) == 0; }));
    }

    void cannotStart_data()
    {
        QTest::addColumn<bool>("host");
        QTest::addColumn<QString>("address");  // of the server the client asks for
        QTest::addColumn<QStringList>("boxes");
        const QString again = "10回接続要求を失敗しました。繰り返しますか？。";
        QTest::newRow("host, port busy") << true << "" << QStringList{"ポートを開けませんでした。"};
        QTest::newRow("client, a name that does not resolve")
            << false << "kobanto.invalid" << QStringList{"サーバに接続できませんでした。"};
        const QStringList odd{"127.0.0.1" + QString(QChar(0)) + ".evil.example", "127.0.0\x01.1", "127.0.0.1 1"};
        for (int i = 0; i < odd.size(); ++i)  // a NUL, a control character, a blank inside
            QTest::addRow("client, impossible name %d", i)
                << false << odd[i] << QStringList{"サーバに接続できませんでした。"};
        QTest::newRow("client, nothing listening, Yes then No")
            << false << "127.0.0.1" << QStringList{again, again, "接続要求をキャンセルしました。"};
    }
    // Told, back to the menu; with nothing listening, 11 attempts before each question.
    void cannotStart()
    {
        QFETCH(bool, host);
        QFETCH(QString, address);
        QFETCH(QStringList, boxes);
        QTcpServer busy;
        const qint16 port = qint16(host ? listenFree(busy) : freePort());
        QList<int> attempts;
        std::unique_ptr<QSignalSpy> refused;  // each attempt nobody answers is one Error event
        TestKit::setBoxHook([&](const QString &t) {
            if (t.startsWith("10回"))
                attempts << int(refused->size());
        });
        TestKit::queueAnswers({true, false});
        Module1::setserverdata("Host", port);
        Module1::setclientdata("Guest", port, address);
        Module1::show(host ? FormId::form5 : FormId::Form8);
        if (!host)
            refused = std::make_unique<QSignalSpy>(Module1::form<Form8>(FormId::Form8)->Winsock1, &Winsock::Error);
        QVERIFY(wait(menuShown));
        QVERIFY(gone());
        QCOMPARE(TestKit::boxTexts(), boxes);
        QCOMPARE(attempts, boxes.size() == 3 ? QList<int>({11, 22}) : QList<int>());
    }

    // A waiting host: closing asks first; port scanners (one closes while
    // "Connect完了" is open, one sends a request, then closes) leave it
    // waiting on its port and address, saying so; the minute question stops
    // Timer1 while it is open, and No frees the port.
    void hostWaiting()
    {
        const quint16 port = freePort();
        Module1::setserverdata("Host", qint16(port));
        QPointer<form5> h = qobject_cast<form5 *>(Module1::show(FormId::form5));
        QVERIFY2(!h->close(), "closing asks first");
        const QString address = h->friendAddress();
        QTcpSocket quiet, http;
        bool held = false;  // the quiet one's close waits for the box
        TestKit::setBoxHook([&](const QString &shown) {
            if (shown != "Connect完了" || held)
                return;
            quiet.abort();
            wait([&] { return h && waiting(h) > 0; });
            QTest::qWait(20);
            held = h && waiting(h) > 0;
        });
        quiet.connectToHost(QHostAddress::LocalHost, port);
        const auto listening = [&] {
            return h && !h->net()->connected && h->Winsock1->state() == Winsock::State::Listening;
        };
        QVERIFY(wait([&] { return held; }));
        QVERIFY(wait(listening));
        http.connectToHost(QHostAddress::LocalHost, port);
        QVERIFY(wait([&] { return idle(h); }));
        http.write("GET / HTTP/1.1\r\nHost: kobanto\r\n\r\n");
        http.disconnectFromHost();
        QVERIFY(wait(listening));
        QCOMPARE(h->Label2->text(), "切断 CONNECT待機中");
        QCOMPARE(h->friendAddress(), address);
        QVERIFY(!chat());
        QList<bool> timerRan;
        TestKit::setBoxHook([&](const QString &) { timerRan << h->Timer1->isActive(); });
        TestKit::queueAnswers({true, false});
        h->Timer1_Timer();
        QVERIFY(h->Timer1->isActive());
        h->Timer1_Timer();
        const QString unmet = waitAll({{"at the menu", menuShown}, {"the port free", [&] { return portFree(port); }}});
        QVERIFY2(unmet.isEmpty(), qPrintable(unmet));
        QCOMPARE(timerRan, QList<bool>({false, false, false}));
        QCOMPARE(TestKit::boxTexts(),
                 QStringList({"終了しますか？", "Connect完了", "Connect完了",
                              "接続待機時間が1分間を越えました。待機しますか？。",
                              "接続待機時間が1分間を越えました。待機しますか？。", "接続待機をキャンセルしました。"}));
    }

    void agreements_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("hostAsks");
        QTest::addColumn<bool>("yes");
        for (int code : {65, 66, 67})
            for (bool hostAsks : {true, false})
                for (bool yes : {false, true})
                    QTest::addRow("%d %s %s", code, hostAsks ? "host asks" : "client asks", yes ? "Yes" : "No")
                        << code << hostAsks << yes;
    }
    // The boxes on both sides; a refusal leaves both where they were.
    void agreements()
    {
        QFETCH(int, code);
        QFETCH(bool, hostAsks);
        QFETCH(bool, yes);
        Pair p = openPair();
        QVERIFY(p.ok());
        p.host->Command3->click();  // the game over
        QVERIFY(wait([&] { return p.client->Label1->text() == "投 了"; }));
        TestKit::clearBoxes();
        NetMatchWindow *asker = p.side(hostAsks);
        TestKit::queueAnswers({yes});
        button(asker, code)->click();
        const bool ended = code == 67 && yes;  // an accepted end ends at once
        const QStringList told =
            QStringList{question(code), yes ? accepted(code) : refused(code)}.mid(0, ended ? 1 : 2);
        QVERIFY(wait([&] { return TestKit::boxTexts() == told; }));
        if (!yes) {
            QVERIFY2(wait([&] { return p.ok(); }), "still connected");
        } else if (code == 66) {  // a new game on both sides, the host opening
            const QString unmet =
                waitAll({{"still connected", [&] { return p.ok(); }},
                         {"the client shows black to move", [&] { return p.client->Label1->text() == "黒 番"; }}});
            QVERIFY2(unmet.isEmpty(), qPrintable(unmet));
            QVERIFY(p.host->Image1[19]->isEnabled());
            QVERIFY(!p.client->Image1[19]->isEnabled());
        } else if (code == 65) {  // both back at the menu, the port free; no lost connection
            const QString unmet = waitAll({{"both windows gone", gone}, {"at the menu", menuShown}});
            QVERIFY2(unmet.isEmpty(), qPrintable(unmet));
            QVERIFY(wait([&] { return portFree(p.port); }));
        } else {  // in one process the first end takes every window along
            QVERIFY(wait(gone));
        }
        QCOMPARE(TestKit::boxTexts(), told);
        QCOMPARE(TestKit::endCount(), ended ? 1 : 0);
    }

    // Closing while connected asks first: No sends nothing, Yes forces the
    // end ("68") and the program ends.
    void closingWhileConnected()
    {
        auto r = openRaw();
        QVERIFY(r);
        TestKit::clearBoxes();
        QVERIFY(!r->w->close());
        TestKit::queueAnswers({true});
        QVERIFY(!r->w->close());
        QVERIFY(r->expect("68"));
        QVERIFY(wait([] { return TestKit::endCount() == 1; }));
        QCOMPARE(r->got, QByteArray());
        const QString forced = "接続中です。強制的に終了しますか？";
        QCOMPARE(TestKit::boxTexts(), QStringList({forced, forced}));
    }

    // The chat list keeps only the newest lines.
    void chatListKeepsTheNewest()
    {
        auto *chat = qobject_cast<Form9 *>(Module1::show(FormId::Form9));
        for (int i = 1; i <= 5001; ++i)
            chat->addLine(QString::number(i));
        QCOMPARE(chat->List1->count(), 5000);
        QCOMPARE(chat->List1->item(0)->text(), "2");
    }

    // A vanished peer is told once, and both windows go back to the menu.
    void lostConnection()
    {
        auto r = openRaw();
        QVERIFY(r);
        TestKit::clearBoxes();
        r->s->abort();
        QVERIFY(wait(menuShown));
        QTest::qWait(50);
        QCOMPARE(TestKit::boxTexts(), QStringList({"あいてとの接続が切れました。"}));
        QVERIFY(gone());
        QCOMPARE(TestKit::endCount(), 0);
    }
};

QTEST_MAIN(TestNetMatch)
#include "tst_netmatch.moc"
