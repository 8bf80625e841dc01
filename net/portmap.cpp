#include "net/portmap.h"

#include <QFile>
#include <QFutureWatcher>
#include <QNetworkInterface>
#include <QSemaphore>
#include <QThreadPool>
#include <QtConcurrent/QtConcurrentRun>
#include <algorithm>
#include <arpa/inet.h>
#include <atomic>
#include <mutex>

#include "net/natpmpclient.h"
#include "net/upnpigd.h"

namespace {
std::atomic<bool> g_enabled{true};
std::atomic<int> g_leaseMin{120};
std::atomic<int> g_leaseMax{3600};

// Discovery and the description together; past this NAT-PMP is asked.
constexpr int discoverBudgetMs = 2000;
// The client dialog takes at most four digits of port.
constexpr quint16 maxTypeablePort = 9999;
constexpr int upnpConflict = 718;

bool privateIPv4(quint32 v) { return (v >> 24) == 10 || (v >> 20) == 0xAC1 || (v >> 16) == 0xC0A8; }

// The IPv4 default gateway of the calling thread's network (host order), 0
// when there is none; the lowest metric wins.
quint32 defaultGateway()
{
    QFile f(QStringLiteral("/proc/thread-self/net/route"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    quint32 gateway = 0;
    qint64 best = -1;
    for (const QByteArray &line : f.read(64 * 1024).split('\n')) {
        const QList<QByteArray> field = line.simplified().split(' ');
        bool ok = false;
        const quint32 flags = field.value(3).toUInt(&ok, 16);
        const qint64 metric = field.value(6).toLongLong();
        // RTF_UP | RTF_GATEWAY, to anywhere.
        if (!ok || field.value(1) != "00000000" || (flags & 3u) != 3u || (best >= 0 && metric >= best))
            continue;
        const quint32 raw = field.value(2).toUInt(&ok, 16);
        if (ok && raw != 0) {
            gateway = ntohl(raw);
            best = metric;
        }
    }
    return gateway;
}

// The IPv6 default gateway of the calling thread's network, with its
// interface as scope (homes learn a link-local one); null when none.
QHostAddress defaultGateway6()
{
    QFile f(QStringLiteral("/proc/thread-self/net/ipv6_route"));
    if (!f.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray &line : f.read(256 * 1024).split('\n')) {
        const QList<QByteArray> field = line.simplified().split(' ');
        bool ok = false;
        const quint32 flags = field.value(8).toUInt(&ok, 16);
        const QByteArray hop = QByteArray::fromHex(field.value(4));
        if (!ok || field.size() < 10 || field[1] != "00" || field[0].count('0') != 32 || (flags & 3u) != 3u ||
            hop.size() != 16 || hop.count('\0') == 16)
            continue;
        QHostAddress gateway(reinterpret_cast<const quint8 *>(hop.constData()));
        gateway.setScopeId(QString::fromLatin1(field[9]));
        return gateway;
    }
    return {};
}

// One thread for every conversation with the router, in the order asked.
// Never deleted: a slow router's last removal may still run as the program
// ends.
QThreadPool *routerThread()
{
    static QThreadPool *pool = [] {
        auto *p = new QThreadPool;
        p->setMaxThreadCount(1);
        return p;
    }();
    return pool;
}

int clampLease(quint32 granted) { return int(std::clamp<qint64>(granted, g_leaseMin.load(), g_leaseMax.load())); }
// Another port the friend can type, for a router that gave a longer one.
quint16 otherTypeablePort(quint16 port, int k) { return quint16(1024 + (port + k * 2851) % 8976); }
}  // namespace

struct PortMap::Outcome {
    Outcome(State s = State::Off, Method m = Method::None, quint32 a = 0, quint16 p = 0, int l = 0)
        : state(s), method(m), address(a), port(p), lease(l)
    {
    }
    State state;
    Method method;
    quint32 address;
    quint16 port;
    int lease;
    bool renewal = false;
    bool four = true;  // says how IPv4 stands
    bool six = false;  // says how IPv6 stands
    QHostAddress address6;
};

// What one PortMap knows of its router, touched by its jobs one at a time on
// the router thread; the flags below the line are shared with the
// user-interface thread.
struct PortMap::Session {
    quint16 port = 0;
    quint32 gateway = 0;
    std::shared_ptr<Upnp::Igd> igd;
    quint16 external = 0;
    bool held4 = false;  // the IPv4 mapping was made
    std::shared_ptr<Upnp::Igd> igd6;
    std::string pinhole;  // the IPv6 firewall's id for ours
    QHostAddress address6;

    std::mutex m;
    std::atomic<bool> released{false};  // the removal is asked for: ask for nothing more
    bool asked = false;                 // a mapping or pinhole was asked for
    QSemaphore removed;

    // From here a mapping may exist; false (and nothing asked) once released.
    bool begin()
    {
        std::lock_guard<std::mutex> lock(m);
        asked = asked || !released;
        return !released;
    }

    Outcome map()
    {
        gateway = defaultGateway();
        if (gateway == 0)
            return {State::NoRouter};
        igd = Upnp::find(QHostAddress(gateway), discoverBudgetMs, released);
        Outcome o = igd ? mapUpnp() : mapNatPmp(false);
        held4 = o.state == State::Mapped;
        return o;
    }
    // The IPv6 firewall's pinhole, where this machine has a public IPv6
    // address towards the gateway's IGD.
    Outcome open6()
    {
        Outcome o;
        o.four = false;
        o.six = true;
        const QHostAddress gateway6 = defaultGateway6();
        if (gateway6.isNull() || !(igd6 = Upnp::find(gateway6, discoverBudgetMs, released)) ||
            !publicUnicast(Upnp::localAddress(*igd6)) || !begin())
            return o;
        pinhole = Upnp::addPinhole(*igd6, port, g_leaseMax);
        if (!pinhole.empty())
            o.address6 = address6 = Upnp::localAddress(*igd6);
        return o;
    }
    Outcome renew()
    {
        Outcome o;
        o.four = false;
        if (held4 && begin()) {
            o = igd ? mapUpnp() : mapNatPmp(true);
            o.four = true;
        }
        if (!pinhole.empty() && begin()) {
            o.six = true;
            o.address6 = Upnp::updatePinhole(*igd6, pinhole, g_leaseMax) ? address6 : QHostAddress();
        }
        o.renewal = true;
        return o;
    }
    void remove()
    {
        if (held4 && igd)
            Upnp::remove(*igd, port);
        else if (held4)
            NatPmp::mapTcp(gateway, port, 0, 0);
        if (!pinhole.empty())
            Upnp::deletePinhole(*igd6, pinhole);
        removed.release();
    }

    Outcome mapUpnp()
    {
        if (!begin())
            return {};
        const Upnp::Mapped m = Upnp::add(*igd, port, g_leaseMax);
        if (m.error != 0)
            return {m.error == upnpConflict ? State::Taken : State::Refused, Method::Upnp};
        return {State::Mapped, Method::Upnp, Upnp::externalAddress(*igd), port, m.permanent ? 0 : g_leaseMax.load()};
    }
    Outcome mapNatPmp(bool renewal)
    {
        const quint16 suggestions[] = {renewal ? external : port, otherTypeablePort(port, 1),
                                       otherTypeablePort(port, 2)};
        for (quint16 suggested : suggestions) {
            if (!begin())
                return {};
            const NatPmp::Answer a = NatPmp::mapTcp(gateway, port, suggested, quint32(g_leaseMax));
            if (!a.answered || a.result != 0)
                return {a.answered ? State::Refused : State::NoRouter, Method::NatPmp};
            if (a.external <= maxTypeablePort) {
                external = a.external;
                const NatPmp::Answer outside = NatPmp::publicAddress(gateway);
                return {State::Mapped, Method::NatPmp, outside.answered && outside.result == 0 ? outside.address : 0,
                        a.external, clampLease(a.lifetime)};
            }
            // A port the friend cannot type: given back, and another asked.
            NatPmp::mapTcp(gateway, port, 0, 0);
        }
        return {State::LongPortOnly, Method::NatPmp};
    }
};

PortMap::PortMap(QObject *parent) : QObject(parent)
{
    m_renewal = new QTimer(this);
    m_renewal->setSingleShot(true);
    connect(m_renewal, &QTimer::timeout, this, &PortMap::renew);
}

PortMap::~PortMap() { release(); }

void PortMap::run(Outcome (Session::*job)())
{
    auto *watcher = new QFutureWatcher<Outcome>(this);
    const std::shared_ptr<Session> s = m_session;
    ++m_pending;
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, s] {
        watcher->deleteLater();
        if (s != m_session)
            return;
        --m_pending;
        apply(watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(routerThread(), [s, job] { return ((*s).*job)(); }));
}

void PortMap::open(quint16 port)
{
    if (!enabled() || m_session || port == 0)
        return;
    m_session = std::make_shared<Session>();
    m_session->port = port;
    m_clock.start();
    m_state = State::Asking;
    run(&Session::map);
    run(&Session::open6);
    emit changed();
}

void PortMap::renew()
{
    if (m_session)
        run(&Session::renew);
}

void PortMap::release(int waitMs)
{
    m_renewal->stop();
    if (!m_session)
        return;
    const std::shared_ptr<Session> s = std::move(m_session);
    m_pending = 0;
    bool asked;
    {
        std::lock_guard<std::mutex> lock(s->m);
        s->released = true;
        asked = s->asked;
    }
    // After whatever this window asked before; a later window's requests
    // come after it.
    routerThread()->start([s] { s->remove(); });
    if (asked)
        s->removed.tryAcquire(1, waitMs);
    m_state = State::Off;
}

void PortMap::apply(const Outcome &o)
{
    if (o.four && o.state != State::Off) {
        m_state = o.state;
        m_method = o.method;
        m_settledAfterMs = m_clock.elapsed();
    }
    if (o.four && o.state == State::Mapped) {
        m_external = o.address ? QHostAddress(o.address) : QHostAddress();
        m_externalPort = o.port;
        m_lease = o.lease;
    }
    if (o.six)
        m_address6 = o.address6;
    // Renewed at half the shorter lease, so a late answer still comes in
    // time; a renewal that failed is tried again as soon as the shortest
    // lease would have it.
    int lease = m_state == State::Mapped ? m_lease : 0;
    if (!m_address6.isNull())
        lease = lease > 0 ? std::min(lease, g_leaseMax.load()) : g_leaseMax.load();
    if (lease > 0)
        m_renewal->start(lease * 500);
    else if (o.renewal)
        m_renewal->start(g_leaseMin * 500);
    emit changed();
}

bool PortMap::reachableFromInternet() const
{
    return m_state == State::Mapped && !m_external.isNull() && publicUnicast(m_external);
}

bool PortMap::publicUnicast(const QHostAddress &a)
{
    if (a.protocol() == QAbstractSocket::IPv6Protocol) {
        // Global unicast (2000::/3) but for the documentation prefix.
        const Q_IPV6ADDR b = a.toIPv6Address();
        return (b[0] & 0xE0) == 0x20 && !(b[0] == 0x20 && b[1] == 0x01 && b[2] == 0x0D && b[3] == 0xB8);
    }
    if (a.protocol() != QAbstractSocket::IPv4Protocol)
        return false;
    const quint32 v = a.toIPv4Address();
    struct Block {
        quint32 base;
        int bits;
    };
    static constexpr Block notPublic[] = {
        {0x00000000, 8},  {0x0A000000, 8},  {0x64400000, 10}, {0x7F000000, 8},  {0xA9FE0000, 16},
        {0xAC100000, 12}, {0xC0000000, 24}, {0xC0000200, 24}, {0xC0586300, 24}, {0xC0A80000, 16},
        {0xC6120000, 15}, {0xC6336400, 24}, {0xCB007100, 24}, {0xE0000000, 4},  {0xF0000000, 4},
    };
    return std::none_of(std::begin(notPublic), std::end(notPublic),
                        [v](const Block &b) { return (v >> (32 - b.bits)) == (b.base >> (32 - b.bits)); });
}

QStringList PortMap::localAddresses()
{
    QStringList privateOnes, others;
    const auto wanted = QNetworkInterface::IsUp | QNetworkInterface::IsRunning;
    for (const QNetworkInterface &i : QNetworkInterface::allInterfaces()) {
        if ((i.flags() & wanted) != wanted || (i.flags() & QNetworkInterface::IsLoopBack))
            continue;
        for (const QNetworkAddressEntry &e : i.addressEntries()) {
            const QHostAddress a = e.ip();
            if (a.protocol() != QAbstractSocket::IPv4Protocol || a.isLoopback() || a.isLinkLocal())
                continue;
            (privateIPv4(a.toIPv4Address()) ? privateOnes : others) << a.toString();
        }
    }
    return privateOnes + others;
}

void PortMap::setEnabled(bool on) { g_enabled = on; }
bool PortMap::enabled() { return g_enabled; }
void PortMap::setLeaseRange(int minSeconds, int maxSeconds)
{
    g_leaseMin = minSeconds;
    g_leaseMax = maxSeconds;
}
