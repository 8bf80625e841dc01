#pragma once
// The network windows' TCP socket control: listens for one client or
// connects to a host, sends one message per SendData, and reports what
// happens as events. The windows talk to the network only through it.
#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <deque>

class QTcpServer;
class QTcpSocket;
class QTimer;

class Winsock : public QObject {
    Q_OBJECT
public:
    enum class State { Closed, Listening, Connecting, Connected };

    // Error numbers of the Error event.
    static constexpr qint16 AddressInUse = 10048;
    static constexpr qint16 NetworkUnreachable = 10051;
    static constexpr qint16 ConnectionAborted = 10053;
    static constexpr qint16 ConnectionReset = 10054;
    static constexpr qint16 TimedOut = 10060;
    static constexpr qint16 ConnectionRefused = 10061;
    static constexpr qint16 HostNotFound = 11001;

    explicit Winsock(QObject *parent = nullptr);
    ~Winsock() override;

    State state() const { return m_state; }

    // The port Listen binds. After a successful Listen on port 0 it tells
    // the port the system chose.
    void setLocalPort(quint16 port) { m_localPort = port; }

    // Start listening on LocalPort (every interface). False if the port
    // cannot be opened; nothing listens then.
    bool Listen();
    // Take the pending request as this control's connection. Every other
    // pending request is turned away.
    void Accept(qint32 requestID);
    // Start connecting to an IPv4 or IPv6 address or a host name; the
    // outcome is a Connect or an Error event (HostNotFound for a name that
    // does not resolve or holds a blank or a control character).
    void Connect(const QString &host, quint16 port);
    // Hand one message to the connection; SendComplete follows once all of
    // its bytes have been written. False when there is no connection.
    bool SendData(const QByteArray &bytes);
    // Everything received and not read yet.
    QByteArray GetData();
    // Stop listening, drop the connection or the attempt. Pending requests
    // survive, so that a ConnectionRequest handler can close the listener
    // before it accepts. No event follows a Close.
    void Close();

signals:
    void ConnectionRequest(qint32 requestID);
    void Connect();
    void DataArrival(qint32 bytesTotal);
    void SendComplete();
    void Error(qint16 number, const QString &description);
    // The peer closed the connection or it broke. Not raised by Close.
    void Disconnected();

private:
    friend class TestAccess;
    // Keep-alive of the connection: with no traffic for idleSeconds the
    // system probes the peer every intervalSeconds, and after `probes`
    // unanswered probes the connection is lost, so a peer that vanished
    // without closing (a router restarting, a lid closed) is noticed within
    // about a minute. The probes also keep a router's NAT entry alive while
    // both players think or sit on the result.
    // Probes are sent only while nothing waits for the peer's acknowledgement;
    // a move the peer never acknowledges would be retransmitted for a quarter
    // of an hour. So sent bytes unacknowledged for as long as the probes take
    // also lose the connection.
    struct KeepAlive {
        int idleSeconds, intervalSeconds, probes;
        int silenceMs() const { return (idleSeconds + intervalSeconds * probes) * 1000; }
    };
    static inline KeepAlive s_keepAlive{20, 5, 4};
    static void keepAlive(QTcpSocket *socket);

    void adopt(QTcpSocket *socket);
    void dropSocket();
    void dropPending(qint32 keep = 0);
    void onBytesWritten(qint64 bytes);
    void onConnectFailed(qint16 number, const QString &description);
    void onLost();
    static qint16 errorNumber(int socketError);

    State m_state = State::Closed;
    quint16 m_localPort = 0;
    QTcpServer *m_server = nullptr;
    QTcpSocket *m_socket = nullptr;
    QTimer *m_connectTimer = nullptr;
    QHash<qint32, QTcpSocket *> m_pending;
    qint32 m_nextRequest = 0;
    std::deque<qint64> m_sendSizes;  // bytes still to be written, per send
    qint64 m_written = 0;
    // A connection attempt with no answer in this time fails with TimedOut.
    static constexpr int connectTimeoutMs = 10000;
};
