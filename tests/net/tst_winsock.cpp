// The socket control on its own, over real sockets on 127.0.0.1 (its
// failures are tested through the windows that report them).
#include <QSignalSpy>
#include <QTcpSocket>
#include <QtTest>

#include "net/winsock.h"
#include "tests/net/netkit.h"

using NetKit::wait;

namespace {
// A connected pair of controls: server accepted the client's request.
struct Link {
    Winsock server;
    Winsock client;
    bool open()
    {
        server.setLocalPort(0);
        if (!server.Listen())
            return false;
        QObject::connect(&server, &Winsock::ConnectionRequest, &server, [this](qint32 id) {
            server.Close();
            server.Accept(id);
        });
        QSignalSpy connected(&client, qOverload<>(&Winsock::Connect));
        client.Connect(QStringLiteral("127.0.0.1"), server.LocalPort());
        return wait([&] {
            return connected.count() == 1 && server.state() == Winsock::State::Connected;
        });
    }
};

QByteArray readUntil(Winsock &w, int size)
{
    QByteArray got = w.GetData();
    QObject ctx;
    QObject::connect(&w, &Winsock::DataArrival, &ctx, [&](qint32 n) {
        QVERIFY(n > 0);
        got += w.GetData();
    });
    wait([&] { return got.size() >= size; });
    return got;
}
}  // namespace

class TestWinsock : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { NetKit::init(); }

    void connectsAcceptsAndCarriesBytesBothWays()
    {
        Link link;
        QVERIFY(link.open());
        QVERIFY(link.server.LocalPort() > 0);
        QVERIFY(link.server.lowDelay());
        QVERIFY(link.client.lowDelay());

        QSignalSpy sent(&link.client, &Winsock::SendComplete);
        QVERIFY(link.client.SendData("19"));
        QVERIFY(link.client.SendData(" A>x"));
        // Reported later from the event loop, never inside SendData.
        QCOMPARE(sent.count(), 0);
        QCOMPARE(readUntil(link.server, 6), QByteArray("19 A>x"));
        QVERIFY(wait([&] { return sent.count() == 2; }));

        QVERIFY(link.server.SendData("-66"));
        QCOMPARE(readUntil(link.client, 3), QByteArray("-66"));
        QTest::qWait(50);
        QCOMPARE(sent.count(), 2);
    }

    void sendCompleteOncePerSendEvenForLargeSends()
    {
        Link link;
        QVERIFY(link.open());
        QSignalSpy sent(&link.client, &Winsock::SendComplete);
        const QByteArray big(300 * 1024, 'x');
        for (int i = 0; i < 3; ++i)
            QVERIFY(link.client.SendData(big));
        QCOMPARE(readUntil(link.server, 3 * big.size()).size(), 3 * big.size());
        QVERIFY(wait([&] { return sent.count() == 3; }));
        QTest::qWait(50);
        QCOMPARE(sent.count(), 3);
    }

    void peerCloseIsReportedOwnCloseIsNot()
    {
        Link link;
        QVERIFY(link.open());
        QSignalSpy lostServer(&link.server, &Winsock::Disconnected);
        QSignalSpy lostClient(&link.client, &Winsock::Disconnected);
        link.client.Close();
        QVERIFY(wait([&] { return lostServer.count() == 1; }));
        QCOMPARE(lostClient.count(), 0);
        QCOMPARE(link.server.state(), Winsock::State::Closed);
        QVERIFY(!link.server.SendData("1"));
    }

    void requestThatLeftBeforeAcceptIsALostConnection()
    {
        Winsock server;
        server.setLocalPort(0);
        QVERIFY(server.Listen());
        QList<qint32> requests;
        connect(&server, &Winsock::ConnectionRequest, this, [&](qint32 id) { requests << id; });
        QTcpSocket raw;
        raw.connectToHost(QHostAddress::LocalHost, server.LocalPort());
        QVERIFY(wait([&] { return requests.size() == 1; }));
        raw.abort();
        QTest::qWait(50);
        QSignalSpy lost(&server, &Winsock::Disconnected);
        server.Close();
        server.Accept(requests.first());
        QVERIFY(wait([&] { return lost.count() == 1; }));
    }
};

QTEST_MAIN(TestWinsock)
#include "tst_winsock.moc"
