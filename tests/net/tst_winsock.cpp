// The socket control: finding a host by name or address, and its keep-alive,
// so that a peer that vanishes without closing is reported as a lost connection.
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <cstring>

#include <net/if.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include "net/winsock.h"
#include "tests/common/access.h"

namespace {
int option(int fd, int level, int name)
{
    int value = -1;
    socklen_t size = sizeof value;
    getsockopt(fd, level, name, &value, &size);
    return value;
}

// Brings the loopback interface of this process's network namespace up or down.
bool setLoopbackUp(bool up)
{
    const int fd = socket(AF_INET, SOCK_DGRAM, 0);
    ifreq request{};
    std::strcpy(request.ifr_name, "lo");
    bool done = ioctl(fd, SIOCGIFFLAGS, &request) == 0;
    request.ifr_flags = short(up ? request.ifr_flags | IFF_UP : request.ifr_flags & ~IFF_UP);
    done = done && ioctl(fd, SIOCSIFFLAGS, &request) == 0;
    close(fd);
    return done;
}

// A host control with a client control connected to it over 127.0.0.1.
struct Pair {
    Winsock host, client;
    bool open()
    {
        QSignalSpy request(&host, &Winsock::ConnectionRequest);
        QSignalSpy connected(&client, qOverload<>(&Winsock::Connect));
        if (!host.Listen())
            return false;
        client.Connect(QStringLiteral("127.0.0.1"), TestAccess::port(host));
        if (!QTest::qWaitFor([&] { return !request.isEmpty(); }, 5000))
            return false;
        host.Accept(request.first().first().toInt());
        return QTest::qWaitFor([&] { return !connected.isEmpty(); }, 5000);
    }
};
}  // namespace

class TestWinsock : public QObject {
    Q_OBJECT
private slots:
    // Both ends of a connection, the accepted and the connecting one, probe
    // after 20 s of silence, every 5 s, 4 times, and give up a send
    // unacknowledged for as long.
    void keepAliveOnBothEnds()
    {
        Pair p;
        QVERIFY(p.open());
        for (const Winsock *w : {&p.host, &p.client}) {
            const int fd = TestAccess::descriptor(*w);
            QCOMPARE(option(fd, SOL_SOCKET, SO_KEEPALIVE), 1);
            QCOMPARE(option(fd, IPPROTO_TCP, TCP_KEEPIDLE), 20);
            QCOMPARE(option(fd, IPPROTO_TCP, TCP_KEEPINTVL), 5);
            QCOMPARE(option(fd, IPPROTO_TCP, TCP_KEEPCNT), 4);
            QCOMPARE(option(fd, IPPROTO_TCP, TCP_USER_TIMEOUT), 40000);
        }
    }

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
        if (geteuid() != 0 || unshare(CLONE_NEWNET) != 0)
            QSKIP("needs root, allowed to make a network namespace of its own");
        QVERIFY(setLoopbackUp(true));
        TestAccess::keepAlive<Winsock>() = {1, 1, 2};
        Pair p;
        QVERIFY(p.open());
        QSignalSpy hostLost(&p.host, &Winsock::Disconnected);
        QSignalSpy clientLost(&p.client, &Winsock::Disconnected);
        QVERIFY(setLoopbackUp(false));
        QVERIFY(p.host.SendData("19"));
        QTRY_COMPARE_WITH_TIMEOUT(hostLost.size(), 1, 10000);
        QTRY_COMPARE_WITH_TIMEOUT(clientLost.size(), 1, 10000);
        QCOMPARE(p.host.state(), Winsock::State::Closed);
    }
};

QTEST_GUILESS_MAIN(TestWinsock)
#include "tst_winsock.moc"
