#pragma once
// Asks the home router to forward a TCP port to this machine, so that a
// friend on the internet can reach the host: UPnP IGD first, NAT-PMP when no
// IGD answers, and only ever the default gateway. The conversation runs on
// one router thread shared by every PortMap, one request at a time in the
// order asked, so an old window's removal is over before a new window asks;
// results come back to the user-interface thread as `changed`. Without a
// router, or with one that refuses, nothing is ever shown or asked: the
// state simply says so.
#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <memory>

class PortMap : public QObject {
    Q_OBJECT
public:
    enum class State {
        Off,           // not asked (or switched off)
        Asking,        // looking for the router, or waiting for its answer
        Mapped,        // the router forwards externalAddress():externalPort() here
        NoRouter,      // neither UPnP nor NAT-PMP answered
        Refused,       // a router answered but would not map the port
        Taken,         // the router's port already goes to another machine
        LongPortOnly,  // the router would forward only ports above 9999
    };
    enum class Method { None, Upnp, NatPmp };

    explicit PortMap(QObject *parent = nullptr);
    // Releases the mapping, as release() does.
    ~PortMap() override;

    // Starts asking for port (external and internal alike); returns at once.
    void open(quint16 port);
    // Removes this PortMap's mapping and pinhole from the router. Waits at
    // most waitMs for the router's answer, and not at all when nothing was
    // asked of it yet; what could not be removed in time ends with its lease.
    void release(int waitMs = 1500);
    // Renews the lease now (what the renewal timer does at half the lease).
    void renew();

    State state() const { return m_state; }
    // A request to the router is under way (IPv4 or IPv6).
    bool busy() const { return m_pending > 0; }
    // Mapped, and to a public unicast address of the internet: a router
    // whose outside is a private or shared (carrier NAT) network maps in vain.
    bool reachableFromInternet() const;
    Method method() const { return m_method; }
    // The router's outside address as we print it; empty when it gave none
    // in the dotted IPv4 form.
    QString externalAddress() const { return m_external.isNull() ? QString() : m_external.toString(); }
    quint16 externalPort() const { return m_externalPort; }
    // This machine's IPv6 address, when the router's IPv6 firewall lets the
    // internet reach our port there (a pinhole renewed and removed like the
    // mapping); empty otherwise.
    QString openIPv6Address() const { return m_address6.isNull() ? QString() : m_address6.toString(); }
    // The lease held, in seconds, as clamped (0: permanent or none).
    int lease() const { return m_lease; }
    // Milliseconds from open() to the last change of state.
    qint64 settledAfterMs() const { return m_settledAfterMs; }

    // This machine's IPv4 addresses on its networks, private ranges first,
    // without loopback and link-local ones.
    static QStringList localAddresses();
    // An address anyone on the internet can reach: IPv4 none of the private,
    // shared, loopback, link-local, documentation, multicast or reserved
    // ones; IPv6 global unicast but for documentation.
    static bool publicUnicast(const QHostAddress &address);

    // Off: open() does nothing and no packet leaves (tests that must not
    // talk to the machine's real router, and the command line's choice).
    static void setEnabled(bool enabled);
    static bool enabled();
    // The lease asked for is maxSeconds; what a router grants is held to
    // [minSeconds, maxSeconds] and renewed at half. Tests shorten it.
    static void setLeaseRange(int minSeconds, int maxSeconds);

signals:
    void changed();

private:
    struct Session;
    struct Outcome;
    void run(Outcome (Session::*job)());
    void apply(const Outcome &outcome);

    std::shared_ptr<Session> m_session;
    State m_state = State::Off;
    Method m_method = Method::None;
    QHostAddress m_external;
    QHostAddress m_address6;
    quint16 m_externalPort = 0;
    int m_lease = 0;
    int m_pending = 0;
    QElapsedTimer m_clock;
    qint64 m_settledAfterMs = -1;
    QTimer *m_renewal = nullptr;
};
