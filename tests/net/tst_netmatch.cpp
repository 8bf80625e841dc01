// Host and client windows over real sockets on 127.0.0.1: connecting,
// whole games, the exact bytes on the wire and what a peer may send.
#include <QtTest>
#include <sys/socket.h>
#include <netinet/in.h>
#include <unistd.h>

#include "tests/net/netkit.h"

using namespace NetKit;

namespace {
QList<int> parseMoves(const char *csv)
{
    QList<int> out;
    for (const QByteArray &s : QByteArray(csv).split(','))
        out << s.toInt();
    return out;
}

int g_ignoredReports = 0;
QtMessageHandler g_previousHandler = nullptr;
void countingHandler(QtMsgType type, const QMessageLogContext &ctx, const QString &msg)
{
    if (msg.startsWith(QLatin1String("kobanto: ignored")))
        ++g_ignoredReports;
    g_previousHandler(type, ctx, msg);
}

bool isColored(QLabel *label, const QColor &background)
{
    return label->palette().color(QPalette::Window) == background;
}
}  // namespace

class TestNetMatch : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { NetKit::init(); }
    void cleanup() { TestKit::reset(); }

    void connectingUnlocksOnlyTheHost()
    {
        Pair p = openPair();
        QVERIFY(p.ok());
        QCOMPARE(TestKit::boxTexts(), QStringList({QStringLiteral("Connect完了"), QStringLiteral("Connect完了")}));
        QCOMPARE(p.host->Label2->text(), QStringLiteral("あなたの手番です"));
        QCOMPARE(p.client->Label2->text(), QStringLiteral("あいての手番です"));
        QVERIFY(p.host->Image1[19]->isEnabled() && p.host->Command1->isEnabled() && p.host->Command3->isEnabled());
        QVERIFY(!p.client->Image1[19]->isEnabled() && !p.client->Command1->isEnabled() && !p.client->Command3->isEnabled());
        QVERIFY(!p.host->Command7->isEnabled() && !p.client->Command7->isEnabled());
        QVERIFY(p.host->Text1->isEnabled() && p.client->Text1->isEnabled());
        QVERIFY(!p.host->Timer1->isActive());
        QVERIFY(chat() && chat()->isVisible());
        QVERIFY(p.host->Winsock1->lowDelay() && p.client->Winsock1->lowDelay());

        // The host took its one client and stopped listening.
        QTcpSocket second;
        second.connectToHost(QHostAddress::LocalHost, p.port);
        QVERIFY(wait([&] { return second.error() == QAbstractSocket::ConnectionRefusedError; }));
    }

    void beforeTheConnectionNothingCanBePlayed()
    {
        quint16 port = 0;
        form5 *h = openHost(port);
        QVERIFY(h);
        QCOMPARE(h->Label2->text(), QStringLiteral("CONNECT待機中"));
        QVERIFY(h->Timer1->isActive());
        QCOMPARE(h->Timer1->interval(), 60000);
        QVERIFY(!h->Image1[19]->isEnabled() && !h->Command1->isEnabled() && !h->Command3->isEnabled());
        QVERIFY(!h->Text1->isEnabled());
        clickCell(h, 19);
        QCOMPARE(h->Board[2][3], qint16(0));
    }

    void wholeGames_data()
    {
        QTest::addColumn<QString>("moves");
        QTest::addColumn<QString>("hostResult");
        QTest::addColumn<QString>("clientResult");
        QTest::addColumn<QColor>("resultBackground");
        QTest::newRow("60 moves, black wins 35-29")
            << QString("19,20,29,18,10,11,43,45,44,38,30,1,26,37,12,42,47,39,51,21,13,52,41,55,61,58,17,5,60,25,22,4,"
                       "31,40,33,32,3,59,24,54,48,8,6,15,63,49,53,9,57,62,0,34,14,46,16,23,7,2,50,56")
            << QStringLiteral("見 事 あ な た の 勝 利") << QStringLiteral("残 念 あ い て の 勝 利") << QColor(0, 0, 0);
        QTest::newRow("passes on the way, white wins 26-38")
            << QString("19,18,17,20,21,34,45,14,33,42,29,32,7,37,43,52,51,44,59,26,50,49,56,41,24,61,30,25,60,16,48,"
                       "38,62,10,31,22,8,23,2,3,11,4,5,53,40,47,12,57,54,58,39,46,15,55,63,6,9,13,-1,0,-1,1")
            << QStringLiteral("残 念 あ い て の 勝 利") << QStringLiteral("見 事 あ な た の 勝 利")
            << QColor(255, 255, 255);
        QTest::newRow("32-32 draw")
            << QString("19,34,45,20,21,54,42,13,44,18,33,37,38,46,30,22,12,29,17,16,15,23,63,52,43,5,9,49,51,59,25,7,"
                       "4,2,10,32,0,1,24,11,39,41,53,47,55,3,8,62,61,60,48,26,58,40,50,56,31,57,6,14")
            << QStringLiteral("こ の 勝 負 引 き 分 け") << QStringLiteral("こ の 勝 負 引 き 分 け")
            << QColor(192, 192, 192);
        QTest::newRow("two passes end it, black wins 13-0")
            << QString("19,18,37,29,21,11,3,20,17,-1,-1") << QStringLiteral("見 事 あ な た の 勝 利")
            << QStringLiteral("残 念 あ い て の 勝 利") << QColor(0, 0, 0);
    }

    void wholeGames()
    {
        QFETCH(QString, moves);
        QFETCH(QString, hostResult);
        QFETCH(QString, clientResult);
        QFETCH(QColor, resultBackground);
        Pair p = openPair();
        QVERIFY(p.ok());
        int played = 0;
        for (int m : parseMoves(moves.toLatin1().constData())) {
            NetMatchWindow *mover = p.host->turnColor == 1 ? static_cast<NetMatchWindow *>(p.host)
                                                           : static_cast<NetMatchWindow *>(p.client);
            NetMatchWindow *other = mover == p.host ? static_cast<NetMatchWindow *>(p.client)
                                                    : static_cast<NetMatchWindow *>(p.host);
            QVERIFY2(!other->Image1[m < 0 ? 0 : m]->isEnabled() && !other->Command1->isEnabled(),
                     "the side not to move is locked");
            if (m < 0) {
                QVERIFY(mover->Command1->isEnabled());
                mover->Command1->click();
            } else {
                clickCell(mover, m);
                ++played;
            }
            QVERIFY2(wait([&] { return sameBoards(p.host, p.client) && other->waitingEvents() == 0; }),
                     qPrintable(QStringLiteral("boards differ after %1").arg(m)));
            if (m >= 0 && other->moveCount < 60) {
                const QString mark = mover->ownColor() == 1 ? QStringLiteral("akakuro.ico") : QStringLiteral("akasiro.ico");
                QVERIFY(other->Image1[m]->pictureFile().endsWith(mark));
            }
            if (m < 0 && other->Label1->text() != QStringLiteral("終 局"))
                QCOMPARE(other->Label2->text(), QStringLiteral("あいてはパスしました。"));
        }
        QVERIFY(TestKit::boxTexts().size() == 2);  // the two "Connect完了", nothing else
        for (NetMatchWindow *w : {static_cast<NetMatchWindow *>(p.host), static_cast<NetMatchWindow *>(p.client)}) {
            QCOMPARE(w->Label1->text(), QStringLiteral("終 局"));
            QVERIFY(w->Command2->isVisible() && w->Command4->isVisible() && w->Command7->isEnabled());
            QVERIFY(!w->Command1->isVisible() && !w->Command3->isVisible());
            QVERIFY(!w->Image1[0]->isEnabled());
            QCOMPARE(w->MMControl1->playCount(), played);
            QVERIFY(isColored(w->Label2, resultBackground));
        }
        QCOMPARE(p.host->Label2->text(), hostResult);
        QCOMPARE(p.client->Label2->text(), clientResult);
    }

    void resignationEachWay()
    {
        {
            Pair p = openPair();
            QVERIFY(p.ok());
            p.host->Command3->click();
            QVERIFY(wait([&] { return p.client->Label1->text() == QStringLiteral("投 了"); }));
            QCOMPARE(TestKit::boxTexts().last(), QStringLiteral("あいては投了しました。"));
            QCOMPARE(p.host->Label2->text(), QStringLiteral("あ い て の 勝 利 で す"));
            QCOMPARE(p.client->Label2->text(), QStringLiteral("あ な た の 勝 利 で す"));
            QVERIFY(isColored(p.host->Label2, Rgb::white()) && isColored(p.client->Label2, Rgb::white()));
            QCOMPARE(p.host->Label1->text(), QStringLiteral("投 了"));
            QVERIFY(p.client->Command7->isEnabled() && p.host->Command7->isEnabled());
        }
        TestKit::reset();
        {
            Pair p = openPair();
            QVERIFY(p.ok());
            clickCell(p.host, 19);
            QVERIFY(wait([&] { return p.client->Command3->isEnabled(); }));
            p.client->Command3->click();
            QVERIFY(wait([&] { return p.host->Label1->text() == QStringLiteral("投 了"); }));
            QCOMPARE(p.host->Label2->text(), QStringLiteral("あ な た の 勝 利 で す"));
            QCOMPARE(p.client->Label2->text(), QStringLiteral("あ い て の 勝 利 で す"));
            QVERIFY(isColored(p.host->Label2, Rgb::black()) && isColored(p.client->Label2, Rgb::black()));
        }
    }

    void hostSendsExactBytes()
    {
        HostWithRawClient r = openHostWithRawClient();
        QVERIFY(r.host && r.peer);
        clickCell(r.host, 19);
        QVERIFY(r.peer->expect("19"));  // no greeting before the first move
        QVERIFY(!r.host->Image1[20]->isEnabled());
        QCOMPARE(r.host->Label2->text(), QStringLiteral("あいての手番です"));
        r.peer->send("20");
        QVERIFY(wait([&] { return r.host->Board[2][4] == -1; }));
        QCOMPARE(r.host->Label2->text(), QStringLiteral("あなたの手番です"));
        QCOMPARE(r.host->Label1->text(), QStringLiteral("黒 番"));
        QVERIFY(r.host->Image1[29]->isEnabled());

        // A position where black cannot move: the pass goes out as "-1".
        for (auto &row : r.host->Board)
            for (auto &cell : row)
                cell = 0;
        r.host->Board[0][0] = -1;
        r.host->Board[7][7] = 1;
        r.host->Command1->click();
        QVERIFY(r.peer->expect("-1"));
        QCOMPARE(r.host->Label2->text(), QStringLiteral("あいての手番です"));
        QVERIFY(!r.host->Command1->isEnabled());
        r.peer->send("-1");
        QVERIFY(wait([&] { return r.host->Label1->text() == QStringLiteral("終 局"); }));
        QCOMPARE(r.peer->received, QByteArray());
    }

    void clientSendsExactBytes()
    {
        ClientWithRawHost r = openClientWithRawHost();
        QVERIFY(r.client && r.peer);
        r.peer->send("19");
        QVERIFY(wait([&] { return r.client->Board[2][3] == 1; }));
        QCOMPARE(r.client->Label1->text(), QStringLiteral("白 番"));
        QCOMPARE(r.client->Label2->text(), QStringLiteral("あなたの手番です"));
        clickCell(r.client, 18);
        QVERIFY(r.peer->expect("18"));
        QCOMPARE(r.client->Label1->text(), QStringLiteral("黒 番"));
        r.peer->send("17");
        QVERIFY(wait([&] { return r.client->Command3->isEnabled(); }));
        r.client->Command3->click();
        QVERIFY(r.peer->expect("64"));
        QCOMPARE(r.client->Label2->text(), QStringLiteral("あ い て の 勝 利 で す"));
    }

    void whatAPeerMaySend()
    {
        g_ignoredReports = 0;
        g_previousHandler = qInstallMessageHandler(countingHandler);
        HostWithRawClient r = openHostWithRawClient();
        QVERIFY(r.host && r.peer);
        form5 *h = r.host;
        clickCell(h, 19);
        QVERIFY(r.peer->expect("19"));
        TestKit::clearBoxes();

        // Junk of every sort: nothing on the board moves, no box opens.
        const QList<QByteArray> junk = {"abc", "99", "-2", "70", "-68", "32768", "--1", "1.5", QByteArray("\0", 1),
                                        "0x10", "+5", QByteArray(100 * 1024, 'x')};
        qint16 before[8][8];
        std::memcpy(before, h->Board, sizeof before);
        for (const QByteArray &j : junk) {
            r.peer->send(j);
            QTest::qWait(5);
        }
        r.peer->send(" Guest>still here");
        QVERIFY(wait([&] { return chatLines().contains(QStringLiteral("Guest>still here")); }));
        QVERIFY(std::memcmp(before, h->Board, sizeof before) == 0);
        QCOMPARE(h->turnColor, qint16(-1));
        QVERIFY(h->ignoredMessages() >= 10);
        QVERIFY(TestKit::boxTexts().isEmpty());
        QCOMPARE(g_ignoredReports, 1);

        // A move for an occupied cell, or one that closes nothing: refused
        // as a click would be; the board stays locked.
        r.peer->send("27");
        QVERIFY(wait([&] { return TestKit::boxTexts().size() == 1; }));
        r.peer->send("0");
        QVERIFY(wait([&] { return TestKit::boxTexts().size() == 2; }));
        QCOMPARE(TestKit::boxTexts(), QStringList({QStringLiteral("そこには打てません"), QStringLiteral("そこには打てません")}));
        QVERIFY(std::memcmp(before, h->Board, sizeof before) == 0);
        QVERIFY(!h->Image1[0]->isEnabled());

        // A move merged with the chat line sent right after it: both count.
        r.peer->send("20 Guest>your turn");
        QVERIFY(wait([&] { return chatLines().contains(QStringLiteral("Guest>your turn")); }));
        QCOMPARE(h->Board[2][4], qint16(-1));
        QCOMPARE(h->turnColor, qint16(1));

        // Out of turn: the peer cannot move, pass or resign for this side.
        for (const QByteArray &m : {QByteArray("21"), QByteArray("-1"), QByteArray("64")}) {
            r.peer->send(m);
            QTest::qWait(5);
        }
        r.peer->send(" Guest>sorry");
        QVERIFY(wait([&] { return chatLines().contains(QStringLiteral("Guest>sorry")); }));
        QCOMPARE(h->Board[2][5], qint16(0));
        QCOMPARE(h->turnColor, qint16(1));
        QCOMPARE(h->Label1->text(), QStringLiteral("黒 番"));

        // A line written in two pieces that arrive together is one line;
        // bytes that are not code page 932 show as replacement characters.
        r.peer->send(" Guest>hel");
        r.peer->send("lo");
        QVERIFY(wait([&] { return chatLines().size() >= 4; }));
        QCOMPARE(chatLines().at(3), QStringLiteral("Guest>hello"));
        r.peer->send(QByteArray(" Guest>\xff\x81", 9));
        QVERIFY(wait([&] { return chatLines().size() >= 5; }));
        QVERIFY(chatLines().at(4).startsWith(QStringLiteral("Guest>")));
        QVERIFY(chatLines().at(4).contains(QChar::ReplacementCharacter));
        QCOMPARE(g_ignoredReports, 1);
        qInstallMessageHandler(g_previousHandler);
    }

    void randomBytesNeverBreakTheWindow()
    {
        // Near misses of every message kind and plain noise, from a fixed
        // seed; whatever is handled, the board stays a board.
        QRandomGenerator rng(20240607);
        static const char chars[] = "0123456789--  6>x\x81\x82\xa0\xff\x00";
        const QByteArray alphabet(chars, sizeof chars - 1);
        for (bool asHost : {true, false}) {
            QPointer<NetMatchWindow> w;
            std::unique_ptr<RawPeer> peer;
            HostWithRawClient h;
            ClientWithRawHost c;
            if (asHost) {
                h = openHostWithRawClient();
                w = h.host.data();
                peer = std::move(h.peer);
            } else {
                c = openClientWithRawHost();
                w = c.client.data();
                peer = std::move(c.peer);
            }
            QVERIFY(w && peer);
            if (asHost) {
                clickCell(w, 19);
                QVERIFY(peer->expect("19"));
            }
            for (int i = 0; i < 300 && w && !w->isUnloaded(); ++i) {
                QByteArray msg;
                const int len = 1 + rng.bounded(6);
                for (int k = 0; k < len; ++k)
                    msg += alphabet.at(rng.bounded(alphabet.size()));
                // A forced end would only end the run early.
                if (Protocol::classify(Protocol::decode(msg)).kind == Protocol::Kind::ForcedEnd)
                    continue;
                peer->send(msg);
                // Mostly one read per send; now and then a few merged.
                if (i % 7 != 0)
                    QTest::qWait(0);
            }
            QTest::qWait(50);
            if (w && !w->isUnloaded()) {
                int discs = 0;
                for (auto &row : w->Board)
                    for (auto cell : row) {
                        QVERIFY(cell >= -1 && cell <= 1);
                        discs += cell != 0;
                    }
                QCOMPARE(discs, w->moveCount + 4);
            }
            TestKit::reset();
        }
    }

    void refusedConnectionRetriesElevenTimesThenAsks()
    {
        const quint16 port = freePort();
        QList<int> attemptsAtQuestion;
        QPointer<Form8> c;
        TestKit::setBoxHook([&](const QString &text) {
            if (text.startsWith(QStringLiteral("10回")) && c)
                attemptsAtQuestion << c->Winsock1->connectAttempts() << c->retryCount;
        });
        TestKit::queueAnswers({true, false});
        c = openClient(port);
        QVERIFY(c);
        QCOMPARE(c->Label2->text(), QStringLiteral("CONNECT待機中"));
        QVERIFY(wait([&] { return menuShown(); }));
        QCOMPARE(attemptsAtQuestion, QList<int>({11, 0, 22, 0}));
        QCOMPARE(TestKit::boxTexts(), QStringList({QStringLiteral("10回接続要求を失敗しました。繰り返しますか？。"),
                                                   QStringLiteral("10回接続要求を失敗しました。繰り返しますか？。"),
                                                   QStringLiteral("接続要求をキャンセルしました。")}));
        TestKit::settle();
        QVERIFY(!c);
    }

    void otherConnectFailuresReturnToTheMenu()
    {
        // Nobody answers: a listener with a full queue.
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        const quint16 port = freePort();
        addr.sin_port = htons(port);
        QVERIFY(::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0);
        QVERIFY(::listen(fd, 0) == 0);
        std::vector<std::unique_ptr<QTcpSocket>> fillers;
        for (int i = 0; i < 3; ++i) {
            fillers.push_back(std::make_unique<QTcpSocket>());
            fillers.back()->connectToHost(QHostAddress::LocalHost, port);
        }
        QTest::qWait(100);
        Winsock::setDefaultConnectTimeout(300);
        QPointer<Form8> c = openClient(port);
        QVERIFY(wait([&] { return menuShown(); }));
        Winsock::setDefaultConnectTimeout(3000);
        QCOMPARE(TestKit::boxTexts(), QStringList({QStringLiteral("サーバに接続できませんでした。")}));
        TestKit::settle();
        QVERIFY(!c);
        ::close(fd);
        TestKit::reset();

        // A name that does not resolve.
        c = openClient(freePort(), QStringLiteral("Guest"), QString());
        QVERIFY(wait([&] { return menuShown(); }));
        QCOMPARE(TestKit::boxTexts(), QStringList({QStringLiteral("サーバに接続できませんでした。")}));
    }

    void busyPortCannotBeOpened()
    {
        QTcpServer busy;
        quint16 port = 0;
        for (int i = 0; i < 20 && !busy.isListening(); ++i)
            busy.listen(QHostAddress::Any, port = freePort());
        Module1::setserverdata(QStringLiteral("Host"), static_cast<qint16>(port));
        QPointer<KWindow> h = Module1::show(FormId::form5);
        QVERIFY(wait([&] { return menuShown(); }));
        QCOMPARE(TestKit::boxTexts(), QStringList({QStringLiteral("ポートを開けませんでした。")}));
        QVERIFY(!Module1::loaded(FormId::form5));
    }

    void theMinuteQuestion()
    {
        quint16 port = 0;
        QPointer<form5> h = openHost(port);
        QVERIFY(h);
        bool timerStoppedWhileAsking = false;
        TestKit::setBoxHook([&](const QString &) { timerStoppedWhileAsking = !h->Timer1->isActive(); });
        TestKit::queueAnswers({true});
        h->Timer1_Timer();
        QCOMPARE(TestKit::boxTexts(), QStringList({QStringLiteral("接続待機時間が1分間を越えました。待機しますか？。")}));
        QVERIFY(timerStoppedWhileAsking);
        QVERIFY(h->Timer1->isActive());
        QCOMPARE(h->Winsock1->state(), Winsock::State::Listening);

        // A client knocking while the question is open is let in after it.
        std::unique_ptr<RawPeer> peer;
        TestKit::setBoxHook([&](const QString &text) {
            if (!text.startsWith(QStringLiteral("接続待機時間")))
                return;
            peer = RawPeer::connectTo(port);
            wait([&] { return h->waitingEvents() > 0; }, 2000);
            QCOMPARE(h->connected, qint16(0));
        });
        TestKit::queueAnswers({true});
        h->Timer1_Timer();
        QVERIFY(wait([&] { return h->connected == 1; }));
        QVERIFY(!h->Timer1->isActive());
        TestKit::reset();

        // No: back to the menu, and the port is free again.
        h = openHost(port);
        QVERIFY(h);
        h->Timer1_Timer();
        QCOMPARE(TestKit::boxTexts(), QStringList({QStringLiteral("接続待機時間が1分間を越えました。待機しますか？。"),
                                                   QStringLiteral("接続待機をキャンセルしました。")}));
        QVERIFY(menuShown());
        TestKit::settle();
        QVERIFY(!h);
        QVERIFY(portFree(port));
    }
};

QTEST_MAIN(TestNetMatch)
#include "tst_netmatch.moc"
