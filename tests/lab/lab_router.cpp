// The router lab: the host window in a home network behind a router that
// runs the real miniupnpd, and a friend's client window on the internet
// beyond it, each socket in its own network namespace (the one this thread
// stands in when the socket is made). tests/lab/run.sh makes the namespaces
// and the STUN server on the internet side; this program starts miniupnpd on
// the router and stops it.
#include <QClipboard>
#include <QProcess>
#include <QtTest>
#include <fcntl.h>
#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>
#include <sched.h>
#include <unistd.h>

#include "net/portmap.h"
#include "tests/net/netkit.h"

using namespace NetKit;

namespace {
const QString homeAddress = QStringLiteral("192.168.77.2");
const QString externalAddress = QStringLiteral("11.0.0.1");
const QString homeAddress6 = QStringLiteral("2400:77::2");
// A whole game, black and white alternating, no pass.
const int game[] = {19, 20, 29, 18, 10, 11, 43, 45, 44, 38, 30, 1,  26, 37, 12, 42, 47, 39, 51, 21,
                    13, 52, 41, 55, 61, 58, 17, 5,  60, 25, 22, 4,  31, 40, 33, 32, 3,  59, 24, 54,
                    48, 8,  6,  15, 63, 49, 53, 9,  57, 62, 0,  34, 14, 46, 16, 23, 7,  2,  50, 56};

QString ns(const char *which) { return qEnvironmentVariable(which); }
// Moves the calling thread into a namespace made by run.sh.
bool enter(const QString &name)
{
    const int fd = ::open(QByteArray("/var/run/netns/" + name.toLocal8Bit()).constData(), O_RDONLY | O_CLOEXEC);
    const bool ok = fd >= 0 && ::setns(fd, CLONE_NEWNET) == 0;
    ::close(fd);
    return ok;
}
// Packets lost on the way take a retransmission or two.
bool waitFor(const std::function<bool()> &cond, int ms = 20000) { return QTest::qWaitFor(cond, ms); }

// Gives the router's outside the address (with its prefix length), the
// internet's addresses still on the same link: a carrier's address puts the
// router behind the carrier's NAT as far as it can tell.
bool setOutside(const QString &address)
{
    const QStringList router{"-n", ns("KOBANTO_LAB_ROUTER")};
    QProcess::execute("ip", router + QStringList{"-4", "addr", "flush", "dev", "wan0"});
    return QProcess::execute("ip", router + QStringList{"addr", "add", address, "dev", "wan0"}) == 0 &&
           QProcess::execute("ip", router + QStringList{"route", "replace", "11.0.0.0/24", "dev", "wan0"}) == 0;
}

// The router's program, in the router's namespace ("ip netns exec" runs it
// in its own place: the pid is its), its output the log of what it was
// asked: the real miniupnpd with the configuration run.sh wrote, or the
// lying router (hostile_router.py) answering as its options say.
struct Router : QProcess {
    const QString dir = ns("KOBANTO_LAB_DIR"), file = dir + "/router.log";
    // Up once its log says so (miniupnpd: NAT-PMP comes last).
    bool start(const QStringList &command, const char *up)
    {
        stop();
        setProcessChannelMode(QProcess::MergedChannels);
        setStandardOutputFile(file);
        QProcess::start("ip", QStringList{"netns", "exec", ns("KOBANTO_LAB_ROUTER")} + command);
        return waitFor([&] { return log().contains(up); }, 5000);
    }
    // upnp false: NAT-PMP alone.
    bool miniupnpd(bool upnp = true)
    {
        return start({"miniupnpd", "-f", dir + (upnp ? "/upnp.conf" : "/natpmp.conf"), "-d", "-P", dir + "/pid"},
                     "Listening for NAT-PMP/PCP traffic");
    }
    bool hostile(const QStringList &options)
    {
        return start(QStringList{"python3", "-u", QFINDTESTDATA("hostile_router.py")} + options, "ready");
    }
    QString log() const
    {
        QFile f(file);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    void stop()
    {
        terminate();
        if (!waitForFinished(3000))
            kill();
        waitForFinished(1000);
    }
};

// The router's UPnP service as the lab asks it, without discovery: where it
// forwards port (machine, description, seconds left; 0: permanent), or with
// client, what mapping port there for another machine answers.
QStringList igd(quint16 port, const char *client = nullptr)
{
    const char *url = "http://192.168.77.1:5000/rootDesc.xml";
    UPNPUrls urls{};
    IGDdatas data{};
    char lan[64] = {}, machine[64] = {}, inPort[16] = {}, desc[96] = {}, on[8] = {}, lease[32] = {};
#if MINIUPNPC_API_VERSION >= 18
    char wan[64] = {};
    if (UPNP_GetIGDFromUrl(url, &urls, &data, lan, sizeof lan, wan, sizeof wan) <= 0)
#else
    if (UPNP_GetIGDFromUrl(url, &urls, &data, lan, sizeof lan) <= 0)
#endif
        return {"no UPnP service"};
    const QByteArray p = QByteArray::number(port);
    const char *service = data.first.servicetype;
    QStringList answer;
    if (client)
        answer << QString::number(
            UPNP_AddPortMapping(urls.controlURL, service, p, p, client, "another machine", "TCP", nullptr, "600"));
    else if (UPNP_GetSpecificPortMappingEntry(urls.controlURL, service, p, "TCP", nullptr, machine, inPort, desc, on,
                                              lease) == UPNPCOMMAND_SUCCESS)
        answer = QStringList{machine, desc, lease};
    FreeUPNPUrls(&urls);
    return answer;
}

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
bool settled(form5 *host)
{
    return waitFor([&] { return !host->portMap()->busy(); }, 12000);
}
// The client window joining address ("host:port", "[IPv6]:port"), its
// socket made in namespace place.
Form8 *openFriend(const QString &address, const char *place = "KOBANTO_LAB_INTERNET")
{
    const qsizetype colon = address.lastIndexOf(QLatin1Char(':'));
    Module1::setclientdata(QStringLiteral("Guest"), address.mid(colon + 1).toShort(),
                           address.left(colon).remove(QLatin1Char('[')).remove(QLatin1Char(']')));
    if (!enter(ns(place)))
        return nullptr;
    auto *w = qobject_cast<Form8 *>(Module1::show(FormId::Form8));
    return enter(ns("KOBANTO_LAB_HOME")) ? w : nullptr;
}
// One router set-up: the router, the port the host asks for, the machine
// already forwarded there (if any), the state it ends in and what is shown.
using Case = std::tuple<QString, int, QString, PortMap::State, QString>;
}  // namespace

class LabRouter : public QObject {
    Q_OBJECT
    Router router;

    // One whole game with two chat lines, each board equal to the other after
    // every move; names what did not hold, after which move.
    QString playGame(const Pair &p)
    {
        for (int k : game) {
            NetMatchWindow *mover = p.side(p.host->board().turnColor() == 1);
            const qsizetype lines = chatLines().size() + (k == 10 || k == 40 ? 2 : 0);
            clickCell(mover, k);
            if (lines > chatLines().size()) {
                // Typed right after the move: the two may arrive as one read.
                mover->Text1->setText(QStringLiteral("次は%1").arg(k));
                QTest::keyClick(mover->Text1, Qt::Key_Return);
            }
            const QString unmet =
                waitAll({{"the same board", [&] { return p.host->board() == p.client->board(); }},
                         {"nothing waiting", [&] { return p.ok(); }},
                         {"the chat line on both sides", [&] { return chatLines().size() == lines; }}},
                        20000);
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
        QVERIFY2(router.miniupnpd(), qPrintable(router.log()));
    }
    void cleanup()
    {
        TestKit::reset();
        PortMap::setLeaseRange(120, 3600);
    }
    void cleanupTestCase() { router.stop(); }

    // The friend types the address the host shows and plays a game with chat
    // at 5 % loss. (What follows a game, and the mapping's removal, is the
    // same on any network: tests/net and the rows below.)
    void friendOnTheInternet()
    {
        const quint16 port = 9876;
        QPointer<form5> host = openHost(port);
        QVERIFY(host);
        // Shown at once, before the router has answered.
        QCOMPARE(host->portMap()->state(), PortMap::State::Asking);
        QCOMPARE(host->Text1->placeholderText(), "LAN内 " + homeAddress + ":9876");
        QVERIFY(settled(host));
        QCOMPARE(host->Text1->placeholderText(), "接続先 " + externalAddress + ":9876 [" + homeAddress6 + "]:9876");
        QVERIFY(host->Text1->accessibleDescription().contains(externalAddress));
        host->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(host));
        QTest::keyClick(host, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QGuiApplication::clipboard()->text(), externalAddress + ":9876 [" + homeAddress6 + "]:9876");
        const QStringList mapping = igd(port);
        QCOMPARE(mapping.mid(0, 2), QStringList({homeAddress, "Kobanto"}));
        QVERIFY(mapping.value(2).toInt() > 3500);  // limited: an hour, renewed
        QVERIFY(mapping.value(2).toInt() <= 3600);
        QVERIFY(ruleset().contains("dport 9876"));

        Pair p{host, openFriend(host->friendAddress().split(' ').first())};
        QVERIFY(waitFor([&] { return p.ok(); }));
        QCOMPARE(host->Text1->placeholderText(), QString());
        QCOMPARE(host->friendAddress(), QString());
        const QString unmet = playGame(p);
        QVERIFY2(unmet.isEmpty(), qPrintable(unmet));
        QCOMPARE(chatLines().size(), 4);  // each line on both sides
        QCOMPARE(p.client->Label1->text(), "終 局");
    }

    // A lease renewed at half its length asks again each time; quitting from
    // the waiting window (its close box, Yes) removes the mapping before the
    // program ends.
    void quitWhileWaiting()
    {
        PortMap::setLeaseRange(2, 2);
        QPointer<form5> host = openHost(9878);
        QVERIFY(host);
        QVERIFY(settled(host));
        const qsizetype asked = router.log().count("AddPortMapping: ext port 9878");
        QVERIFY(waitFor([&] { return router.log().count("AddPortMapping: ext port 9878") >= asked + 2; }));
        TestKit::queueAnswers({true});
        host->close();
        QCOMPARE(TestKit::endCount(), 1);
        QCOMPARE(igd(9878), QStringList());
    }

    void routers_data()
    {
        QTest::addColumn<Case>("c");
        const QString lan = QStringLiteral("LAN内 192.168.77.2:"), ipv6 = "接続先 [" + homeAddress6 + "]:";
        // IPv4 not to be had: the friend comes over IPv6, through the pinhole.
        QTest::newRow("another machine's port")
            << Case{"upnp", 7777, "192.168.77.3", PortMap::State::Taken, ipv6 + "7777"};
        // Neither mapped nor opened.
        QTest::newRow("below the router's allowed ports")
            << Case{"upnp", 1000, {}, PortMap::State::Refused, lan + "1000"};
        // Mapped in vain: the router's outside is not offered.
        QTest::newRow("behind a carrier's NAT") << Case{"carrier", 9880, {}, PortMap::State::Mapped, ipv6 + "9880"};
        QTest::newRow("NAT-PMP alone") << Case{"natpmp", 9879, {}, PortMap::State::Mapped, "接続先 11.0.0.1:9879"};
        QTest::newRow("no router") << Case{"none", 9877, {}, PortMap::State::NoRouter, lan + "9877"};
    }
    // Whatever the router says, it is said in the window, never in a box, and
    // the friend joins by the address given; another machine's mapping stays
    // its own, also when the host goes.
    void routers()
    {
        QFETCH(Case, c);
        const auto &[router, port, otherMachine, state, shown] = c;
        this->router.stop();
        QVERIFY(setOutside(router == "carrier" ? "100.64.0.1/10" : externalAddress + "/24"));
        if (router != "none")
            QVERIFY2(this->router.miniupnpd(router != "natpmp"), qPrintable(this->router.log()));
        if (!otherMachine.isEmpty())
            QCOMPARE(igd(quint16(port), otherMachine.toLatin1()), QStringList({"0"}));
        QPointer<form5> host = openHost(quint16(port));
        QVERIFY(host);
        QVERIFY(settled(host));
        QCOMPARE(host->portMap()->state(), state);
        QCOMPARE(host->Text1->placeholderText(), shown);
        QCOMPARE(TestKit::boxTexts(), QStringList());
        const QString rule = "dport " + QString::number(port);
        QCOMPARE(ruleset().contains(rule),
                 state == PortMap::State::Mapped || !otherMachine.isEmpty() || shown.contains('['));
        Pair p{host, openFriend(host->friendAddress().split(' ').last(),
                                shown.startsWith("LAN") ? "KOBANTO_LAB_HOME" : "KOBANTO_LAB_INTERNET")};
        QVERIFY(waitFor([&] { return p.ok(); }));
        clickCell(p.host, 19);
        QVERIFY(waitFor([&] { return p.client->board().at(19) == 1; }));
        Module1::unload(FormId::form5);
        QCOMPARE(ruleset().contains(rule), !otherMachine.isEmpty());
        if (!otherMachine.isEmpty())
            QCOMPARE(igd(quint16(port)).mid(0, 2), QStringList({otherMachine, "another machine"}));
    }

    void hostileRouter_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<int>("lease");
        const QString lan = "LAN内 192.168.77.2:9870", upnp = "接続先 11.0.0.9:9870", natPmp = "接続先 11.0.0.1:9870";
        for (const char *outside : {"255.255.255.255", "224.0.0.1", "240.0.0.1", "192.0.2.1", "1"})
            QTest::newRow(outside) << QStringList{"--ip", outside} << lan << 3600;
        QTest::newRow("fault with error code 0") << QStringList{"--fault", "0"} << lan << 0;
        QTest::newRow("forty answers of others first") << QStringList{"--fakes", "40"} << upnp << 3600;
        QTest::newRow("an IGD that is not the gateway") << QStringList{"--location", "192.168.77.4"} << natPmp << 3600;
        QTest::newRow("oversized description") << QStringList{"--desc-size", "70000"} << natPmp << 3600;
        QTest::newRow("IPv6 firewall of the gateway")
            << QStringList{"--ssdp6", "fe80::1"} << upnp + " [" + homeAddress6 + "]:9870" << 3600;
        QTest::newRow("IPv6 firewall of another device") << QStringList{"--ssdp6", "fe80::4"} << upnp << 3600;
        for (const char *life : {"1", "8589935", "4294967295"})
            QTest::newRow(life) << QStringList{"--no-upnp", "--life", life} << natPmp << (life[1] ? 3600 : 120);
        QTest::newRow("port 0") << QStringList{"--no-upnp", "--port", "0"} << lan << 0;
        QTest::newRow("port 12345") << QStringList{"--no-upnp", "--port", "12345"} << "外部ポート不可 " + lan << 0;
        QTest::newRow("short answer") << QStringList{"--no-upnp", "--short"} << lan << 0;
        QTest::newRow("wrong opcode") << QStringList{"--no-upnp", "--opcode", "129"} << lan << 0;
    }
    // Whatever a router on the home network says, the host shows only a
    // public address and a port the friend can type, and NAT-PMP is asked
    // when the IGD is not to be believed; leases are held to 2 min .. 1 h.
    void hostileRouter()
    {
        QFETCH(QStringList, options);
        QFETCH(QString, shown);
        QFETCH(int, lease);
        QVERIFY(router.hostile(options));
        QPointer<form5> host = openHost(9870);
        QVERIFY(settled(host));
        QCOMPARE(host->Text1->placeholderText(), shown);
        QCOMPARE(host->portMap()->lease(), lease);
    }

    // A slow router still removing the last window's mapping when the host
    // window opens again: the new window's mapping stays.
    void slowRouterReopened()
    {
        QVERIFY(router.hostile({"--slow-delete", "2"}));
        QVERIFY(settled(openHost(9870)));
        Module1::unload(FormId::form5);
        QVERIFY(settled(openHost(9870)));
        QVERIFY(waitFor([&] { return router.log().contains("DeletePortMapping 9870"); }));
        const QString log = router.log();
        QVERIFY2(log.lastIndexOf("AddPortMapping 9870") > log.lastIndexOf("DeletePortMapping 9870"), qPrintable(log));
    }
};

QTEST_MAIN(LabRouter)
#include "lab_router.moc"
