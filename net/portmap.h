#pragma once
// Asks the home router to forward a TCP port to this machine, so that a
// friend on the internet can reach the host: UPnP IGD first, NAT-PMP when no
// IGD answers. Everything that talks to the router runs on a worker thread of
// its own; the results come back to the user-interface thread as `changed`.
// Without a router, or with one that refuses, nothing is ever shown or
// asked: the state simply says so.
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <memory>

class PortMap : public QObject {
    Q_OBJECT
public:
    enum class State {
        Off,       // not asked (or switched off)
        Asking,    // looking for the router, or waiting for its answer
        Mapped,    // the router forwards externalAddress():externalPort() here
        NoRouter,  // neither UPnP nor NAT-PMP answered
        Refused,   // a router answered but would not map the port
        Taken,     // the router's port already goes to another machine
    };
    enum class Method { None, Upnp, NatPmp };

    explicit PortMap(QObject *parent = nullptr);
    // Releases the mapping, as release() does.
    ~PortMap() override;

    // Starts asking for port (external and internal alike); returns at once.
    void open(quint16 port);
    // Removes the mapping from the router. Waits at most waitMs for the
    // router's answer, and not at all when no mapping can be held; a mapping
    // that could not be removed in time ends with its lease.
    void release(int waitMs = 1500);
    // Renews the lease now (what the renewal timer does at half the lease).
    void renew();

    State state() const { return m_state; }
    // Mapped, and to an address of the internet: a router whose own outside
    // is a private or shared (carrier NAT) network maps in vain.
    bool reachableFromInternet() const;
    Method method() const { return m_method; }
    QString externalAddress() const { return m_externalAddress; }
    quint16 externalPort() const { return m_externalPort; }
    // Milliseconds from open() to the last change of state.
    qint64 settledAfterMs() const { return m_settledAfterMs; }

    // This machine's IPv4 addresses on its networks, private ranges first,
    // without loopback and link-local ones.
    static QStringList localAddresses();

    // The name the router shows beside the mapping.
    static constexpr const char *description = "Kobanto";
    // Off: open() does nothing and no packet leaves (tests that must not
    // talk to the machine's real router).
    static void setEnabled(bool enabled);
    static bool enabled();
    // The lease asked for; renewed at half of what the router grants.
    static constexpr int leaseSeconds = 3600;

signals:
    void changed();

private:
    struct Worker;
    void apply(State state, Method method, const QString &address, quint16 port, int leaseSeconds);

    std::shared_ptr<Worker> m_worker;
    State m_state = State::Off;
    Method m_method = Method::None;
    QString m_externalAddress;
    quint16 m_externalPort = 0;
    QElapsedTimer m_clock;
    qint64 m_settledAfterMs = -1;
    QTimer *m_renewal = nullptr;
};
