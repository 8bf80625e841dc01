#include "net/upnpigd.h"

#include <QByteArray>
#include <QHostAddress>
#include <QUrl>
#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <miniupnpc/miniupnpc.h>
#include <miniupnpc/upnpcommands.h>
#include <netinet/in.h>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

#include "net/portmap.h"

struct Upnp::Igd {
    UPNPUrls urls{};
    IGDdatas data{};
    char lanAddress[INET_ADDRSTRLEN] = {};
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
QString dotted(quint32 address) { return QHostAddress(address).toString(); }

// The description's address from an SSDP answer, when the gateway sent it and
// it names the gateway.
QUrl location(const QByteArray &answer, quint32 gateway)
{
    for (const QByteArray &line : answer.split('\n')) {
        if (!line.toLower().startsWith("location:"))
            continue;
        const QUrl url(QString::fromLatin1(line.mid(9).trimmed()), QUrl::StrictMode);
        if (url.isValid() && url.scheme() == QLatin1String("http") && url.host() == dotted(gateway))
            return url;
    }
    return {};
}

// Asks for the IGD by SSDP multicast; the first description address the
// gateway gives, within the deadline and at most maxAnswers answers read.
QUrl discover(quint32 gateway, Clock::time_point deadline)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return {};
    const unsigned char ttl = 2;
    ::setsockopt(fd, IPPROTO_IP, IP_MULTICAST_TTL, &ttl, sizeof ttl);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(1900);
    to.sin_addr.s_addr = inet_addr("239.255.255.250");
    for (int version : {1, 2}) {
        const std::string search = "M-SEARCH * HTTP/1.1\r\nHOST: 239.255.255.250:1900\r\nMAN: \"ssdp:discover\"\r\n"
                                   "MX: 1\r\nST: urn:schemas-upnp-org:device:InternetGatewayDevice:" +
                                   std::to_string(version) + "\r\n\r\n";
        ::sendto(fd, search.data(), search.size(), 0, reinterpret_cast<const sockaddr *>(&to), sizeof to);
    }
    QUrl found;
    for (int i = 0; i < maxAnswers && found.isEmpty() && readable(fd, deadline); ++i) {
        char buf[1536];
        sockaddr_in from{};
        socklen_t fromSize = sizeof from;
        const ssize_t n = ::recvfrom(fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr *>(&from), &fromSize);
        if (n > 0 && ntohl(from.sin_addr.s_addr) == gateway)
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
QByteArray fetch(const QUrl &url, Clock::time_point deadline, char (&lanAddress)[INET_ADDRSTRLEN])
{
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return {};
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(quint16(url.port(80)));
    inet_pton(AF_INET, url.host().toLatin1().constData(), &to.sin_addr);
    QByteArray reply;
    bool whole = false;
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&to), sizeof to) == 0 || errno == EINPROGRESS) {
        pollfd p{fd, POLLOUT, 0};
        int error = 0;
        socklen_t size = sizeof error;
        sockaddr_in local{};
        socklen_t localSize = sizeof local;
        const QByteArray get = "GET " + url.path(QUrl::FullyEncoded).toLatin1() +
                               (url.hasQuery() ? "?" + url.query(QUrl::FullyEncoded).toLatin1() : QByteArray()) +
                               " HTTP/1.1\r\nHost: " + url.authority().toLatin1() + "\r\nConnection: close\r\n\r\n";
        if (::poll(&p, 1, msLeft(deadline)) > 0 && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 &&
            error == 0 && ::getsockname(fd, reinterpret_cast<sockaddr *>(&local), &localSize) == 0 &&
            inet_ntop(AF_INET, &local.sin_addr, lanAddress, sizeof lanAddress) &&
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
    const qsizetype headerEnd = reply.indexOf("\r\n\r\n");
    if (!whole || headerEnd < 0 || headerEnd > maxHeaderBytes || !reply.startsWith("HTTP/1.") ||
        reply.mid(8, 5) != " 200 ")
        return {};
    QByteArray body = reply.mid(headerEnd + 4);
    if (reply.left(headerEnd).toLower().contains("\r\ntransfer-encoding: chunked"))
        body = unchunk(body);
    return body.size() <= maxDescriptionBytes ? body : QByteArray();
}
}  // namespace

std::shared_ptr<Igd> find(quint32 gateway, int budgetMs)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(budgetMs);
    const QUrl url = discover(gateway, deadline);
    if (url.isEmpty())
        return nullptr;
    auto igd = std::make_shared<Igd>();
    const QByteArray description = fetch(url, deadline, igd->lanAddress);
    if (description.isEmpty())
        return nullptr;
    parserootdesc(description.constData(), int(description.size()), &igd->data);
    GetUPNPUrls(&igd->urls, &igd->data, url.toEncoded().constData(), 0);
    // The description may send the control point anywhere: only the gateway
    // itself is asked.
    const QUrl control(QString::fromLatin1(igd->urls.controlURL ? igd->urls.controlURL : ""));
    if (igd->data.first.servicetype[0] == '\0' || control.scheme() != QLatin1String("http") ||
        control.host() != dotted(gateway))
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
        return UPNP_GetSpecificPortMappingEntry(control, service, p.c_str(), "TCP", nullptr, client, inPort, desc,
                                                on, duration) == UPNPCOMMAND_SUCCESS &&
               client[0] != '\0' && inPort[0] != '\0';
    };
    Mapped m;
    // Another machine's mapping of this port is reported, never replaced.
    if (listed() && std::strcmp(client, igd.lanAddress) != 0) {
        m.error = upnpConflict;
        return m;
    }
    const auto ask = [&](const std::string &lease) {
        return UPNP_AddPortMapping(control, service, p.c_str(), p.c_str(), igd.lanAddress, PortMap::description,
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
        !(listed() && std::strcmp(client, igd.lanAddress) == 0 && p == inPort))
        m.error = UPNPCOMMAND_UNKNOWN_ERROR;
    return m;
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
