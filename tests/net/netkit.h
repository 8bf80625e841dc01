#pragma once
// Shared by the network tests: free ports on this machine, host and client
// windows in one process, and a host of the test's own that sees the bytes.
// Cells are named by index (row * 8 + column).
#include <QTcpServer>
#include <QTcpSocket>
#include <QtTest>

#include "tests/common/access.h"
#include "tests/common/testkit.h"
#include "windowbase/boxqueue.h"
#include "windows/menu/form3.h"
#include "windows/net/form5.h"
#include "windows/net/form8.h"
#include "windows/net/form9.h"

namespace NetKit {
inline void init()
{
    TestKit::init();
    registerAllWindows();
}
inline bool wait(const std::function<bool()> &cond, int ms = 4000) { return QTest::qWaitFor(cond, ms); }
// Waits until every named condition holds at once; returns the names of those
// that still do not (empty when all hold), so that a failure says which.
using Condition = std::pair<const char *, std::function<bool()>>;
inline QString waitAll(std::initializer_list<Condition> conditions, int ms = 4000)
{
    const auto holds = [](const Condition &c) { return c.second(); };
    wait([&] { return std::all_of(conditions.begin(), conditions.end(), holds); }, ms);
    QStringList unmet;
    for (const Condition &c : conditions)
        if (!c.second())
            unmet << QString::fromUtf8(c.first);
    return unmet.join(QStringLiteral(", "));
}
inline bool portFree(quint16 port) { return QTcpServer().listen(QHostAddress::Any, port); }
// Makes server listen on a free port in the range the settings dialogs accept.
inline quint16 listenFree(QTcpServer &server)
{
    quint16 port = 0;
    for (int i = 0; i < 50 && !server.isListening(); ++i) {
        port = quint16(1024 + QRandomGenerator::global()->bounded(8976));
        server.listen(QHostAddress::Any, port);
    }
    return port;
}
inline quint16 freePort() { return listenFree(*std::make_unique<QTcpServer>()); }
inline bool menuShown() { return Module1::loaded(FormId::Form3) != nullptr; }
inline Form9 *chat() { return Module1::form<Form9>(FormId::Form9); }
inline QStringList chatLines()
{
    QStringList out;
    for (int i = 0; chat() && i < chat()->List1->count(); ++i)
        out << chat()->List1->item(i)->text();
    return out;
}
// Socket events and messages waiting for a box to close; received messages ignored.
inline int waiting(const NetMatchWindow *w) { return TestAccess::waitingEvents(w->net()); }
inline int ignored(const NetMatchWindow *w) { return TestAccess::ignoredMessages(w->net()); }
inline bool idle(NetMatchWindow *w) { return w && w->net()->connected && waiting(w) == 0; }
inline int cell(const MatchWindow *w, int index) { return w->board().at(index); }
inline void clickCell(MatchWindow *w, int index) { QTest::mouseClick(w->Image1[index], Qt::LeftButton); }
inline Form8 *openClient(quint16 port, const QString &name = QStringLiteral("Guest"))
{
    Module1::setclientdata(name, qint16(port), QStringLiteral("127.0.0.1"));
    return qobject_cast<Form8 *>(Module1::show(FormId::Form8));
}
struct Pair {
    QPointer<form5> host;
    QPointer<Form8> client;
    quint16 port = 0;
    bool ok() const { return idle(host) && idle(client); }
    NetMatchWindow *side(bool ofHost) const { return ofHost ? static_cast<NetMatchWindow *>(host) : client; }
};
inline Pair openPair()
{
    Pair p;
    p.port = freePort();
    Module1::setserverdata(QStringLiteral("Host"), qint16(p.port));
    p.host = qobject_cast<form5 *>(Module1::show(FormId::form5));
    p.client = openClient(p.port);
    wait([&] { return p.ok(); });
    return p;
}

// The client window connected to a host of the test's own that keeps every byte.
struct Raw {
    QTcpServer server;
    std::unique_ptr<QTcpSocket> s;
    QPointer<Form8> w;
    QByteArray got;
    void send(const QByteArray &b)
    {
        s->write(b);
        s->flush();
    }
    // Waits until the received bytes begin with want, then consumes them.
    bool expect(const QByteArray &want)
    {
        wait([&] { return got.size() >= want.size(); });
        if (!got.startsWith(want)) {
            qWarning() << "expected" << want << "received" << got;
            return false;
        }
        got.remove(0, want.size());
        return true;
    }
};
inline std::unique_ptr<Raw> openRaw(const QString &name = QStringLiteral("Guest"))
{
    auto r = std::make_unique<Raw>();
    r->w = openClient(listenFree(r->server), name);
    if (!wait([&] { return r->server.hasPendingConnections() && idle(r->w); }))
        return nullptr;
    r->s.reset(r->server.nextPendingConnection());
    r->s->setSocketOption(QAbstractSocket::LowDelayOption, 1);  // one send, one read
    QObject::connect(r->s.get(), &QTcpSocket::readyRead, r->s.get(), [p = r.get()] { p->got += p->s->readAll(); });
    return r;
}
}  // namespace NetKit
