#include "net/natpmpclient.h"

#include <arpa/inet.h>
#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace NatPmp {
namespace {
constexpr quint16 serverPort = 5351;
// The first try waits 250 ms, each next one twice as long: under two seconds
// in all, then the router counts as silent.
constexpr int tries = 3;
constexpr int firstWaitMs = 250;

void put(unsigned char *p, quint32 value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i, value >>= 8)
        p[i] = quint8(value);
}
quint16 be16(const unsigned char *p) { return quint16(p[0] << 8 | p[1]); }
quint32 be32(const unsigned char *p) { return quint32(p[0]) << 24 | quint32(p[1]) << 16 | quint32(p[2]) << 8 | p[3]; }

// Sends request to the gateway until an answer of answerSize bytes, version
// 0 and the request's opcode comes from it, and accepted() takes it. The
// socket is connected, so the kernel drops datagrams from anyone else.
template <typename Accept>
Answer exchange(quint32 gateway, const unsigned char *request, size_t size, size_t answerSize, Accept accepted)
{
    Answer answer;
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return answer;
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(serverPort);
    to.sin_addr.s_addr = htonl(gateway);
    if (::connect(fd, reinterpret_cast<const sockaddr *>(&to), sizeof to) == 0) {
        using Clock = std::chrono::steady_clock;
        for (int i = 0, waitMs = firstWaitMs; i < tries && !answer.answered; ++i, waitMs *= 2) {
            if (::send(fd, request, size, 0) != ssize_t(size))
                break;
            const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs);
            while (!answer.answered) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
                pollfd p{fd, POLLIN, 0};
                if (left.count() <= 0 || ::poll(&p, 1, int(left.count())) <= 0)
                    break;
                unsigned char buf[64];
                const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
                if (n == ssize_t(answerSize) && buf[0] == 0 && buf[1] == (request[1] | 0x80) && accepted(buf)) {
                    answer.answered = true;
                    answer.result = be16(buf + 2);
                }
            }
        }
    }
    ::close(fd);
    return answer;
}
}  // namespace

Answer mapTcp(quint32 gateway, quint16 internal, quint16 suggested, quint32 lifetime)
{
    unsigned char request[12] = {0, 2};
    put(request + 4, internal, 2);
    put(request + 6, suggested, 2);
    put(request + 8, lifetime, 4);
    quint16 external = 0;
    quint32 granted = 0;
    Answer a = exchange(gateway, request, sizeof request, 16, [&](const unsigned char *b) {
        // An answer for another port is not ours; a mapping to port 0 is no
        // mapping (a removal answers with port 0 and lifetime 0).
        if (be16(b + 8) != internal || (be16(b + 2) == 0 && lifetime > 0 && be16(b + 10) == 0))
            return false;
        external = be16(b + 10);
        granted = be32(b + 12);
        return true;
    });
    a.external = external;
    a.lifetime = granted;
    return a;
}

Answer publicAddress(quint32 gateway)
{
    const unsigned char request[2] = {0, 0};
    quint32 address = 0;
    Answer a = exchange(gateway, request, sizeof request, 12, [&](const unsigned char *b) {
        address = be32(b + 8);
        return true;
    });
    a.address = address;
    return a;
}
}  // namespace NatPmp
