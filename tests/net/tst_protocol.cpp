#include <QRegularExpression>
#include <QtTest>

#include "net/protocol.h"

using namespace Protocol;

Q_DECLARE_METATYPE(Protocol::Kind)

namespace {
QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray out;
    for (int b : list)
        out += char(b);
    return out;
}

Message only(const QByteArray &read)
{
    const QList<Message> ms = split(read);
    if (ms.size() != 1)
        qWarning("expected one message, got %d", int(ms.size()));
    return ms.value(0);
}
}  // namespace

class TestProtocol : public QObject {
    Q_OBJECT
private slots:
    // Every number a peer sends comes back as what it means, from the very
    // bytes encodeNumber puts on the wire.
    void everyCode()
    {
        for (int v = -1; v <= 68; ++v) {
            const QByteArray wire = encodeNumber(qint16(v));
            QCOMPARE(wire, QByteArray::number(v));
            const Message m = only(wire);
            QCOMPARE(m.value, qint16(v));
            QCOMPARE(m.text, QString::fromLatin1(wire));
            const Kind want = v == -1 ? Kind::Pass : v <= 63 ? Kind::Move : v == 64 ? Kind::Resign
                                                     : v == 65 ? Kind::ModeSelect : v == 66 ? Kind::Rematch
                                                     : v == 67 ? Kind::Quit : Kind::ForcedEnd;
            QCOMPARE(m.kind, want);
            QCOMPARE(classify(QString::fromLatin1(wire)).kind, want);
        }
        for (qint16 v : {qint16(-65), qint16(-66), qint16(-67)}) {
            const Message m = only(encodeNumber(v));
            QCOMPARE(m.value, v);
            QCOMPARE(m.kind, v == -65 ? Kind::ModeSelect : v == -66 ? Kind::Rematch : Kind::Quit);
        }
        QCOMPARE(encodeNumber(-32768), QByteArray("-32768"));
    }

    void chatLines_data()
    {
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QString>("listed");
        QTest::newRow("plain") << QByteArray(" A>hello") << QStringLiteral("A>hello");
        QTest::newRow("number typed") << QByteArray(" 12") << QStringLiteral("12");
        QTest::newRow("number after name") << QByteArray(" A>12") << QStringLiteral("A>12");
        QTest::newRow("empty name") << QByteArray(" >hi") << QStringLiteral(">hi");
        QTest::newRow("name with spaces") << QByteArray("   A>  x") << QStringLiteral("A>  x");
        QTest::newRow("only a space") << QByteArray(" ") << QString();
        QTest::newRow("longest") << QByteArray(" ").append(QByteArray(maxChatBytes - 1, 'x'))
                                 << QString(maxChatBytes - 1, QLatin1Char('x'));
    }
    // A leading space makes a chat line, whatever follows.
    void chatLines()
    {
        QFETCH(QByteArray, wire);
        QFETCH(QString, listed);
        const Message m = only(wire);
        QCOMPARE(m.kind, Kind::Chat);
        QCOMPARE(m.text, QString::fromLatin1(wire));
        QCOMPARE(listLine(m.text), listed);
        QCOMPARE(classify(m.text).kind, Kind::Chat);
    }

    void junk_data()
    {
        QTest::addColumn<QByteArray>("wire");
        QTest::newRow("empty read") << QByteArray();
        QTest::newRow("letters") << QByteArray("abc");
        QTest::newRow("69") << QByteArray("69");
        QTest::newRow("-2") << QByteArray("-2");
        QTest::newRow("-64") << QByteArray("-64");
        QTest::newRow("-68") << QByteArray("-68");
        QTest::newRow("-69") << QByteArray("-69");
        QTest::newRow("100") << QByteArray("100");
        QTest::newRow("beyond 16 bits") << QByteArray("32768");
        QTest::newRow("long digits") << QByteArray("00000000000019");
        QTest::newRow("leading zero") << QByteArray("07");
        QTest::newRow("minus zero") << QByteArray("-0");
        QTest::newRow("plus sign") << QByteArray("+5");
        QTest::newRow("lone minus") << QByteArray("-");
        QTest::newRow("terminated") << QByteArray("19\r\n");
        QTest::newRow("nul after") << QByteArray("19", 3);
        QTest::newRow("two numbers") << QByteArray("1966");
        QTest::newRow("number then pass") << QByteArray("19-1");
        QTest::newRow("junk then chat") << QByteArray("abc A>x");
        QTest::newRow("bad number then chat") << QByteArray("99 A>x");
        QTest::newRow("full-width digits") << QByteArray("\x82\x50\x82\x58");
        QTest::newRow("invalid bytes") << bytes({0xFF, 0x80, 0xA0});
        QTest::newRow("one byte too long") << QByteArray(" ").append(QByteArray(maxChatBytes, 'x'));
        QTest::newRow("100 kB burst") << QByteArray(100 * 1024, '7');
        QTest::newRow("100 kB chat") << QByteArray(" ").append(QByteArray(100 * 1024, 'a'));
        QTest::newRow("100 kB after junk") << QByteArray("x ").append(QByteArray(100 * 1024, 'a'));
    }
    // Anything else is one Junk message, never a move and never two messages.
    void junk()
    {
        QFETCH(QByteArray, wire);
        const QList<Message> ms = split(wire);
        QCOMPARE(ms.size(), 1);
        QCOMPARE(ms.first().kind, Kind::Junk);
        QVERIFY(ms.first().text.size() <= maxChatBytes);
        QCOMPARE(ms.first().value, qint16(0));
    }

    // TCP merges a number with a chat line sent right after it.
    void mergedNumberAndChat()
    {
        QList<Message> ms = split("19 A>hi");
        QCOMPARE(ms.size(), 2);
        QCOMPARE(ms[0].kind, Kind::Move);
        QCOMPARE(ms[0].value, qint16(19));
        QCOMPARE(ms[0].text, QStringLiteral("19"));
        QCOMPARE(ms[1].kind, Kind::Chat);
        QCOMPARE(ms[1].text, QStringLiteral(" A>hi"));

        ms = split("-1 A>12");
        QCOMPARE(ms.size(), 2);
        QCOMPARE(ms[0].kind, Kind::Pass);
        QCOMPARE(ms[1].text, QStringLiteral(" A>12"));

        ms = split(QByteArray("-66") + encodeChat(QStringLiteral("花子"), QStringLiteral("もう一局")));
        QCOMPARE(ms.size(), 2);
        QCOMPARE(ms[0].kind, Kind::Rematch);
        QCOMPARE(ms[0].value, qint16(-66));
        QCOMPARE(listLine(ms[1].text), QStringLiteral("花子>もう一局"));

        // A move is not lost to an overlong line after it.
        ms = split(QByteArray("19 ") + QByteArray(maxChatBytes, 'x'));
        QCOMPARE(ms.size(), 2);
        QCOMPARE(ms[0].value, qint16(19));
        QCOMPARE(ms[1].kind, Kind::Junk);
        QCOMPARE(ms[1].text, QStringLiteral("<4097 bytes>"));

        // Everything after the first space belongs to the chat line, even a
        // number that followed it.
        ms = split("63 A>x 64");
        QCOMPARE(ms.size(), 2);
        QCOMPARE(ms[1].text, QStringLiteral(" A>x 64"));
    }

    // The chat line of a Japanese player, byte for byte as a Windows peer
    // sends and reads it.
    void cp932Bytes()
    {
        const QByteArray wire = encodeChat(QStringLiteral("太郎"), QStringLiteral("こんにちは"));
        QCOMPARE(wire, bytes({0x20, 0x91, 0xBE, 0x98, 0x59, '>', 0x82, 0xB1, 0x82, 0xF1, 0x82, 0xC9, 0x82, 0xBF,
                              0x82, 0xCD}));
        const Message m = only(wire);
        QCOMPARE(m.kind, Kind::Chat);
        QCOMPARE(listLine(m.text), QStringLiteral("太郎>こんにちは"));

        // Half-width kana, the Windows-only marks and the NEC extensions.
        QCOMPARE(encodeChat(QStringLiteral("ｱ"), QStringLiteral("～－①髙")),
                 bytes({0x20, 0xB1, '>', 0x81, 0x60, 0x81, 0x7C, 0x87, 0x40, 0xFB, 0xFC}));
        QCOMPARE(decode(bytes({0xB1, 0x81, 0x60, 0x81, 0x7C, 0x87, 0x40, 0xFB, 0xFC, 0xF0, 0x40})),
                 QStringLiteral("ｱ～－①髙") + QChar(0xE000));
        // ASCII, control characters included, travels as itself.
        QByteArray ascii;
        for (int b = 1; b < 0x80; ++b)
            ascii += char(b);
        QCOMPARE(encodeChat(QString(), QString::fromLatin1(ascii)), QByteArray(" >") + ascii);
        QCOMPARE(decode(ascii), QString::fromLatin1(ascii));
        // What the code page lacks goes out as '?', one per character.
        QCOMPARE(encodeChat(QStringLiteral("é"), QStringLiteral("a😀b") + QChar(0xD800)),
                 QByteArray(" ?>a?b?"));
    }

    // Bytes that are not CP932 show as U+FFFD and shift nothing around them.
    void invalidBytes()
    {
        const QChar r = QChar::ReplacementCharacter;
        QCOMPARE(decode(bytes({0x80})), QString(r));
        QCOMPARE(decode(bytes({'a', 0xFF, 'b'})), QStringLiteral("a") + r + QStringLiteral("b"));
        QCOMPARE(decode(bytes({'a', 0xFD, 0xFE, 0xA0})), QStringLiteral("a") + QString(3, r));
        // A lead byte without a trail byte: the next byte is read afresh.
        QCOMPARE(decode(bytes({0x82, ' ', 'x'})), QString(r) + QStringLiteral(" x"));
        QCOMPARE(decode(bytes({0x82, 0x0A})), QString(r) + QChar(0x0A));
        QCOMPARE(decode(bytes({'x', 0x82})), QStringLiteral("x") + r);
        // An unassigned two-byte code is one character.
        QCOMPARE(decode(bytes({0x85, 0x40, 'z'})), QString(r) + QStringLiteral("z"));

        const QList<Message> ms = split(bytes({'1', '9', ' ', 'A', '>', 0x82, 0xA0, 0xFF, 0x82}));
        QCOMPARE(ms.size(), 2);
        QCOMPARE(ms[0].value, qint16(19));
        QCOMPARE(ms[1].text, QStringLiteral(" A>あ") + r + r);

        // Every well-formed two-byte sequence is exactly one character.
        QByteArray all;
        int pairs = 0;
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (lead >= 0xA0 && lead < 0xE0)
                continue;
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                if (trail == 0x7F)
                    continue;
                all += char(lead);
                all += char(trail);
                ++pairs;
            }
        }
        const QString text = decode(all);
        QCOMPARE(text.size(), pairs);
        QCOMPARE(text.count(r), 1676);  // the unassigned codes of the table
    }

    // The codes 65, 66 and 67 are requests or answers depending on this
    // side's own flag; a completed send then acts at most once.
    void requestOrAnswer()
    {
        for (qint16 c : {ModeSelect, Rematch, Quit}) {
            QVERIFY(isAgreement(c) && isAgreement(qint16(-c)));
            QCOMPARE(agreementReply(0, c), Reply::Request);
            QCOMPARE(agreementReply(0, qint16(-c)), Reply::Request);
            QCOMPARE(agreementReply(1, c), Reply::Accepted);
            QCOMPARE(agreementReply(1, qint16(-c)), Reply::Refused);
            QVERIFY(!isAnswer(0, c));
            QVERIFY(isAnswer(1, qint16(-c)));
            QCOMPARE(answerCode(c, true), c);
            QCOMPARE(answerCode(c, false), qint16(-c));
        }
        for (qint16 v : {qint16(64), qint16(68), qint16(-1), qint16(0), qint16(-64)})
            QVERIFY(!isAgreement(v) && !isAnswer(1, v));

        QCOMPARE(afterSend("65", 0, 0, 0), AfterSend::ModeSelect);
        QCOMPARE(afterSend("65", 1, 0, 0), AfterSend::Nothing);
        QCOMPARE(afterSend("66", 0, 0, 0), AfterSend::NewGame);
        QCOMPARE(afterSend("66", 0, 1, 0), AfterSend::Nothing);
        QCOMPARE(afterSend("67", 0, 0, 0), AfterSend::Quit);
        QCOMPARE(afterSend("67", 0, 0, 1), AfterSend::Nothing);
        QCOMPARE(afterSend("68", 1, 1, 1), AfterSend::Quit);
        for (const char *t : {"0", "-65", "-66", "-67", "64", "", " 66", "066"})
            QCOMPARE(afterSend(QString::fromLatin1(t), 0, 0, 0), AfterSend::Nothing);
    }

    // The receiver keeps known messages in order, reports junk once per read
    // and stays bounded.
    void receiver()
    {
        Receiver rx;
        QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
        QCOMPARE(rx.feed("19 A>hi"), 2);
        QCOMPARE(rx.feed("-1"), 1);
        QTest::ignoreMessage(QtWarningMsg, "kobanto: ignored a message from the peer: \"ab\\x0a\\xff\\x22\"");
        QCOMPARE(rx.feed(bytes({'a', 'b', '\n', 0xFF, '"'})), 0);
        QCOMPARE(rx.junkCount(), 1);
        QCOMPARE(rx.pending(), 3);
        QCOMPARE(rx.take().value, qint16(19));
        QCOMPARE(rx.take().text, QStringLiteral(" A>hi"));
        QCOMPARE(rx.take().kind, Kind::Pass);
        QVERIFY(!rx.hasPending());
        QCOMPARE(rx.take().kind, Kind::Junk);

        // A burst is reported as its start and its size.
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral(
                                               "^kobanto: ignored .*\"7{48}\"\\.\\.\\. \\(102400 bytes\\)$")));
        rx.feed(QByteArray(100 * 1024, '7'));
        // Reports stop after a few dozen, with one line saying so.
        for (int i = 3; i <= Receiver::maxReports; ++i)
            QTest::ignoreMessage(QtWarningMsg, "kobanto: ignored a message from the peer: \"x\"");
        QTest::ignoreMessage(QtWarningMsg, "kobanto: further ignored messages from the peer are not reported");
        for (int i = 0; i < 100; ++i)
            rx.feed("x");
        QCOMPARE(rx.junkCount(), 102);

        // A peer flooding chat while the window is busy cannot grow the queue.
        Receiver flood;
        for (int i = 0; i < Receiver::maxPending; ++i)
            QCOMPARE(flood.feed(" A>" + QByteArray::number(i)), 1);
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("too many messages waiting")));
        QCOMPARE(flood.feed("19"), 0);
        QCOMPARE(flood.droppedCount(), 1);
        QCOMPARE(flood.take().text, QStringLiteral(" A>0"));
        flood.clear();
        QVERIFY(!flood.hasPending());
    }
};

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
