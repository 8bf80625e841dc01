// Chat between the match windows, the bytes of a chat line, and the chat
// window that cannot be closed alone.
#include <QtTest>

#include "tests/net/netkit.h"

using namespace NetKit;

namespace {
void typeAndEnter(NetMatchWindow *w, const QString &text)
{
    w->Text1->setText(text);
    QTest::keyClick(w->Text1, Qt::Key_Return);
}
}  // namespace

class TestChat : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { NetKit::init(); }
    void cleanup() { TestKit::reset(); }

    void chatBothWaysWhateverTheTurn()
    {
        Pair p = openPair(QStringLiteral("Host"), QStringLiteral("Guest"));
        QVERIFY(p.ok());
        QVERIFY(chatLines().isEmpty());
        // Typed key by key, sent with Enter.
        QTest::keyClicks(p.host->Text1, QStringLiteral("hello"));
        QTest::keyClick(p.host->Text1, Qt::Key_Return);
        QVERIFY(p.host->Text1->text().isEmpty());
        // Both sides share this process's one chat window: the own line and
        // the received one.
        QVERIFY(wait([&] { return chatLines().size() == 2; }));
        QCOMPARE(chatLines(), QStringList({QStringLiteral("Host>hello"), QStringLiteral("Host>hello")}));

        // The client chats while its board is locked.
        QVERIFY(!p.client->Image1[19]->isEnabled());
        typeAndEnter(p.client, QStringLiteral("よろしく"));
        QVERIFY(wait([&] { return chatLines().size() == 4; }));
        QCOMPARE(chatLines().mid(2), QStringList({QStringLiteral("Guest>よろしく"), QStringLiteral("Guest>よろしく")}));

        // A number typed as chat stays chat.
        typeAndEnter(p.client, QStringLiteral("19"));
        QVERIFY(wait([&] { return chatLines().size() == 6; }));
        QCOMPARE(chatLines().last(), QStringLiteral("Guest>19"));
        QCOMPARE(p.host->Board[2][3], qint16(0));
        QCOMPARE(p.host->turnColor, qint16(1));
        QCOMPARE(p.host->MMControl1->playCount(), 0);
        QCOMPARE(p.host->Label2->text(), QStringLiteral("あなたの手番です"));
        QCOMPARE(TestKit::boxTexts().size(), 2);  // the two "Connect完了"

        // The longest line the input takes still arrives as one line.
        const QString longText(p.host->Text1->maxLength() + 20, QChar(0x3042));
        typeAndEnter(p.host, longText);
        QVERIFY(wait([&] { return chatLines().size() == 8; }));
        const QString expected = QStringLiteral("Host>") + QString(p.host->Text1->maxLength(), QChar(0x3042));
        QCOMPARE(chatLines().at(6), expected);
        QCOMPARE(chatLines().at(7), expected);
    }

    void chatLineBytesAreCodePage932()
    {
        ClientWithRawHost r = openClientWithRawHost(QStringLiteral("太郎"));
        QVERIFY(r.client && r.peer);
        typeAndEnter(r.client, QStringLiteral("こんにちは"));
        QVERIFY(r.peer->expect(QByteArray(" \x91\xbe\x98Y>\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd")));
        QCOMPARE(chatLines(), QStringList({QStringLiteral("太郎>こんにちは")}));

        r.peer->send(QByteArray(" \x89\xd4\x8e\x71>\x82\xcd\x82\xa2"));  // " 花子>はい"
        QVERIFY(wait([&] { return chatLines().size() == 2; }));
        QCOMPARE(chatLines().last(), QStringLiteral("花子>はい"));
    }

    void emptyInputIsRefusedSpacesAreSent()
    {
        ClientWithRawHost r = openClientWithRawHost(QStringLiteral("Ann"));
        QVERIFY(r.client && r.peer);
        TestKit::clearBoxes();
        QTest::keyClick(r.client->Text1, Qt::Key_Return);
        QCOMPARE(TestKit::boxTexts(), QStringList({QStringLiteral("文字を入力してください")}));
        typeAndEnter(r.client, QStringLiteral("  "));
        QVERIFY(r.peer->expect(" Ann>  "));  // nothing went out before it
        QCOMPARE(chatLines(), QStringList({QStringLiteral("Ann>  ")}));
    }

    void namesWithoutTextOrWithLeadingSpaces()
    {
        {
            ClientWithRawHost r = openClientWithRawHost(QString());
            QVERIFY(r.client && r.peer);
            typeAndEnter(r.client, QStringLiteral("hi"));
            QVERIFY(r.peer->expect(" >hi"));
            QCOMPARE(chatLines(), QStringList({QStringLiteral(">hi")}));
        }
        TestKit::reset();
        {
            Pair p = openPair(QStringLiteral("  Bob"), QStringLiteral("Guest"));
            QVERIFY(p.ok());
            typeAndEnter(p.host, QStringLiteral("  x"));
            QVERIFY(wait([&] { return chatLines().size() == 2; }));
            QCOMPARE(chatLines(), QStringList({QStringLiteral("Bob>  x"), QStringLiteral("Bob>  x")}));
        }
    }

    void chatWindowStaysUntilTheMatchWindowGoes()
    {
        Pair p = openPair();
        QVERIFY(p.ok());
        Form9 *f = chat();
        QVERIFY(f);
        QCOMPARE(f->windowTitle(), QStringLiteral("Dorvex Quorvane～Chat Window～"));
        TestKit::clearBoxes();
        QVERIFY(!f->close());
        QCOMPARE(TestKit::boxTexts(), QStringList({QStringLiteral("ChatWindowを単体で終了することはできません")}));
        QVERIFY(chat() && chat()->isVisible());

        // Through a rematch it stays, with its lines.
        typeAndEnter(p.host, QStringLiteral("gg"));
        QVERIFY(wait([&] { return chatLines().size() == 2; }));
        p.host->Command3->click();
        QVERIFY(wait([&] { return p.client->Label1->text() == QStringLiteral("投 了"); }));
        TestKit::queueAnswers({true});
        p.host->Command2->click();
        QVERIFY(wait([&] { return p.host->Label1->text() == QStringLiteral("黒 番") && p.client->Label1->text() == QStringLiteral("黒 番"); }));
        QCOMPARE(chatLines().size(), 2);

        // Leaving for the menu takes it along; the next match starts empty.
        p.host->modesentaku();
        TestKit::settle();
        QVERIFY(!chat());
        TestKit::reset();
        Pair q = openPair();
        QVERIFY(q.ok());
        QVERIFY(chatLines().isEmpty());
    }
};

QTEST_MAIN(TestChat)
#include "tst_chat.moc"
