#include "net/upnpigd.h"

#include <QByteArray>
#include <QHostAddress>
#include <QNetworkInterface>
#include <QUrl>
#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

struct Upnp::Igd {
    UPNPUrls urls{};
    IGDdatas data{};
    QByteArray lanAddress;
    ~Igd() { FreeUPNPUrls(&urls); }
};

namespace Upnp {
namespace {
using Clock = std::chrono::steady_clock;
constexpr int upnpConflict = 718;
constexpr int upnpOnlyPermanentLeases = 725;
// Answers read in one discovery, whoever sends them.
constexpr int maxAnswers = 64;
// For the description: the header and what a reply may add around the body.
constexpr int maxHeaderBytes = 8 * 1024;

int msLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}
bool readable(int fd, Clock::time_point deadline)
{
    pollfd p{fd, POLLIN, 0};
    const int ms = msLeft(deadline);
    return ms > 0 && ::poll(&p, 1, ms) > 0;
}
bool v6(const QHostAddress &a) { return a.protocol() == QAbstractSocket::IPv6Protocol; }
// The same address, whatever scope either names.
bool same(const QHostAddress &a, const QHostAddress &b)
{
    if (v6(a) != v6(b))
        return false;
    return v6(a) ? std::memcmp(a.toIPv6Address().c, b.toIPv6Address().c, 16) == 0
                 : a.toIPv4Address() == b.toIPv4Address();
}
// The socket address of a; a link-local one on the interface its scope names.
socklen_t socketAddress(const QHostAddress &a, quint16 port, sockaddr_storage &out)
{
    out = {};
    if (!v6(a)) {
        auto *in = reinterpret_cast<sockaddr_in *>(&out);
        in->sin_family = AF_INET;
        in->sin_port = htons(port);
        in->sin_addr.s_addr = htonl(a.toIPv4Address());
        return sizeof *in;
    }
    auto *in6 = reinterpret_cast<sockaddr_in6 *>(&out);
    in6->sin6_family = AF_INET6;
    in6->sin6_port = htons(port);
    std::memcpy(&in6->sin6_addr, a.toIPv6Address().c, 16);
    if (a.isLinkLocal())
        in6->sin6_scope_id = uint32_t(QNetworkInterface::interfaceIndexFromName(a.scopeId()));
    return sizeof *in6;
}

// The description's address from an SSDP answer the gateway sent: over IPv4
// it must name the gateway; over IPv6 the gateway answers from its link-local
// address and names one of its own.
QUrl location(const QByteArray &answer, const QHostAddress &gateway)
{
    for (const QByteArray &line : answer.split('\n')) {
        if (!line.toLower().startsWith("location:"))
            continue;
        const QUrl url(QString::fromLatin1(line.mid(9).trimmed()), QUrl::StrictMode);
        const QHostAddress host(url.host());
        if (url.isValid() && url.scheme() == QLatin1String("http") &&
            (v6(gateway) ? v6(host) && !host.isLinkLocal() : same(host, gateway)))
            return url;
    }
    return {};
}

// This machine's IPv4 address on the way to the gateway (no packet is sent).
bool localAddressTowards(const QHostAddress &gateway, in_addr &local)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_storage to;
    const socklen_t toSize = socketAddress(gateway, 1900, to);
    sockaddr_in me{};
    socklen_t size = sizeof me;
    const bool ok = fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr *>(&to), toSize) == 0 &&
                    ::getsockname(fd, reinterpret_cast<sockaddr *>(&me), &size) == 0;
    if (fd >= 0)
        ::close(fd);
    local = me.sin_addr;
    return ok;
}

// Asks for the IGD by SSDP multicast on the gateway's network; the first
// description address the gateway gives, within the deadline and at most
// maxAnswers answers read.
QUrl discover(const QHostAddress &gateway, Clock::time_point deadline, const std::atomic<bool> &cancel)
{
    const int fd = ::socket(v6(gateway) ? AF_INET6 : AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return {};
    QHostAddress group(QStringLiteral("239.255.255.250"));
    if (v6(gateway)) {
        const unsigned interface = unsigned(QNetworkInterface::interfaceIndexFromName(gateway.scopeId()));
        const int hops = 2;
        ::setsockopt(fd, IPPROTO_IPV6, IPV6_MULTICAST_IF, &interface, sizeof interface);
        ::setsockopt(fd, IPPROTO_IPV6, IPV6_MULTICAST_HOPS, &hops, sizeof hops);
        group = QHostAddress(QStringLiteral("ff02::c"));
        group.setScopeId(gateway.scopeId());
    } else {
        const unsigned char ttl = 2;
        ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl);
        // Out of the interface that leads to the gateway, wherever the others go.
        in_addr towardsGateway{};
        if (localAddressTowards(gateway, towardsGateway))
            ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_IF, &towardsGateway, sizeof towardsGateway);
    }
    sockaddr_storage to;
    const socklen_t toSize = socketAddress(group, 1900, to);
    for (int version : {1, 2}) {
        const std::string search =
            "M-SEARCH * HTTP/1.1\r\nHOST: " + std::string(v6(gateway) ? "[FF02::C]" : "239.255.255.250") +
            ":1900\r\nMAN: \"ssdp:discover\"\r\nMX: 1\r\n"
            "ST: urn:schemas-upnp-org:device:InternetGatewayDevice:" +
            std::to_string(version) + "\r\n\r\n";
        ::sendto(fd, search.data(), search.size(), 0, reinterpret_cast<const sockaddr *>(&to), toSize);
    }
    QUrl found;
    for (int i = 0; i < maxAnswers && found.isEmpty() && Clock::now() < deadline && !cancel;) {
        // In slices, so that a cancel is seen.
        if (!readable(fd, std::min(deadline, Clock::now() + std::chrono::milliseconds(100))))
            continue;
        ++i;
        char buf[1536];
        sockaddr_storage from{};
        socklen_t fromSize = sizeof from;
        const ssize_t n = ::recvfrom(fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr *>(&from), &fromSize);
        if (n > 0 && same(QHostAddress(reinterpret_cast<const sockaddr *>(&from)), gateway))
            found = location(QByteArray(buf, int(n)), gateway);
    }
    ::close(fd);
    return found;
}

// Undoes "Transfer-Encoding: chunked"; empty when the chunks do not add up.
QByteArray unchunk(const QByteArray &body)
{
    QByteArray out;
    for (qsizetype at = 0;;) {
        const qsizetype end = body.indexOf("\r\n", at);
        bool ok = false;
        const qsizetype size = end < 0 ? -1 : body.mid(at, end - at).split(';').first().trimmed().toLongLong(&ok, 16);
        if (!ok || size < 0 || size > body.size() - end - 2)
            return {};
        if (size == 0)
            return out;
        out += body.mid(end + 2, size);
        at = end + 2 + size + 2;
    }
}

// GETs url from an IPv4 host before the deadline: the body, or nothing when
// the answer is not 200 or its body is larger than maxDescriptionBytes (read
// no further than that). lanAddress: this side's address of the connection.
QByteArray fetch(const QUrl &url, Clock::time_point deadline, QByteArray &lanAddress)
{
    sockaddr_storage to;
    const socklen_t toSize = socketAddress(QHostAddress(url.host()), quint16(url.port(80)), to);
    const int fd = ::socket(to.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return {};
    QByteArray reply;
    bool whole = false;
    sockaddr_storage local{};
    socklen_t localSize = sizeof local;
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&to), toSize) == 0 || errno == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        int error = 0;
        socklen_t size = sizeof error;
        const QByteArray get = "GET " + (url.path().isEmpty() ? "/" : url.path(QUrl::FullyEncoded).toLatin1()) +
                               (url.hasQuery() ? "?" + url.query(QUrl::FullyEncoded).toLatin1() : QByteArray()) +
                               " HTTP/1.1\r\nHost: " + url.authority().toLatin1() + "\r\nConnection: close\r\n\r\n";
        if (::poll(&p, 1, msLeft(deadline)) > 0 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 &&
            error == 0 && ::getsockname(fd, reinterpret_cast<sockaddr *>(&local), &localSize) == 0 &&
            ::send(fd, get.constData(), size_t(get.size()), MSG_NOSIGNAL) == get.size()) {
            while (reply.size() <= maxHeaderBytes + maxDescriptionBytes && readable(fd, deadline)) {
                char buf[8192];
                const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
                if (n <= 0) {
                    whole = n == 0;
                    break;
                }
                reply.append(buf, int(n));
            }
        }
    }
    ::close(fd);
    lanAddress = QHostAddress(reinterpret_cast<const sockaddr *>(&local)).toString().toLatin1();
    const qsizetype headerEnd = reply.indexOf("\r\n\r\n");
    if (!whole || headerEnd < 0 || headerEnd > maxHeaderBytes || !reply.startsWith("HTTP/1.") ||
        reply.mid(8, 4) != " 200")
        return {};
    QByteArray body = reply.mid(headerEnd + 4);
    if (reply.left(headerEnd).toLower().contains("\r\ntransfer-encoding: chunked"))
        body = unchunk(body);
    return body.size() <= maxDescriptionBytes ? body : QByteArray();
}
}  // namespace

std::shared_ptr<Igd> find(const QHostAddress &gateway, int budgetMs, const std::atomic<bool> &cancel)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(budgetMs);
    const QUrl url = discover(gateway, deadline, cancel);
    if (url.isEmpty())
        return nullptr;
    auto igd = std::make_shared<Igd>();
    const QByteArray description = fetch(url, deadline, igd->lanAddress);
    if (description.isEmpty())
        return nullptr;
    parserootdesc(description.constData(), int(description.size()), &igd->data);
    GetUPNPUrls(&igd->urls, &igd->data, url.toEncoded().constData(), 0);
    // The description may send the control point anywhere: only the address
    // the gateway gave is asked. Over IPv6 only the firewall is of use.
    const char *controlUrl = v6(gateway) ? igd->urls.controlURL_6FC : igd->urls.controlURL;
    const QUrl control(QString::fromLatin1(controlUrl ? controlUrl : ""));
    const char *service = v6(gateway) ? igd->data.IPv6FC.servicetype : igd->data.first.servicetype;
    if (service[0] == '\0' || control.scheme() != QLatin1String("http") || control.host() != url.host())
        return nullptr;
    return igd;
}

Mapped add(const Igd &igd, quint16 port, int leaseSeconds)
{
    const char *control = igd.urls.controlURL;
    const char *service = igd.data.first.servicetype;
    const std::string p = std::to_string(port);
    // The mapping now in place for the port, if any: to which machine and port.
    char client[64] = {}, inPort[16] = {};
    const auto listed = [&] {
        char desc[96] = {}, on[8] = {}, duration[32] = {};
        client[0] = inPort[0] = '\0';
        // A fault with error code 0 reads as success, with nothing filled in.
        return UPNP_GetSpecificPortMappingEntry(control, service, p.c_str(), "TCP", nullptr, client, inPort, desc, on,
                                                duration) == UPNPCOMMAND_SUCCESS &&
               client[0] != '\0' && inPort[0] != '\0';
    };
    Mapped m;
    // Another machine's mapping of this port is reported, never replaced.
    if (listed() && std::strcmp(client, igd.lanAddress.constData()) != 0) {
        m.error = upnpConflict;
        return m;
    }
    const auto ask = [&](const std::string &lease) {
        return UPNP_AddPortMapping(control, service, p.c_str(), p.c_str(), igd.lanAddress.constData(), mappingName,
                                   "TCP", nullptr, lease.c_str());
    };
    m.error = ask(std::to_string(leaseSeconds));
    if (m.error == upnpOnlyPermanentLeases) {
        // Removed when the host leaves, like any other; a crash leaves it.
        m.permanent = true;
        m.error = ask("0");
    }
    // A fault may carry error code 0, which the library reads as success:
    // the router's own list decides.
    if (m.error == UPNPCOMMAND_SUCCESS &&
        !(listed() && std::strcmp(client, igd.lanAddress.constData()) == 0 && p == inPort))
        m.error = UPNPCOMMAND_UNKNOWN_ERROR;
    return m;
}

QHostAddress localAddress(const Igd &igd) { return QHostAddress(QString::fromLatin1(igd.lanAddress)); }

std::string addPinhole(const Igd &igd, quint16 port, int leaseSeconds)
{
    char id[8] = {};
    const std::string p = std::to_string(port), lease = std::to_string(leaseSeconds);
    // From anywhere ("" and port 0) to this machine's port, TCP (6).
    if (UPNP_AddPinhole(igd.urls.controlURL_6FC, igd.data.IPv6FC.servicetype, "", "0", igd.lanAddress.constData(),
                        p.c_str(), "6", lease.c_str(), id) != UPNPCOMMAND_SUCCESS)
        return {};
    return id;
}

bool updatePinhole(const Igd &igd, const std::string &id, int leaseSeconds)
{
    return UPNP_UpdatePinhole(igd.urls.controlURL_6FC, igd.data.IPv6FC.servicetype, id.c_str(),
                              std::to_string(leaseSeconds).c_str()) == UPNPCOMMAND_SUCCESS;
}

void deletePinhole(const Igd &igd, const std::string &id)
{
    UPNP_DeletePinhole(igd.urls.controlURL_6FC, igd.data.IPv6FC.servicetype, id.c_str());
}

quint32 externalAddress(const Igd &igd)
{
    char text[16] = {};
    in_addr a{};
    if (UPNP_GetExternalIPAddress(igd.urls.controlURL, igd.data.first.servicetype, text) != UPNPCOMMAND_SUCCESS ||
        inet_pton(AF_INET, text, &a) != 1)
        return 0;
    return ntohl(a.s_addr);
}

void remove(const Igd &igd, quint16 port)
{
    const std::string p = std::to_string(port);
    UPNP_DeletePortMapping(igd.urls.controlURL, igd.data.first.servicetype, p.c_str(), "TCP", nullptr);
}
}  // namespace Upnp
