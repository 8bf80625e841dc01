// The socket control: finding a host by name or address, and its keep-alive,
// so that a peer that vanishes without closing is reported as a lost
// connection. (The timing itself, 20 s idle, 5 s probes, 4, is one line of
// winsock.h; here it is shortened and seen to work.)
#include <QProcess>
#include <QTcpServer>
#include <QtTest>

#include <sched.h>
#include <unistd.h>

#include "net/winsock.h"
#include "tests/common/access.h"

namespace {
// Brings the loopback interface of this process's network namespace up or down.
bool setLoopbackUp(bool up) { return QProcess::execute("ip", {"link", "set", "lo", up ? "up" : "down"}) == 0; }
}  // namespace

class TestWinsock : public QObject {
    Q_OBJECT
private slots:
    void joinsByName_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("listener");
        for (const auto &[typed, at] :
             {std::pair{"localhost", "127.0.0.1"}, {" localhost ", "127.0.0.1"}, {"::1", "::1"}, {"[::1]", "::1"}})
            QTest::newRow(typed) << QString(typed) << QString(at);
    }
    // A host listening on the loopback is found by its name as well as by
    // its IPv4 or IPv6 address, as typed.
    void joinsByName()
    {
        QFETCH(QString, address);
        QFETCH(QString, listener);
        QTcpServer server;
        if (!server.listen(QHostAddress(listener)))
            QSKIP("no loopback of this kind to listen on");
        Winsock client;
        QSignalSpy connected(&client, qOverload<>(&Winsock::Connect));
        client.Connect(address, server.serverPort());
        QVERIFY(QTest::qWaitFor([&] { return !connected.isEmpty(); }, 5000));
    }

    // Both ends stop hearing from each other (the loopback of a network
    // namespace of this test's own goes down) right after the host sends a
    // move: each reports the connection lost once the probes' time has
    // passed (here a second of silence and two probes a second apart), the
    // client idle and the host with its move unacknowledged.
    void vanishedPeerIsLost()
    {
        if (geteuid() != 0 || QStandardPaths::findExecutable("ip").isEmpty() || unshare(CLONE_NEWNET) != 0)
            QSKIP("needs root, allowed to make a network namespace of its own, and ip");
        QVERIFY(setLoopbackUp(true));
        TestAccess::keepAlive<Winsock>() = {1, 1, 2};
        Winsock host, client;  // the accepted end and the connecting one
        QSignalSpy request(&host, &Winsock::ConnectionRequest);
        QSignalSpy connected(&client, qOverload<>(&Winsock::Connect));
        QVERIFY(host.Listen());
        client.Connect(QStringLiteral("127.0.0.1"), TestAccess::port(host));
        QVERIFY(QTest::qWaitFor([&] { return !request.isEmpty(); }, 5000));
        host.Accept(request.first().first().toInt());
        QVERIFY(QTest::qWaitFor([&] { return !connected.isEmpty(); }, 5000));
        QSignalSpy hostLost(&host, &Winsock::Disconnected);
        QSignalSpy clientLost(&client, &Winsock::Disconnected);
        QVERIFY(setLoopbackUp(false));
        QVERIFY(host.SendData("19"));
        QTRY_COMPARE_WITH_TIMEOUT(hostLost.size(), 1, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(clientLost.size(), 1, 10000);
        QCOMPARE(host.state(), Winsock::State::Closed);
    }
};

QTEST_GUILESS_MAIN(TestWinsock)
#include "tst_winsock.moc"
