#include "net/winsock.h"

#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <algorithm>

#if defined(Q_OS_UNIX)
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

Winsock::Winsock(QObject *parent) : QObject(parent)
{
    m_connectTimer = new QTimer(this);
    m_connectTimer->setSingleShot(true);
    connect(m_connectTimer, &QTimer::timeout, this, [this] {
        if (m_state == State::Connecting)
            onConnectFailed(TimedOut, QStringLiteral("Connection timed out"));
    });
}

Winsock::~Winsock()
{
    Close();
    dropPending();
}

qint16 Winsock::errorNumber(int socketError)
{
    switch (static_cast<QAbstractSocket::SocketError>(socketError)) {
    case QAbstractSocket::ConnectionRefusedError:
        return ConnectionRefused;
    case QAbstractSocket::HostNotFoundError:
        return HostNotFound;
    case QAbstractSocket::SocketTimeoutError:
        return TimedOut;
    case QAbstractSocket::NetworkError:
        return NetworkUnreachable;
    case QAbstractSocket::AddressInUseError:
        return AddressInUse;
    case QAbstractSocket::RemoteHostClosedError:
        return ConnectionReset;
    default:
        return ConnectionAborted;
    }
}

bool Winsock::Listen()
{
    Close();
    dropPending();
    m_server = new QTcpServer(this);
    if (!m_server->listen(QHostAddress::Any, m_localPort)) {
        delete m_server;
        m_server = nullptr;
        return false;
    }
    m_localPort = m_server->serverPort();
    connect(m_server, &QTcpServer::newConnection, this, [this] {
        while (m_server && m_server->hasPendingConnections()) {
            QTcpSocket *s = m_server->nextPendingConnection();
            // Owned here, not by the server: the listener is closed before
            // the request is accepted.
            s->setParent(this);
            const qint32 id = ++m_nextRequest;
            m_pending.insert(id, s);
            emit ConnectionRequest(id);
        }
    });
    m_state = State::Listening;
    return true;
}

void Winsock::Accept(qint32 requestID)
{
    QTcpSocket *s = m_pending.take(requestID);
    dropPending();
    if (!s)
        return;
    dropSocket();
    adopt(s);
    m_state = State::Connected;
    // A client that left before it was accepted is a connection lost at once.
    if (s->state() != QAbstractSocket::ConnectedState)
        QMetaObject::invokeMethod(
            this, [this] { onLost(); }, Qt::QueuedConnection);
    else if (s->bytesAvailable() > 0)
        QMetaObject::invokeMethod(
            this,
            [this, s] {
                if (m_socket == s && s->bytesAvailable() > 0)
                    emit DataArrival(static_cast<qint32>(s->bytesAvailable()));
            },
            Qt::QueuedConnection);
}

void Winsock::keepAlive(QTcpSocket *s)
{
    s->setSocketOption(QAbstractSocket::KeepAliveOption, 1);
#if defined(Q_OS_UNIX) && defined(TCP_KEEPIDLE)
    const int fd = int(s->socketDescriptor());
    if (fd < 0)
        return;
    const auto set = [fd](int option, int value) { setsockopt(fd, IPPROTO_TCP, option, &value, sizeof value); };
    set(TCP_KEEPIDLE, s_keepAlive.idleSeconds);
    set(TCP_KEEPINTVL, s_keepAlive.intervalSeconds);
    set(TCP_KEEPCNT, s_keepAlive.probes);
#if defined(TCP_USER_TIMEOUT)
    set(TCP_USER_TIMEOUT, s_keepAlive.silenceMs());
#endif
#endif
}

void Winsock::adopt(QTcpSocket *s)
{
    m_socket = s;
    m_sendSizes.clear();
    m_written = 0;
    s->disconnect(this);
    s->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    keepAlive(s);
    connect(s, &QTcpSocket::readyRead, this, [this, s] {
        if (m_socket == s && s->bytesAvailable() > 0)
            emit DataArrival(static_cast<qint32>(qMin<qint64>(s->bytesAvailable(), 0x7fffffff)));
    });
    connect(s, &QTcpSocket::bytesWritten, this, [this, s](qint64 n) {
        if (m_socket == s)
            onBytesWritten(n);
    });
    connect(s, &QTcpSocket::disconnected, this, [this, s] {
        if (m_socket == s)
            onLost();
    });
    connect(s, &QTcpSocket::errorOccurred, this, [this, s](QAbstractSocket::SocketError e) {
        if (m_socket != s || m_state != State::Connected)
            return;
        if (e != QAbstractSocket::RemoteHostClosedError)
            emit Error(errorNumber(e), s->errorString());
        if (m_socket == s && s->state() == QAbstractSocket::UnconnectedState)
            onLost();
    });
}

void Winsock::onLost()
{
    if (m_state != State::Connected)
        return;
    m_state = State::Closed;
    m_sendSizes.clear();
    m_written = 0;
    emit Disconnected();
}

namespace {
// The host as the resolver wants it: an address, or a name such as a
// dynamic DNS name. Blanks around it are dropped, and an IPv6 address may be
// written in brackets, as in a URL.
QString hostToResolve(const QString &typed)
{
    QString host = typed.trimmed();
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    return host;
}

// Names under the reserved top-level domain "invalid" never resolve;
// asking a name server about them would only wait for its "no".
bool reservedInvalid(const QString &host)
{
    QString h = host.toLower();
    if (h.endsWith(QLatin1Char('.')))
        h.chop(1);
    return h == QLatin1String("invalid") || h.endsWith(QLatin1String(".invalid"));
}

// No host name holds a blank or a control character; the system's resolver
// would stop at a NUL and look up only what comes before it.
bool malformed(const QString &host)
{
    return std::any_of(host.begin(), host.end(),
                       [](QChar c) { return c.isSpace() || c.category() == QChar::Other_Control; });
}
}  // namespace

void Winsock::Connect(const QString &typedHost, quint16 port)
{
    Close();
    auto *s = new QTcpSocket(this);
    m_socket = s;
    m_state = State::Connecting;
    connect(s, &QTcpSocket::connected, this, [this, s] {
        if (m_socket != s || m_state != State::Connecting)
            return;
        m_connectTimer->stop();
        adopt(s);
        m_state = State::Connected;
        emit Connect();
    });
    connect(s, &QTcpSocket::errorOccurred, this, [this, s](QAbstractSocket::SocketError e) {
        if (m_socket == s && m_state == State::Connecting)
            onConnectFailed(errorNumber(e), s->errorString());
    });
    const QString host = hostToResolve(typedHost);
    if (reservedInvalid(host) || malformed(host))
        return onConnectFailed(HostNotFound, QStringLiteral("Host not found"));
    // The timer bounds the name lookup as well as the connection.
    m_connectTimer->start(connectTimeoutMs);
    s->connectToHost(host, port);
}

void Winsock::onConnectFailed(qint16 number, const QString &description)
{
    m_connectTimer->stop();
    dropSocket();
    m_state = State::Closed;
    // Reported from the event loop: the socket may report its failure from
    // inside connectToHost, that is, inside the caller's Connect.
    QMetaObject::invokeMethod(
        this, [this, number, description] { emit Error(number, description); }, Qt::QueuedConnection);
}

bool Winsock::SendData(const QByteArray &bytes)
{
    if (m_state != State::Connected || !m_socket || bytes.isEmpty())
        return false;
    if (m_socket->state() != QAbstractSocket::ConnectedState)
        return false;
    m_sendSizes.push_back(bytes.size());
    if (m_socket->write(bytes) != bytes.size()) {
        m_sendSizes.pop_back();
        return false;
    }
    // Out to the network now, so that each message leaves on its own.
    m_socket->flush();
    return true;
}

void Winsock::onBytesWritten(qint64 bytes)
{
    m_written += bytes;
    int complete = 0;
    while (!m_sendSizes.empty() && m_written >= m_sendSizes.front()) {
        m_written -= m_sendSizes.front();
        m_sendSizes.pop_front();
        ++complete;
    }
    // Reported from the event loop, one event per message, never from inside
    // the SendData that wrote it.
    QPointer<Winsock> self(this);
    QTcpSocket *s = m_socket;
    for (int i = 0; i < complete; ++i)
        QMetaObject::invokeMethod(
            this,
            [self, s] {
                if (self && self->m_socket == s && self->m_state == State::Connected)
                    emit self->SendComplete();
            },
            Qt::QueuedConnection);
}

QByteArray Winsock::GetData()
{
    if (!m_socket)
        return QByteArray();
    return m_socket->readAll();
}

void Winsock::dropSocket()
{
    if (!m_socket)
        return;
    QTcpSocket *s = m_socket;
    m_socket = nullptr;
    s->disconnect(this);
    // Whatever was handed over still leaves before the connection closes.
    if (s->state() == QAbstractSocket::ConnectedState) {
        s->flush();
        connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        s->disconnectFromHost();
        if (s->state() == QAbstractSocket::UnconnectedState)
            s->deleteLater();
    } else {
        s->abort();
        s->deleteLater();
    }
}

void Winsock::dropPending(qint32 keep)
{
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        if (it.key() == keep) {
            ++it;
            continue;
        }
        QTcpSocket *s = it.value();
        it = m_pending.erase(it);
        s->disconnect(this);
        s->abort();
        s->deleteLater();
    }
}

void Winsock::Close()
{
    m_connectTimer->stop();
    if (m_server) {
        m_server->close();
        m_server->deleteLater();
        m_server = nullptr;
    }
    dropSocket();
    m_sendSizes.clear();
    m_written = 0;
    m_state = State::Closed;
}
