// The router lab: the host window in a home network behind a router that
// runs the real miniupnpd, and a friend's client window on the internet
// beyond it, each socket in its own network namespace (the one this thread
// stands in when the socket is made). tests/lab/run.sh makes the namespaces;
// this program starts a STUN server on the internet side and miniupnpd on the
// router, and stops both.
//   lab_router                        the test cases
//   lab_router --with-router PROGRAM  PROGRAM in the home network, router up
#include <QClipboard>
#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>
#include <arpa/inet.h>
#include <atomic>
#include <csignal>
#include <fcntl.h>
#include <future>
#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

#include "net/portmap.h"
#include "tests/net/netkit.h"

using namespace NetKit;

namespace {
const QString homeAddress = QStringLiteral("192.168.77.2");
const QString externalAddress = QStringLiteral("198.51.100.1");
// The STUN server's addresses and ports; miniupnpd asks the first of each.
const char *const stunAddresses[2] = {"198.51.100.2", "198.51.100.3"};
const quint16 stunPorts[2] = {3478, 3479};
// A whole game, black and white alternating, no pass.
const int game[] = {19, 20, 29, 18, 10, 11, 43, 45, 44, 38, 30, 1,  26, 37, 12, 42, 47, 39, 51, 21,
                    13, 52, 41, 55, 61, 58, 17, 5,  60, 25, 22, 4,  31, 40, 33, 32, 3,  59, 24, 54,
                    48, 8,  6,  15, 63, 49, 53, 9,  57, 62, 0,  34, 14, 46, 16, 23, 7,  2,  50, 56};
// Packets lost on the way take a retransmission or two.
constexpr int slowMs = 20000;

QString ns(const char *which) { return qEnvironmentVariable(which); }
// Moves the calling thread into a namespace made by run.sh.
bool enter(const QString &name)
{
    const int fd = ::open(QByteArray("/var/run/netns/" + name.toLocal8Bit()).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::setns(fd, CLONE_NEWNET) == 0;
    ::close(fd);
    return ok;
}
bool waitFor(const std::function<bool()> &cond, int ms = slowMs) { return QTest::qWaitFor(cond, ms); }
// NetKit's waitAll, with the time a lossy path needs.
QString slowAll(std::initializer_list<Condition> conditions)
{
    waitFor([&] { return std::all_of(conditions.begin(), conditions.end(), [](auto &c) { return c.second(); }); });
    return waitAll(conditions);
}

// Just enough STUN for miniupnpd to see that the router's address is open:
// a Binding response carrying XOR-MAPPED-ADDRESS, sent from the other
// address and/or port when the request's CHANGE-REQUEST asks for it.
class StunServer {
public:
    bool start(const QString &name)
    {
        auto bound = std::make_shared<std::promise<bool>>();
        std::future<bool> ready = bound->get_future();
        m_thread = std::thread([this, name, bound] { serve(name, *bound); });
        return ready.get();
    }
    // Reports address as the router's outside from now on, as the carrier's
    // NAT in front of it would (empty: the truth).
    void reportAs(const char *address) { m_reported = address ? inet_addr(address) : 0; }
    void stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    void serve(const QString &name, std::promise<bool> &bound)
    {
        int fds[2][2];
        bool ok = enter(name);
        for (int a = 0; a < 2; ++a)
            for (int p = 0; p < 2; ++p) {
                fds[a][p] = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
                sockaddr_in at{};
                at.sin_family = AF_INET;
                at.sin_port = htons(stunPorts[p]);
                inet_pton(AF_INET, stunAddresses[a], &at.sin_addr);
                ok = ok && ::bind(fds[a][p], reinterpret_cast<sockaddr *>(&at), sizeof at) == 0;
            }
        bound.set_value(ok);
        pollfd polled[4];
        for (int i = 0; i < 4; ++i)
            polled[i] = pollfd{fds[i / 2][i % 2], POLLIN, 0};
        while (ok && !m_stop) {
            if (::poll(polled, 4, 100) <= 0)
                continue;
            for (int i = 0; i < 4; ++i)
                if (polled[i].revents & POLLIN)
                    answer(fds, i / 2, i % 2);
        }
        for (auto &row : fds)
            for (int fd : row)
                ::close(fd);
    }
    void answer(int fds[2][2], int a, int p)
    {
        unsigned char in[512];
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t n = ::recvfrom(fds[a][p], in, sizeof in, 0, reinterpret_cast<sockaddr *>(&from), &fromLength);
        if (n < 20 || in[0] != 0 || in[1] != 1)
            return;
        unsigned change = 0;
        for (ssize_t i = 20; i + 4 <= n;) {
            const int type = in[i] << 8 | in[i + 1], length = in[i + 2] << 8 | in[i + 3];
            if (type == 3 && length == 4 && i + 8 <= n)
                change = in[i + 7];
            i += 4 + ((length + 3) & ~3);
        }
        unsigned char out[32] = {0x01, 0x01, 0x00, 12};
        std::memcpy(out + 4, in + 4, 16);  // magic cookie and transaction
        // XOR-MAPPED-ADDRESS: port and address, XORed with the magic cookie.
        const unsigned char head[6] = {0x00, 0x20, 0x00, 8, 0, 1};
        std::memcpy(out + 20, head, sizeof head);
        std::memcpy(out + 26, &from.sin_port, 2);
        const quint32 reported = m_reported ? quint32(m_reported) : from.sin_addr.s_addr;
        std::memcpy(out + 28, &reported, 4);
        for (int i = 0; i < 6; ++i)
            out[26 + i] ^= out[4 + (i < 2 ? i : i - 2)];
        const int replyFd = fds[(change & 4) ? 1 - a : a][(change & 2) ? 1 - p : p];
        ::sendto(replyFd, out, 32, 0, reinterpret_cast<sockaddr *>(&from), fromLength);
    }

    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<quint32> m_reported{0};
};

// The real miniupnpd on the router, started and stopped by its pid, with
// the configuration run.sh wrote.
class Router {
public:
    // upnp false: NAT-PMP alone.
    bool start(bool upnp = true)
    {
        const QString dir = ns("KOBANTO_LAB_DIR");
        m_log = dir + "/miniupnpd.log";
        m_process.setProcessChannelMode(QProcess::MergedChannels);
        m_process.setStandardOutputFile(m_log);
        // "ip netns exec" runs miniupnpd in its own place: the pid is its.
        m_process.start("ip", {"netns", "exec", ns("KOBANTO_LAB_ROUTER"), "miniupnpd", "-f",
                               dir + (upnp ? "/upnp.conf" : "/natpmp.conf"), "-d", "-P", dir + "/pid"});
        m_pid = m_process.waitForStarted(3000) ? m_process.processId() : 0;
        // Up once it says so; NAT-PMP comes last.
        return m_pid > 0 && waitFor([this] { return log().contains("Listening for NAT-PMP/PCP traffic"); });
    }
    void stop()
    {
        if (m_pid > 0 && ::kill(static_cast<pid_t>(m_pid), SIGTERM) == 0 && !m_process.waitForFinished(3000))
            ::kill(static_cast<pid_t>(m_pid), SIGKILL);
        m_process.waitForFinished(1000);
        m_pid = 0;
    }
    QString log() const
    {
        QFile f(m_log);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

private:
    QString m_log;
    QProcess m_process;
    qint64 m_pid = 0;
};

// The router's UPnP service as the lab asks it, without discovery.
class Igd {
public:
    Igd()
    {
#if MINIUPNPC_API_VERSION >= 18
        char wan[64] = {};
        m_ok = UPNP_GetIGDFromUrl("http://192.168.77.1:5000/rootDesc.xml", &m_urls, &m_data, m_lan, sizeof m_lan, wan,
                                  sizeof wan) > 0;
#else
        m_ok = UPNP_GetIGDFromUrl("http://192.168.77.1:5000/rootDesc.xml", &m_urls, &m_data, m_lan, sizeof m_lan) > 0;
#endif
    }
    ~Igd()
    {
        if (m_ok)
            FreeUPNPUrls(&m_urls);
    }
    bool ok() const { return m_ok; }
    // The machine the router forwards port to and the mapping's description;
    // lastLease: the seconds it has left (0: permanent).
    QStringList mapping(quint16 port)
    {
        char client[64] = {}, internalPort[16] = {}, desc[96] = {}, on[8] = {}, duration[32] = {};
        const QByteArray p = QByteArray::number(port);
        if (UPNP_GetSpecificPortMappingEntry(m_urls.controlURL, m_data.first.servicetype, p, "TCP", nullptr, client,
                                             internalPort, desc, on, duration) != UPNPCOMMAND_SUCCESS)
            return {};
        lastLease = QByteArray(duration).toInt();
        return {QString::fromLatin1(client), QString::fromLatin1(desc)};
    }
    int lastLease = -1;
    bool add(quint16 port, const char *client)
    {
        const QByteArray p = QByteArray::number(port);
        return UPNP_AddPortMapping(m_urls.controlURL, m_data.first.servicetype, p, p, client, "another machine", "TCP",
                                   nullptr, "600") == UPNPCOMMAND_SUCCESS;
    }

private:
    bool m_ok = false;
    UPNPUrls m_urls{};
    IGDdatas m_data{};
    char m_lan[64] = {};
};

// The router's rules, as nft lists them.
QString ruleset()
{
    QProcess nft;
    nft.start(QStringLiteral("ip"),
              {"netns", "exec", ns("KOBANTO_LAB_ROUTER"), "nft", "list", "table", "inet", "filter"});
    nft.waitForFinished(5000);
    return QString::fromUtf8(nft.readAllStandardOutput());
}

form5 *openHost(quint16 port)
{
    Module1::setserverdata(QStringLiteral("Host"), qint16(port));
    return qobject_cast<form5 *>(Module1::show(FormId::form5));
}
// The client window, its socket made on the internet side.
Form8 *openFriend(const QString &address)
{
    const QStringList parts = address.split(QLatin1Char(':'));
    Module1::setclientdata(QStringLiteral("Guest"), parts.value(1).toShort(), parts.value(0));
    if (!enter(ns("KOBANTO_LAB_INTERNET")))
        return nullptr;
    auto *w = qobject_cast<Form8 *>(Module1::show(FormId::Form8));
    return enter(ns("KOBANTO_LAB_HOME")) ? w : nullptr;
}
}  // namespace

class LabRouter : public QObject {
    Q_OBJECT
    StunServer stun;
    Router router;

    // One whole game, each board equal to the other after every move; names
    // what did not hold, after which move.
    QString playGame(const Pair &p, bool withChat)
    {
        for (int k : game) {
            NetMatchWindow *mover = p.side(p.host->board().turnColor() == 1);
            const qsizetype lines = chatLines().size() + (withChat && (k == 10 || k == 40) ? 2 : 0);
            clickCell(mover, k);
            if (lines > chatLines().size()) {
                // Typed right after the move: the two may arrive as one read.
                mover->Text1->setText(QStringLiteral("次は%1").arg(k));
                QTest::keyClick(mover->Text1, Qt::Key_Return);
            }
            const QString unmet =
                slowAll({{"the same board", [&] { return p.host->board() == p.client->board(); }},
                         {"nothing waiting", [&] { return idle(p.host) && idle(p.client); }},
                         {"the chat line on both sides", [&] { return chatLines().size() == lines; }}});
            if (!unmet.isEmpty())
                return unmet + QStringLiteral(" after ") + QString::number(k);
        }
        return {};
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(enter(ns("KOBANTO_LAB_HOME")), "run through tests/lab/run.sh, as root");
        NetKit::init();
        PortMap::setEnabled(true);
        QVERIFY2(stun.start(ns("KOBANTO_LAB_INTERNET")), "STUN server");
        QVERIFY2(router.start(), qPrintable(router.log()));
    }
    void cleanup() { TestKit::reset(); }
    void cleanupTestCase()
    {
        router.stop();
        stun.stop();
    }

    // The friend types the address the host shows and plays two games with
    // chat at 5 % loss; the router's mapping goes with the host.
    void friendOnTheInternet()
    {
        const quint16 port = 9876;
        QElapsedTimer clock;
        clock.start();
        QPointer<form5> host = openHost(port);
        QVERIFY(host);
        // Shown at once, before the router has answered.
        QCOMPARE(host->portMap()->state(), PortMap::State::Asking);
        QCOMPARE(host->Text1->placeholderText(), "LAN内 " + homeAddress + ":9876");
        QVERIFY(waitFor([&] { return host->portMap()->state() != PortMap::State::Asking; }, 8000));
        const qint64 mappedMs = host->portMap()->settledAfterMs();
        QCOMPARE(host->portMap()->state(), PortMap::State::Mapped);
        QCOMPARE(host->Text1->placeholderText(), "接続先 " + externalAddress + ":9876");
        QCOMPARE(host->Label2->text(), "CONNECT待機中");
        QVERIFY(host->Text1->accessibleDescription().contains(externalAddress));
        host->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(host));
        QTest::keyClick(host, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), externalAddress + ":9876");
        {
            Igd igd;
            QVERIFY(igd.ok());
            QCOMPARE(igd.mapping(port), QStringList({homeAddress, "Kobanto"}));
            QVERIFY(igd.lastLease > 3500);  // limited: an hour, renewed
            QVERIFY(igd.lastLease <= 3600);
        }
        QVERIFY(ruleset().contains("dport 9876"));

        Pair p;
        p.host = host;
        p.client = openFriend(host->friendAddress());
        QVERIFY(waitFor([&] { return p.ok(); }));
        QCOMPARE(host->Text1->placeholderText(), QString());
        QCOMPARE(host->friendAddress(), QString());

        clock.restart();
        QString unmet = playGame(p, true);
        QVERIFY2(unmet.isEmpty(), qPrintable(unmet));
        const qint64 firstGameMs = clock.elapsed();
        QCOMPARE(chatLines().size(), 4);  // each line on both sides
        TestKit::queueAnswers({true});
        p.host->Command2->click();
        QVERIFY(
            waitFor([&] { return p.ok() && p.client->Label1->text() == "黒 番" && p.host->Image1[19]->isEnabled(); }));
        unmet = playGame(p, false);
        QVERIFY2(unmet.isEmpty(), qPrintable(unmet));
        QCOMPARE(p.client->Label1->text(), "終 局");
        const qint64 gamesMs = clock.elapsed();

        TestKit::queueAnswers({true});
        p.host->Command7->click();
        QVERIFY(waitFor([&] { return !p.host && !p.client && menuShown(); }));
        QVERIFY(!TestKit::boxTexts().contains("あいてとの接続が切れました。"));
        Igd igd;
        QVERIFY(igd.ok());
        QCOMPARE(igd.mapping(port), QStringList());
        QVERIFY(!ruleset().contains("dport 9876"));
        const QRegularExpressionMatch dropped = QRegularExpression("counter packets (\\d+)").match(ruleset());
        qInfo("lab: mapped in %lld ms; first game with chat %lld ms, both games %lld ms, %s TCP packets lost", mappedMs,
              firstGameMs, gamesMs, qPrintable(dropped.captured(1)));
    }

    void routerSaysNo_data()
    {
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("otherMachine");  // already forwarded there
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("shown");
        QTest::newRow("another machine's port")
            << 7777 << "192.168.77.3" << int(PortMap::State::Taken) << QString("ルータの7777番は使用中");
        QTest::newRow("below the router's allowed ports")
            << 1000 << QString() << int(PortMap::State::Refused) << QString("LAN内 192.168.77.2:1000");
    }
    // Said in the window, never in a box; the friend on the same network
    // still gets the address. Another machine's mapping stays its own, also
    // when the host goes.
    void routerSaysNo()
    {
        QFETCH(int, port);
        QFETCH(QString, otherMachine);
        QFETCH(int, state);
        QFETCH(QString, shown);
        if (!otherMachine.isEmpty()) {
            Igd igd;
            QVERIFY(igd.ok());
            QVERIFY(igd.add(quint16(port), otherMachine.toLatin1()));
        }
        QPointer<form5> host = openHost(quint16(port));
        QVERIFY(host);
        QVERIFY(waitFor([&] { return host->portMap()->state() != PortMap::State::Asking; }, 8000));
        QCOMPARE(int(host->portMap()->state()), state);
        QCOMPARE(host->Text1->placeholderText(), shown);
        QCOMPARE(host->friendAddress(), homeAddress + ":" + QString::number(port));
        QCOMPARE(TestKit::boxTexts(), QStringList());
        Module1::unload(FormId::form5);
        Igd igd;
        const QStringList left =
            otherMachine.isEmpty() ? QStringList() : QStringList({otherMachine, "another machine"});
        QCOMPARE(igd.mapping(quint16(port)), left);
    }

    // Quitting from the waiting window (its close box, Yes) removes the
    // mapping before the program ends.
    void quitWhileWaiting()
    {
        QPointer<form5> host = openHost(9878);
        QVERIFY(host);
        QVERIFY(waitFor([&] { return host->portMap()->state() == PortMap::State::Mapped; }, 8000));
        TestKit::queueAnswers({true});
        host->close();
        QCOMPARE(TestKit::endCount(), 1);
        Igd igd;
        QCOMPARE(igd.mapping(9878), QStringList());
    }

    // Behind the carrier's NAT the router maps in vain: the host offers its
    // own address rather than the router's outside.
    void behindACarrierNat()
    {
        router.stop();
        stun.reportAs("100.64.0.1");
        const bool started = router.start();
        stun.reportAs(nullptr);
        QVERIFY2(started, qPrintable(router.log()));
        QPointer<form5> host = openHost(9880);
        QVERIFY(host);
        QVERIFY(waitFor([&] { return host->portMap()->state() != PortMap::State::Asking; }, 8000));
        QCOMPARE(host->portMap()->externalAddress(), "100.64.0.1");
        QCOMPARE(host->Text1->placeholderText(), "LAN内 " + homeAddress + ":9880");
    }

    // A router that speaks NAT-PMP alone maps the port all the same, and
    // unmaps it when the host goes.
    void natPmpAlone()
    {
        router.stop();
        QVERIFY2(router.start(false), qPrintable(router.log()));
        QPointer<form5> host = openHost(9879);
        QVERIFY(host);
        QVERIFY(waitFor([&] { return host->portMap()->state() != PortMap::State::Asking; }, 12000));
        QCOMPARE(host->portMap()->state(), PortMap::State::Mapped);
        QCOMPARE(host->portMap()->method(), PortMap::Method::NatPmp);
        qInfo("lab: mapped by NAT-PMP in %lld ms (after UPnP found no gateway)", host->portMap()->settledAfterMs());
        QCOMPARE(host->Text1->placeholderText(), "接続先 " + externalAddress + ":9879");
        QVERIFY(ruleset().contains("dport 9879"));
        Module1::unload(FormId::form5);
        QVERIFY(!ruleset().contains("dport 9879"));
    }

    // With no router to ask, the host listens as ever, shows its own address
    // and a client on the home network joins by it.
    void withoutTheRouter()
    {
        router.stop();
        QPointer<form5> host = openHost(9877);
        QVERIFY(host);
        QCOMPARE(host->Text1->placeholderText(), "LAN内 " + homeAddress + ":9877");
        QVERIFY(waitFor([&] { return host->portMap()->state() != PortMap::State::Asking; }, 8000));
        QCOMPARE(host->portMap()->state(), PortMap::State::NoRouter);
        QCOMPARE(host->Text1->placeholderText(), "LAN内 " + homeAddress + ":9877");
        QCOMPARE(TestKit::boxTexts(), QStringList());
        Module1::setclientdata(QStringLiteral("Guest"), 9877, homeAddress);
        Pair p;
        p.host = host;
        p.client = qobject_cast<Form8 *>(Module1::show(FormId::Form8));
        QVERIFY(waitFor([&] { return p.ok(); }));
        clickCell(p.host, 19);
        QVERIFY(waitFor([&] { return p.client->board().at(19) == 1; }));
    }
};

int main(int argc, char *argv[])
{
    if (argc > 2 && QByteArray(argv[1]) == "--with-router") {
        // Another program (the benchmark) in the home network while the
        // router answers.
        QCoreApplication app(argc, argv);
        StunServer stun;
        Router router;
        if (!enter(ns("KOBANTO_LAB_HOME")) || !stun.start(ns("KOBANTO_LAB_INTERNET")) || !router.start())
            return 1;
        const int status = QProcess::execute(QString::fromLocal8Bit(argv[2]), app.arguments().mid(3));
        router.stop();
        stun.stop();
        return status;
    }
    QApplication app(argc, argv);
    LabRouter lab;
    return QTest::qExec(&lab, argc, argv);
}

#include "lab_router.moc"
