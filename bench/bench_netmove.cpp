// A move from the host's click to the client's board, both windows in one
// process over loopback. Plays a whole 60-move game again and again and
// times every host move; the client's replies are played untimed.
//   build/bin/bench_netmove [games]
#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "tests/net/netkit.h"

namespace {
const int game[] = {19, 20, 29, 18, 10, 11, 43, 45, 44, 38, 30, 1,  26, 37, 12, 42, 47, 39, 51, 21,
                    13, 52, 41, 55, 61, 58, 17, 5,  60, 25, 22, 4,  31, 40, 33, 32, 3,  59, 24, 54,
                    48, 8,  6,  15, 63, 49, 53, 9,  57, 62, 0,  34, 14, 46, 16, 23, 7,  2,  50, 56};

bool pumpUntil(const std::function<bool()> &done)
{
    QElapsedTimer guard;
    guard.start();
    while (!done()) {
        if (guard.elapsed() > 3000)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    return true;
}
}  // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    NetKit::init();
    const int games = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;

    NetKit::Pair p = NetKit::openPair();
    if (!p.ok()) {
        std::fprintf(stderr, "could not connect the two windows\n");
        return 1;
    }
    std::vector<double> micros;
    for (int g = 0; g < games; ++g) {
        p.host->syokika();
        p.client->syokika();
        for (int k : game) {
            const int r = k / 8, c = k % 8;
            if (p.host->board().turnColor() == 1) {
                QElapsedTimer t;
                t.start();
                p.host->Image1_Click(static_cast<qint16>(k));
                if (!pumpUntil([&] { return p.client->board().at(r, c) == 1; }))
                    return 1;
                micros.push_back(t.nsecsElapsed() / 1000.0);
            } else {
                p.client->Image1_Click(static_cast<qint16>(k));
                if (!pumpUntil([&] { return p.host->board().at(r, c) == -1; }))
                    return 1;
            }
        }
    }
    std::sort(micros.begin(), micros.end());
    auto at = [&](double q) { return micros[static_cast<size_t>(q * (micros.size() - 1))]; };
    std::printf(
        "host click -> client board, pictures drawn, %zu moves: median %.0f us, p90 %.0f us, min %.0f us, max %.0f us "
        "(target: median <= 2000 us)\n",
        micros.size(), at(0.5), at(0.9), micros.front(), micros.back());
    TestKit::reset();
    return 0;
}
