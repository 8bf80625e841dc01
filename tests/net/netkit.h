#pragma once
// Shared by the network tests: ports on this machine, host and client
// windows in one process, and a raw socket peer that sees the exact bytes.
#include <QPointer>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>
#include <memory>

#include "net/form5.h"
#include "net/form8.h"
#include "net/form9.h"
#include "shell/layout.h"
#include "shell/module1.h"
#include "tests/common/testkit.h"

namespace NetKit {
constexpr int waitMs = 4000;

// Stands in for the mode menu when it is not part of this build.
class MenuStub : public KWindow {
public:
    MenuStub() : KWindow(FormId::Form3) {}
};

inline void init()
{
    TestKit::init();
    if (!Module1::load(FormId::Form3))
        Module1::registerForm(FormId::Form3, [] { return new MenuStub; });
    Module1::unload(FormId::Form3);
    TestKit::settle();
    Winsock::setDefaultConnectTimeout(3000);
}

inline bool wait(const std::function<bool()> &cond, int ms = waitMs) { return QTest::qWaitFor(cond, ms); }

inline bool portFree(quint16 port)
{
    QTcpServer s;
    return s.listen(QHostAddress::Any, port);
}

// A free port in the range the settings dialogs accept.
inline quint16 freePort()
{
    for (int i = 0; i < 200; ++i) {
        const auto port = static_cast<quint16>(1024 + QRandomGenerator::global()->bounded(8976));
        if (portFree(port))
            return port;
    }
    return 0;
}

inline bool menuShown() { return Module1::loaded(FormId::Form3) != nullptr; }
inline Form9 *chat() { return Module1::form<Form9>(FormId::Form9); }
inline QStringList chatLines()
{
    QStringList out;
    if (Form9 *f = chat())
        for (int i = 0; i < f->List1->count(); ++i)
            out << f->List1->item(i)->text();
    return out;
}

// A host window listening on a free port (retried if the port was taken
// in the meantime).
inline form5 *openHost(quint16 &port, const QString &name = QStringLiteral("Host"))
{
    for (int attempt = 0; attempt < 5; ++attempt) {
        port = freePort();
        Module1::setserverdata(name, static_cast<qint16>(port));
        auto *h = qobject_cast<form5 *>(Module1::show(FormId::form5));
        if (h && h->Winsock1->state() == Winsock::State::Listening)
            return h;
        TestKit::reset();
    }
    return nullptr;
}

inline Form8 *openClient(quint16 port, const QString &name = QStringLiteral("Guest"),
                         const QString &host = QStringLiteral("127.0.0.1"))
{
    Module1::setclientdata(name, static_cast<qint16>(port), host);
    return qobject_cast<Form8 *>(Module1::show(FormId::Form8));
}

struct Pair {
    QPointer<form5> host;
    QPointer<Form8> client;
    quint16 port = 0;
    bool ok() const { return host && client && host->connected == 1 && client->connected == 1; }
};

inline Pair openPair(const QString &hostName = QStringLiteral("Host"), const QString &clientName = QStringLiteral("Guest"))
{
    Pair p;
    p.host = openHost(p.port, hostName);
    if (!p.host)
        return p;
    p.client = openClient(p.port, clientName);
    wait([&] { return p.ok() && p.host->waitingEvents() == 0 && p.client->waitingEvents() == 0; });
    return p;
}

inline bool sameBoards(const MatchWindow *a, const MatchWindow *b)
{
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c)
            if (a->Board[r][c] != b->Board[r][c])
                return false;
    return a->turnColor == b->turnColor && a->moveCount == b->moveCount && a->passFlag == b->passFlag
           && a->Label1->text() == b->Label1->text();
}

// A peer that speaks the protocol by hand and keeps every byte it receives.
class RawPeer {
public:
    explicit RawPeer(QTcpSocket *socket) : m_socket(socket)
    {
        m_socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        QObject::connect(m_socket, &QTcpSocket::readyRead, m_socket, [this] { received += m_socket->readAll(); });
    }
    ~RawPeer() { delete m_socket; }

    // Connects to a host window on this machine.
    static std::unique_ptr<RawPeer> connectTo(quint16 port)
    {
        auto *s = new QTcpSocket;
        s->connectToHost(QHostAddress::LocalHost, port);
        auto peer = std::make_unique<RawPeer>(s);
        if (!wait([s] { return s->state() == QAbstractSocket::ConnectedState; }))
            return nullptr;
        return peer;
    }

    void send(const QByteArray &bytes)
    {
        m_socket->write(bytes);
        m_socket->flush();
    }
    // Waits until the received bytes begin with expected, then consumes them.
    bool expect(const QByteArray &expected, int ms = waitMs)
    {
        wait([&] { return received.size() >= expected.size(); }, ms);
        if (!received.startsWith(expected)) {
            qWarning() << "expected" << expected << "received" << received;
            return false;
        }
        received.remove(0, expected.size());
        return true;
    }
    bool closedByPeer() const { return m_socket->state() == QAbstractSocket::UnconnectedState; }
    void close() { m_socket->abort(); }
    QTcpSocket *socket() const { return m_socket; }

    QByteArray received;

private:
    QTcpSocket *m_socket;
};

// A host by hand, for a client window to connect to.
class RawHost {
public:
    RawHost()
    {
        for (int i = 0; i < 20 && !server.isListening(); ++i) {
            port = freePort();
            server.listen(QHostAddress::Any, port);
        }
    }
    std::unique_ptr<RawPeer> accept()
    {
        if (!wait([this] { return server.hasPendingConnections(); }))
            return nullptr;
        QTcpSocket *s = server.nextPendingConnection();
        s->setParent(nullptr);
        return std::make_unique<RawPeer>(s);
    }
    QTcpServer server;
    quint16 port = 0;
};

// A client window connected to a raw host.
struct ClientWithRawHost {
    QPointer<Form8> client;
    std::unique_ptr<RawHost> rawHost;
    std::unique_ptr<RawPeer> peer;
};
inline ClientWithRawHost openClientWithRawHost(const QString &name = QStringLiteral("Guest"))
{
    ClientWithRawHost r;
    r.rawHost = std::make_unique<RawHost>();
    r.client = openClient(r.rawHost->port, name);
    r.peer = r.rawHost->accept();
    wait([&] { return r.client && r.client->connected == 1 && r.client->waitingEvents() == 0; });
    return r;
}

// A host window connected to a raw client.
struct HostWithRawClient {
    QPointer<form5> host;
    std::unique_ptr<RawPeer> peer;
    quint16 port = 0;
};
inline HostWithRawClient openHostWithRawClient(const QString &name = QStringLiteral("Host"))
{
    HostWithRawClient r;
    r.host = openHost(r.port, name);
    if (!r.host)
        return r;
    r.peer = RawPeer::connectTo(r.port);
    wait([&] { return r.host && r.host->connected == 1 && r.host->waitingEvents() == 0; });
    return r;
}

// Clicks a cell as the mouse does (a locked board takes no click).
inline void clickCell(MatchWindow *w, int index) { QTest::mouseClick(w->Image1[index], Qt::LeftButton); }
}  // namespace NetKit
