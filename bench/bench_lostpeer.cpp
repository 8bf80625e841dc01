// How long each side of a network match takes to report a peer that
// vanished right after the host's move, with the keep-alive as shipped: the
// host's move waits for an acknowledgement that never comes, the client is
// idle. Needs root: it runs in a network namespace of its own and takes its
// loopback down under the two windows.
//   build/bin/bench_lostpeer
#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>

#include <sched.h>
#include <unistd.h>

#include "tests/net/netkit.h"

int main(int argc, char *argv[])
{
    if (geteuid() != 0 || unshare(CLONE_NEWNET) != 0 || std::system("ip link set lo up") != 0) {
        std::fprintf(stderr, "needs root and ip(8): it makes a network namespace of its own\n");
        return 77;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    NetKit::init();
    NetKit::Pair p = NetKit::openPair();
    NetKit::clickCell(p.host, 19);
    NetKit::wait([&] { return NetKit::cell(p.client, 19) == 1; });
    NetKit::clickCell(p.client, 20);  // the client has spoken: a lost connection, not a scanner
    if (!NetKit::wait([&] { return NetKit::cell(p.host, 20) == -1; })) {
        std::fprintf(stderr, "could not play over loopback\n");
        return 1;
    }
    QElapsedTimer t;
    double host = -1, client = -1;
    QObject::connect(p.host->Winsock1, &Winsock::Disconnected, [&] { host = t.elapsed() / 1000.0; });
    QObject::connect(p.client->Winsock1, &Winsock::Disconnected, [&] { client = t.elapsed() / 1000.0; });
    if (std::system("ip link set lo down") != 0)
        return 1;
    t.start();
    NetKit::clickCell(p.host, 29);
    NetKit::wait([&] { return host >= 0 && client >= 0; }, 20 * 60 * 1000);
    std::printf("peer vanished after the host's move: host (move unacknowledged) %.1f s, client (idle) %.1f s\n", host,
                client);
    TestKit::reset();
    return 0;
}
