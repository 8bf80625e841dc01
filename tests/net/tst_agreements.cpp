// Rematch, quit and mode select agreed over the connection, the forced end,
// a lost connection, and socket events that arrive while a box is open.
#include <QtTest>

#include "tests/net/netkit.h"

using namespace NetKit;

namespace {
const QString rematchQuestion = QStringLiteral("相手は再戦を希望しました。許可しますか?。");
const QString quitQuestion = QStringLiteral("相手は終了を希望しました。許可しますか?。");
const QString modeQuestion = QStringLiteral("相手はモード選択を希望しました。許可しますか?。");
const QString lostNotice = QStringLiteral("あいてとの接続が切れました。");
const QString forcedQuestion = QStringLiteral("接続中です。強制的に終了しますか？");

// Both windows connected and their game over (the host resigned).
Pair finishedPair()
{
    Pair p = openPair();
    if (!p.ok())
        return p;
    p.host->Command3->click();
    wait([&] { return p.client->Label1->text() == QStringLiteral("投 了") && p.client->waitingEvents() == 0; });
    TestKit::clearBoxes();
    return p;
}

NetMatchWindow *side(const Pair &p, bool host)
{
    return host ? static_cast<NetMatchWindow *>(p.host) : static_cast<NetMatchWindow *>(p.client);
}

bool inNewGame(const Pair &p)
{
    return p.host && p.client && p.host->Label1->text() == QStringLiteral("黒 番")
           && p.client->Label1->text() == QStringLiteral("黒 番") && p.host->Image1[19]->isEnabled()
           && !p.client->Image1[19]->isEnabled() && p.host->waitingEvents() == 0 && p.client->waitingEvents() == 0;
}

// A host window connected to a raw client, its game over.
HostWithRawClient finishedHostWithRawClient()
{
    HostWithRawClient r = openHostWithRawClient();
    if (!r.host)
        return r;
    r.host->Command3->click();
    r.peer->expect("64");
    TestKit::clearBoxes();
    return r;
}
}  // namespace

class TestAgreements : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { NetKit::init(); }
    void cleanup() { TestKit::reset(); }

    void rematch_data()
    {
        QTest::addColumn<bool>("hostAsks");
        QTest::newRow("host asks") << true;
        QTest::newRow("client asks") << false;
    }
    void rematch()
    {
        QFETCH(bool, hostAsks);
        Pair p = finishedPair();
        QVERIFY(p.ok());
        NetMatchWindow *asker = side(p, hostAsks);
        NetMatchWindow *answerer = side(p, !hostAsks);

        // Refused: the asker is told, everything else stays.
        asker->Command2->click();
        QCOMPARE(asker->rematchRequested, qint16(1));
        QVERIFY(wait([&] { return TestKit::boxTexts().size() == 2; }));
        QCOMPARE(TestKit::boxTexts(), QStringList({rematchQuestion, QStringLiteral("再戦は許可されませんでした。")}));
        QCOMPARE(asker->rematchRequested, qint16(0));
        QCOMPARE(answerer->lastMessage, QStringLiteral("-66"));
        QCOMPARE(p.host->Label1->text(), QStringLiteral("投 了"));
        QVERIFY(asker->Command2->isVisible() && asker->Command2->isEnabled());

        // Accepted: a new game on both sides, the host opening.
        TestKit::clearBoxes();
        TestKit::queueAnswers({true});
        asker->Command2->click();
        QVERIFY(wait([&] { return inNewGame(p); }));
        QCOMPARE(TestKit::boxTexts(), QStringList({rematchQuestion, QStringLiteral("相手は再戦を許可しました。")}));
        for (NetMatchWindow *w : {asker, answerer}) {
            QCOMPARE(w->lastMessage, QStringLiteral("0"));
            QCOMPARE(w->rematchRequested, qint16(0));
            QCOMPARE(w->moveCount, qint16(0));
            QVERIFY(!w->Command7->isEnabled());
        }
        QCOMPARE(p.host->Label2->text(), QStringLiteral("あなたの手番です"));
        QCOMPARE(p.client->Label2->text(), QStringLiteral("あいての手番です"));
        clickCell(p.host, 19);
        QVERIFY(wait([&] { return p.client->Board[2][3] == 1; }));
    }

    void rematchAskedByBothAtOnce()
    {
        Pair p = finishedPair();
        QVERIFY(p.ok());
        p.host->Command2->click();
        p.client->Command2->click();
        QVERIFY(wait([&] { return inNewGame(p) && TestKit::boxTexts().size() == 2; }));
        QCOMPARE(TestKit::boxTexts(), QStringList({QStringLiteral("相手は再戦を許可しました。"),
                                                   QStringLiteral("相手は再戦を許可しました。")}));
    }

    void requestPressedTwice()
    {
        // The peer is asked twice; two refusals are two refusals, and
        // neither is taken for a request of the peer.
        Pair p = finishedPair();
        QVERIFY(p.ok());
        // Pressed again while the peer is still deciding about the first.
        bool pressedAgain = false;
        TestKit::setBoxHook([&](const QString &text) {
            // A person takes a moment to answer: the other side reads meanwhile.
            QTest::qWait(20);
            if (text != rematchQuestion || pressedAgain)
                return;
            pressedAgain = true;
            QCOMPARE(p.host->rematchRequested, qint16(1));
            p.host->Command2->click();
            wait([&] { return p.client->waitingEvents() > 0; }, 2000);
        });
        p.host->Command2->click();
        QVERIFY(wait([&] { return TestKit::boxTexts().size() == 4 && p.host->waitingEvents() == 0; }));
        QVERIFY(pressedAgain);
        QCOMPARE(TestKit::boxTexts().count(rematchQuestion), 2);
        QCOMPARE(TestKit::boxTexts().count(QStringLiteral("再戦は許可されませんでした。")), 2);
        QTest::qWait(50);
        QCOMPARE(TestKit::boxTexts().size(), 4);
        QCOMPARE(p.host->rematchRequested, qint16(0));
        QVERIFY(p.ok());
    }

    void pendingRequestLeavesTheButtonsUsable()
    {
        HostWithRawClient r = finishedHostWithRawClient();
        QVERIFY(r.host && r.peer);
        r.host->Command2->click();
        QVERIFY(r.peer->expect("66"));
        QVERIFY(r.host->Command2->isEnabled() && r.host->Command4->isEnabled() && r.host->Command7->isEnabled());
        r.host->Command2->click();
        QVERIFY(r.peer->expect("66"));
        // No answer ever comes; closing still works.
        TestKit::queueAnswers({true});
        QVERIFY(!r.host->close());
        QCOMPARE(TestKit::boxTexts(), QStringList({forcedQuestion}));
        QVERIFY(r.peer->expect("68"));
        QVERIFY(wait([] { return TestKit::endCount() == 1; }));
    }

    void modeSelect_data()
    {
        QTest::addColumn<bool>("hostAsks");
        QTest::newRow("host asks") << true;
        QTest::newRow("client asks") << false;
    }
    void modeSelect()
    {
        QFETCH(bool, hostAsks);
        Pair p = finishedPair();
        QVERIFY(p.ok());
        side(p, hostAsks)->Command7->click();
        QVERIFY(wait([&] { return TestKit::boxTexts().size() == 2; }));
        QCOMPARE(TestKit::boxTexts(), QStringList({modeQuestion, QStringLiteral("モード選択は許可されませんでした。")}));
        QVERIFY(p.ok() && !menuShown());

        TestKit::clearBoxes();
        TestKit::queueAnswers({true});
        side(p, hostAsks)->Command7->click();
        QVERIFY(wait([&] { return !Module1::loaded(FormId::form5) && !Module1::loaded(FormId::Form8); }));
        QVERIFY(menuShown());
        QVERIFY(!chat());
        TestKit::settle();
        QVERIFY(!p.host && !p.client);
        QTest::qWait(50);
        // An agreed leave is no lost connection.
        QCOMPARE(TestKit::boxTexts(), QStringList({modeQuestion, QStringLiteral("相手はモード選択を許可しました。")}));
        QCOMPARE(TestKit::endCount(), 0);
        QVERIFY(portFree(p.port));
    }

    void quitRefusedThenAccepted()
    {
        Pair p = finishedPair();
        QVERIFY(p.ok());
        p.client->Command4->click();
        QVERIFY(wait([&] { return TestKit::boxTexts().size() == 2; }));
        QCOMPARE(TestKit::boxTexts(), QStringList({quitQuestion, QStringLiteral("終了は許可されませんでした。")}));
        QCOMPARE(p.client->quitRequested, qint16(0));
        QCOMPARE(TestKit::endCount(), 0);

        // Both programs would end; in this one process the first end takes
        // every window with it.
        TestKit::queueAnswers({true});
        p.client->Command4->click();
        QVERIFY(wait([] { return TestKit::endCount() == 1; }));
        QVERIFY(!Module1::loaded(FormId::form5) && !Module1::loaded(FormId::Form8) && !chat());
    }

    void quitAcceptedEndsAfterTheSends()
    {
        // Answering Yes: the program ends once its "67" has been handed over.
        {
            HostWithRawClient r = finishedHostWithRawClient();
            QVERIFY(r.host && r.peer);
            TestKit::queueAnswers({true});
            r.peer->send("67");
            QVERIFY(wait([] { return TestKit::endCount() == 1; }));
            QCOMPARE(TestKit::boxTexts(), QStringList({quitQuestion}));
            QVERIFY(r.peer->expect("67"));
            QVERIFY(wait([&] { return r.peer->closedByPeer(); }));
        }
        TestKit::reset();
        // Asking: the program ends after the acceptance has been shown.
        {
            ClientWithRawHost r = openClientWithRawHost();
            QVERIFY(r.client && r.peer);
            r.peer->send("64");
            QVERIFY(wait([&] { return r.client->Command4->isVisible(); }));
            TestKit::clearBoxes();
            r.client->Command4->click();
            QVERIFY(r.peer->expect("67"));
            QCOMPARE(TestKit::endCount(), 0);
            r.peer->send("67");
            QVERIFY(wait([] { return TestKit::endCount() == 1; }));
            QCOMPARE(TestKit::boxTexts(), QStringList({QStringLiteral("相手は終了を許可しました。")}));
            QVERIFY(!Module1::loaded(FormId::Form8));
        }
    }

    void forcedEnd_data()
    {
        QTest::addColumn<bool>("hostCloses");
        QTest::newRow("host closes") << true;
        QTest::newRow("client closes") << false;
    }
    void forcedEnd()
    {
        QFETCH(bool, hostCloses);
        Pair p = openPair();
        QVERIFY(p.ok());
        NetMatchWindow *closer = side(p, hostCloses);
        TestKit::clearBoxes();
        // No: nothing is sent, the match goes on.
        QVERIFY(!closer->close());
        QCOMPARE(TestKit::boxTexts(), QStringList({forcedQuestion}));
        QVERIFY(p.ok());
        clickCell(p.host, 19);
        QVERIFY(wait([&] { return p.client->Board[2][3] == 1; }));
        QCOMPARE(p.client->ignoredMessages() + p.host->ignoredMessages(), 0);

        // Yes: "68" goes out and the program ends once it has.
        TestKit::queueAnswers({true});
        QVERIFY(!closer->close());
        QCOMPARE(closer->lastMessage, QStringLiteral("68"));
        QVERIFY(wait([] { return TestKit::endCount() == 1; }));
        QVERIFY(!Module1::loaded(FormId::form5) && !Module1::loaded(FormId::Form8));
    }

    void forcedEndOnTheWire()
    {
        {
            ClientWithRawHost r = openClientWithRawHost();
            QVERIFY(r.client && r.peer);
            TestKit::queueAnswers({true});
            QVERIFY(!r.client->close());
            QVERIFY(r.peer->expect("68"));
            QVERIFY(wait([] { return TestKit::endCount() == 1; }));
        }
        TestKit::reset();
        {
            // Received: told, back to the menu; the close that follows is expected.
            HostWithRawClient r = openHostWithRawClient();
            QVERIFY(r.host && r.peer);
            TestKit::clearBoxes();
            r.peer->send("68");
            r.peer->socket()->disconnectFromHost();
            QVERIFY(wait([] { return menuShown(); }));
            QTest::qWait(50);
            QCOMPARE(TestKit::boxTexts(), QStringList({QStringLiteral("あいてが強制的に終了しました")}));
            QVERIFY(!Module1::loaded(FormId::form5) && !chat());
            QCOMPARE(TestKit::endCount(), 0);
        }
    }

    void closingWhileNotConnected()
    {
        quint16 port = 0;
        form5 *h = openHost(port);
        QVERIFY(h);
        QVERIFY(!h->close());
        QCOMPARE(TestKit::boxTexts(), QStringList({QStringLiteral("終了しますか？")}));
        QVERIFY(Module1::loaded(FormId::form5));
        TestKit::queueAnswers({true});
        h->close();
        QCOMPARE(TestKit::endCount(), 1);
        QVERIFY(!Module1::loaded(FormId::form5));
    }

    void lostConnectionWhileWaitingForAMove()
    {
        ClientWithRawHost r = openClientWithRawHost();
        QVERIFY(r.client && r.peer);
        TestKit::clearBoxes();
        r.peer->close();
        QVERIFY(wait([] { return menuShown(); }));
        QCOMPARE(TestKit::boxTexts(), QStringList({lostNotice}));
        QVERIFY(!Module1::loaded(FormId::Form8) && !chat());
    }

    void lostConnectionAfterTheGame()
    {
        Pair p = finishedPair();
        QVERIFY(p.ok());
        // The host's program vanishes without a word.
        Module1::unload(FormId::form5);
        QVERIFY(wait([] { return !Module1::loaded(FormId::Form8); }));
        QCOMPARE(TestKit::boxTexts(), QStringList({lostNotice}));
        QVERIFY(menuShown());
    }

    void lostConnectionWhileAQuestionIsOpen_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::newRow("answered Yes") << true;
        QTest::newRow("answered No") << false;
    }
    void lostConnectionWhileAQuestionIsOpen()
    {
        QFETCH(bool, answer);
        HostWithRawClient r = finishedHostWithRawClient();
        QVERIFY(r.host && r.peer);
        QPointer<form5> h = r.host;
        bool heldBack = false;
        TestKit::setBoxHook([&](const QString &text) {
            if (text != rematchQuestion)
                return;
            r.peer->close();
            heldBack = wait([&] { return h && h->waitingEvents() > 0; }, 2000) && Module1::loaded(FormId::form5);
        });
        TestKit::queueAnswers({answer});
        r.peer->send("66");
        QVERIFY(wait([] { return menuShown(); }));
        QVERIFY(heldBack);
        QCOMPARE(TestKit::boxTexts(), QStringList({rematchQuestion, lostNotice}));
        QCOMPARE(TestKit::endCount(), 0);
    }

    void agreedLeaveWhosePeerVanishesIsCarriedOut()
    {
        // The peer asked for the menu and went before this side's Yes left.
        HostWithRawClient r = finishedHostWithRawClient();
        QVERIFY(r.host && r.peer);
        TestKit::setBoxHook([&](const QString &text) {
            if (text == modeQuestion) {
                r.peer->close();
                wait([&] { return r.host && r.host->waitingEvents() > 0; }, 2000);
            }
        });
        TestKit::queueAnswers({true});
        r.peer->send("65");
        QVERIFY(wait([] { return menuShown(); }));
        QTest::qWait(50);
        QCOMPARE(TestKit::boxTexts(), QStringList({modeQuestion}));
    }

    void messageArrivingWhileANoticeIsOpenWaitsForIt()
    {
        HostWithRawClient r = openHostWithRawClient();
        QVERIFY(r.host && r.peer);
        clickCell(r.host, 19);
        QVERIFY(r.peer->expect("19"));
        bool chatHeldBack = false;
        bool resultNotYetShown = false;
        TestKit::setBoxHook([&](const QString &text) {
            if (text != QStringLiteral("あいては投了しました。"))
                return;
            r.peer->send(" Guest>gg");
            chatHeldBack = wait([&] { return r.host->waitingEvents() > 0; }, 2000) && chatLines().isEmpty();
            resultNotYetShown = r.host->Label1->text() != QStringLiteral("投 了");
        });
        r.peer->send("64");
        QVERIFY(wait([] { return chatLines().size() == 1; }));
        QVERIFY(chatHeldBack);
        QVERIFY(resultNotYetShown);
        QCOMPARE(r.host->Label1->text(), QStringLiteral("投 了"));
        QCOMPARE(r.host->Label2->text(), QStringLiteral("あ な た の 勝 利 で す"));
        QCOMPARE(r.host->lastMessage, QStringLiteral("64"));
    }

    void answerArrivingWhileAQuestionIsOpen()
    {
        // This side asked for a rematch; the peer asks for the menu and, at
        // the same moment, accepts the rematch. Handled one after the other.
        HostWithRawClient r = finishedHostWithRawClient();
        QVERIFY(r.host && r.peer);
        r.host->Command2->click();
        QVERIFY(r.peer->expect("66"));
        TestKit::setBoxHook([&](const QString &text) {
            if (text != modeQuestion)
                return;
            r.peer->send("66");
            wait([&] { return r.host->waitingEvents() > 0; }, 2000);
            QCOMPARE(r.host->Label1->text(), QStringLiteral("投 了"));
        });
        r.peer->send("65");
        QVERIFY(wait([&] { return r.host->Label1->text() == QStringLiteral("黒 番"); }));
        QCOMPARE(TestKit::boxTexts(), QStringList({modeQuestion, QStringLiteral("相手は再戦を許可しました。")}));
        QVERIFY(r.peer->expect("-65"));
        QCOMPARE(r.host->rematchRequested, qint16(0));
        QCOMPARE(r.host->lastMessage, QStringLiteral("0"));
    }

    void crossedRequestsAnsweredAtOnce_data()
    {
        QTest::addColumn<bool>("answer");
        QTest::newRow("both No") << false;
        QTest::newRow("both Yes") << true;
    }
    void crossedRequestsAnsweredAtOnce()
    {
        // The host asks for a rematch while the client asks for the menu.
        QFETCH(bool, answer);
        Pair p = finishedPair();
        QVERIFY(p.ok());
        TestKit::queueAnswers({answer, answer});
        p.host->Command2->click();
        p.client->Command7->click();
        if (!answer) {
            QVERIFY(wait([&] { return TestKit::boxTexts().size() == 4; }));
            QVERIFY(TestKit::boxTexts().contains(QStringLiteral("再戦は許可されませんでした。")));
            QVERIFY(TestKit::boxTexts().contains(QStringLiteral("モード選択は許可されませんでした。")));
            QVERIFY(p.ok());
            QCOMPARE(p.host->rematchRequested + p.client->modeRequested, 0);
            QCOMPARE(p.host->Label1->text(), QStringLiteral("投 了"));
        } else {
            // Whoever goes first leaves for the menu, and the other follows.
            QVERIFY(wait([] { return !Module1::loaded(FormId::form5) && !Module1::loaded(FormId::Form8); }));
            QVERIFY(menuShown());
            QTest::qWait(50);
            QVERIFY(!TestKit::boxTexts().contains(lostNotice));
            QCOMPARE(TestKit::endCount(), 0);
        }
    }

    void junkNeverTriggersAnAgreement()
    {
        HostWithRawClient r = finishedHostWithRawClient();
        QVERIFY(r.host && r.peer);
        r.peer->send("6x6");
        QTest::qWait(5);
        r.peer->send("066x");
        QTest::qWait(5);
        r.peer->send(" Guest>66");
        QVERIFY(wait([] { return chatLines().size() == 1; }));
        QVERIFY(TestKit::boxTexts().isEmpty());
        QCOMPARE(r.host->lastMessage, QStringLiteral("0"));
    }
};

QTEST_MAIN(TestAgreements)
#include "tst_agreements.moc"
