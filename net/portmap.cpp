#include "net/portmap.h"

#include <QHostAddress>
#include <QNetworkInterface>
#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>
#include <mutex>
#include <natpmp.h>
#include <string>
#include <sys/select.h>
#include <thread>

namespace {
std::atomic<bool> g_enabled{true};

// A router on the home network answers discovery within a few milliseconds;
// the search still waits this long for every answer to come in.
constexpr int discoverMs = 1000;
// NAT-PMP asks again at 250 ms, 500 ms, ... for a minute; past this the
// router is taken as silent.
constexpr int natPmpMs = 1500;
// UPnP errors that name what the router objects to.
constexpr int upnpConflict = 718;
constexpr int upnpOnlyPermanentLeases = 725;

using Clock = std::chrono::steady_clock;

bool privateIPv4(const QHostAddress &a)
{
    const quint32 v = a.toIPv4Address();
    return (v >> 24) == 10 || (v >> 20) == ((172u << 4) | 1u) || (v >> 16) == ((192u << 8) | 168u);
}
// 100.64.0.0/10: the carrier's NAT in front of the router.
bool sharedIPv4(const QHostAddress &a) { return (a.toIPv4Address() >> 22) == ((100u << 2) | 1u); }
}  // namespace

// The conversation with the router, on a thread of its own: one job at a
// time, the removal last. The PortMap and the thread share this; whichever
// goes last frees it.
struct PortMap::Worker {
    enum class Job { Map, Renew, Remove };

    std::mutex m;
    std::condition_variable cv;
    std::deque<Job> jobs;
    bool released = false;        // the removal is queued: ask for nothing more
    bool mayHold = false;         // a mapping may be in place on the router
    PortMap *receiver = nullptr;  // cleared when the PortMap lets go

    // The thread's own from here on.
    quint16 port = 0;
    int lease = 3600;
    bool permanent = false;
    Method method = Method::None;
    bool haveIgd = false;
    UPNPUrls urls{};
    IGDdatas data{};
    char lanAddress[64] = {};
    natpmp_t natpmp{};
    bool natPmpOpen = false;

    void run()
    {
        for (;;) {
            Job job;
            {
                std::unique_lock<std::mutex> lock(m);
                cv.wait(lock, [this] { return !jobs.empty(); });
                job = jobs.front();
                jobs.pop_front();
            }
            switch (job) {
            case Job::Map:
                map();
                break;
            case Job::Renew:
                renew();
                break;
            case Job::Remove:
                remove();
                return;
            }
        }
    }

    bool cancelled()
    {
        std::lock_guard<std::mutex> lock(m);
        return released;
    }
    // From here a mapping may exist; false (and nothing asked) once released.
    bool beginRequest()
    {
        std::lock_guard<std::mutex> lock(m);
        if (released)
            return false;
        mayHold = true;
        return true;
    }
    void holdsNothing()
    {
        std::lock_guard<std::mutex> lock(m);
        mayHold = false;
        cv.notify_all();
    }
    void post(State state, const QString &address = QString(), quint16 externalPort = 0, int leaseSeconds = 0)
    {
        std::lock_guard<std::mutex> lock(m);
        if (!receiver)
            return;
        PortMap *r = receiver;
        const Method how = method;
        QMetaObject::invokeMethod(
            r,
            [r, state, how, address, externalPort, leaseSeconds] {
                r->apply(state, how, address, externalPort, leaseSeconds);
            },
            Qt::QueuedConnection);
    }

    void map()
    {
        int error = 0;
        if (UPNPDev *devices = upnpDiscover(discoverMs, nullptr, nullptr, UPNP_LOCAL_PORT_ANY, 0, 2, &error)) {
#if MINIUPNPC_API_VERSION >= 18
            char wanAddress[64] = {};
            const int found =
                UPNP_GetValidIGD(devices, &urls, &data, lanAddress, sizeof lanAddress, wanAddress, sizeof wanAddress);
#else
            const int found = UPNP_GetValidIGD(devices, &urls, &data, lanAddress, sizeof lanAddress);
#endif
            freeUPNPDevlist(devices);
            // 1: a connected gateway; 2: a gateway that says otherwise (or
            // sits behind another NAT), worth asking all the same.
            haveIgd = found == 1 || found == 2;
            if (found != 0 && !haveIgd)
                FreeUPNPUrls(&urls);
        }
        if (cancelled())
            return;
        if (haveIgd)
            return mapUpnp();
        mapNatPmp();
    }

    std::string portText() const { return std::to_string(port); }
    int addUpnp(const char *leaseText)
    {
        const std::string p = portText();
        return UPNP_AddPortMapping(urls.controlURL, data.first.servicetype, p.c_str(), p.c_str(), lanAddress,
                                   description, "TCP", nullptr, leaseText);
    }

    void mapUpnp()
    {
        method = Method::Upnp;
        // Another machine's mapping of this port is reported, never replaced.
        char client[64] = {}, internalPort[16] = {}, desc[96] = {}, on[8] = {}, duration[32] = {};
        const std::string p = portText();
        if (UPNP_GetSpecificPortMappingEntry(urls.controlURL, data.first.servicetype, p.c_str(), "TCP", nullptr, client,
                                             internalPort, desc, on, duration) == UPNPCOMMAND_SUCCESS &&
            std::strcmp(client, lanAddress) != 0)
            return post(State::Taken);
        if (!beginRequest())
            return;
        const std::string leaseText = std::to_string(lease);
        int result = addUpnp(leaseText.c_str());
        if (result == upnpOnlyPermanentLeases) {
            // Removed when the host leaves, like any other; a crash leaves it.
            permanent = true;
            result = addUpnp("0");
        }
        if (result != UPNPCOMMAND_SUCCESS) {
            holdsNothing();
            return post(result == upnpConflict ? State::Taken : State::Refused);
        }
        char external[64] = {};
        if (UPNP_GetExternalIPAddress(urls.controlURL, data.first.servicetype, external) != UPNPCOMMAND_SUCCESS ||
            std::strcmp(external, "0.0.0.0") == 0)
            external[0] = '\0';
        post(State::Mapped, QString::fromLatin1(external), port, permanent ? 0 : lease);
    }

    // Waits for the answer to the last NAT-PMP request: 0 and resp filled, or
    // a libnatpmp error (NATPMP_TRYAGAIN when the time is up).
    int natPmpAnswer(natpmpresp_t &resp, int withinMs)
    {
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(withinMs);
        for (;;) {
            fd_set fds;
            FD_ZERO(&fds);
            FD_SET(natpmp.s, &fds);
            timeval tv{};
            getnatpmprequesttimeout(&natpmp, &tv);
            // Short slices, so that a release is noticed.
            if (tv.tv_sec > 0 || tv.tv_usec > 100000)
                tv = timeval{0, 100000};
            select(natpmp.s + 1, &fds, nullptr, nullptr, &tv);
            const int r = readnatpmpresponseorretry(&natpmp, &resp);
            if (r != NATPMP_TRYAGAIN || Clock::now() >= deadline)
                return r;
        }
    }
    static bool refusal(int r)
    {
        return r == NATPMP_ERR_NOTAUTHORIZED || r == NATPMP_ERR_NETWORKFAILURE || r == NATPMP_ERR_OUTOFRESOURCES ||
               r == NATPMP_ERR_UNSUPPORTEDOPCODE || r == NATPMP_ERR_UNDEFINEDERROR;
    }

    void mapNatPmp()
    {
        if (initnatpmp(&natpmp, 0, 0) < 0)
            return post(State::NoRouter);
        natPmpOpen = true;
        method = Method::NatPmp;
        if (!beginRequest())
            return;
        natpmpresp_t resp{};
        int r = sendnewportmappingrequest(&natpmp, NATPMP_PROTOCOL_TCP, port, port, static_cast<uint32_t>(lease));
        if (r >= 0)
            r = natPmpAnswer(resp, natPmpMs);
        if (r < 0) {
            holdsNothing();
            return post(refusal(r) ? State::Refused : State::NoRouter);
        }
        const quint16 external = resp.pnu.newportmapping.mappedpublicport;
        const int granted = static_cast<int>(resp.pnu.newportmapping.lifetime);
        QString address;
        if (sendpublicaddressrequest(&natpmp) >= 0 && natPmpAnswer(resp, natPmpMs) == 0 &&
            resp.type == NATPMP_RESPTYPE_PUBLICADDRESS) {
            char text[INET_ADDRSTRLEN] = {};
            if (inet_ntop(AF_INET, &resp.pnu.publicaddress.addr, text, sizeof text))
                address = QString::fromLatin1(text);
        }
        post(State::Mapped, address, external, granted);
    }

    void renew()
    {
        if (cancelled())
            return;
        if (method == Method::Upnp && !permanent) {
            const std::string leaseText = std::to_string(lease);
            const int result = addUpnp(leaseText.c_str());
            if (result == upnpConflict)
                post(State::Taken);
            else if (result != UPNPCOMMAND_SUCCESS)
                post(State::Refused);
            return;
        }
        if (method == Method::NatPmp) {
            natpmpresp_t resp{};
            if (sendnewportmappingrequest(&natpmp, NATPMP_PROTOCOL_TCP, port, port, static_cast<uint32_t>(lease)) >=
                    0 &&
                natPmpAnswer(resp, natPmpMs) == 0)
                post(State::Mapped, QString(), resp.pnu.newportmapping.mappedpublicport,
                     static_cast<int>(resp.pnu.newportmapping.lifetime));
        }
    }

    void remove()
    {
        bool held;
        {
            std::lock_guard<std::mutex> lock(m);
            held = mayHold;
        }
        if (held && method == Method::Upnp) {
            const std::string p = portText();
            UPNP_DeletePortMapping(urls.controlURL, data.first.servicetype, p.c_str(), "TCP", nullptr);
        } else if (held && method == Method::NatPmp) {
            // Lifetime 0 and external port 0 delete the mapping.
            natpmpresp_t resp{};
            if (sendnewportmappingrequest(&natpmp, NATPMP_PROTOCOL_TCP, port, 0, 0) >= 0)
                natPmpAnswer(resp, natPmpMs);
        }
        if (haveIgd)
            FreeUPNPUrls(&urls);
        if (natPmpOpen)
            closenatpmp(&natpmp);
        holdsNothing();
    }
};

PortMap::PortMap(QObject *parent) : QObject(parent)
{
    m_renewal = new QTimer(this);
    m_renewal->setSingleShot(true);
    connect(m_renewal, &QTimer::timeout, this, &PortMap::renew);
}

PortMap::~PortMap() { release(); }

void PortMap::open(quint16 port)
{
    if (!enabled() || m_worker || port == 0)
        return;
    m_worker = std::make_shared<Worker>();
    m_worker->receiver = this;
    m_worker->port = port;
    m_worker->lease = leaseSeconds;
    m_worker->jobs.push_back(Worker::Job::Map);
    m_clock.start();
    m_state = State::Asking;
    std::thread([w = m_worker] { w->run(); }).detach();
    emit changed();
}

void PortMap::renew()
{
    if (!m_worker)
        return;
    std::lock_guard<std::mutex> lock(m_worker->m);
    if (m_worker->released)
        return;
    m_worker->jobs.push_back(Worker::Job::Renew);
    m_worker->cv.notify_all();
}

void PortMap::release(int waitMs)
{
    m_renewal->stop();
    if (!m_worker)
        return;
    const std::shared_ptr<Worker> w = std::move(m_worker);
    std::unique_lock<std::mutex> lock(w->m);
    w->receiver = nullptr;
    w->released = true;
    w->jobs.push_back(Worker::Job::Remove);
    w->cv.notify_all();
    w->cv.wait_for(lock, std::chrono::milliseconds(waitMs), [&] { return !w->mayHold; });
    m_state = State::Off;
}

void PortMap::apply(State state, Method method, const QString &address, quint16 port, int leaseSeconds)
{
    if (!m_worker)
        return;
    m_state = state;
    m_method = method;
    if (state == State::Mapped) {
        if (!address.isEmpty())
            m_externalAddress = address;
        m_externalPort = port;
        // Renewed at half the lease, so a late answer still comes in time.
        if (leaseSeconds > 0)
            m_renewal->start(leaseSeconds * 500);
    }
    m_settledAfterMs = m_clock.elapsed();
    emit changed();
}

bool PortMap::reachableFromInternet() const
{
    const QHostAddress a(m_externalAddress);
    return m_state == State::Mapped && a.protocol() == QAbstractSocket::IPv4Protocol && !privateIPv4(a) &&
           !sharedIPv4(a) && !a.isLoopback() && !a.isLinkLocal() && a.toIPv4Address() != 0;
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
            (privateIPv4(a) ? privateOnes : others) << a.toString();
        }
    }
    return privateOnes + others;
}

void PortMap::setEnabled(bool on) { g_enabled = on; }
bool PortMap::enabled() { return g_enabled; }
