// How long the receive path takes per message: prints nanoseconds per call,
// the median of several rounds, for the messages a match really carries.
//   build/bin/bench_protocol [iterations]
#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "net/protocol.h"

namespace {
volatile int g_sink = 0;

double nsPerCall(int iterations, const std::function<int()> &body)
{
    std::vector<double> rounds;
    for (int r = 0; r < 7; ++r) {
        QElapsedTimer t;
        t.start();
        int acc = 0;
        for (int i = 0; i < iterations; ++i)
            acc += body();
        rounds.push_back(double(t.nsecsElapsed()) / iterations);
        g_sink = g_sink + acc;
    }
    std::sort(rounds.begin(), rounds.end());
    return rounds[rounds.size() / 2];
}

void row(const char *what, int iterations, const std::function<int()> &body)
{
    std::printf("%-44s %9.1f ns\n", what, nsPerCall(iterations, body));
}
}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const int n = argc > 1 ? std::max(1, atoi(argv[1])) : 200000;
    using namespace Protocol;

    const QByteArray move("19"), pass("-1"), refusal("-66"), junk("abc"), run("1966");
    const QByteArray run16 = QByteArray("66-66").repeated(4);
    const QByteArray chat = encodeChat(QStringLiteral("太郎"), QStringLiteral("よろしくお願いします"));
    const QByteArray merged = QByteArray("63") + chat;
    const QByteArray burst(100 * 1024, '7');
    const QString moveText = QStringLiteral("19");
    split(chat);  // builds the code page table once, outside the timing

    std::printf("receive path, median of 7 rounds of %d calls\n", n);
    row("split(\"19\") move", n, [&] { return int(split(move).first().kind); });
    row("split(\"-1\") pass", n, [&] { return int(split(pass).first().kind); });
    row("split(\"-66\") refusal", n, [&] { return int(split(refusal).first().kind); });
    row("split(\"abc\") junk", n, [&] { return int(split(junk).first().kind); });
    row("classify(QString \"19\")", n, [&] { return int(classify(moveText).kind); });
    row("split(chat line, 14 Japanese characters)", n, [&] { return int(split(chat).first().text.size()); });
    row("split(\"63\" + chat line)", n, [&] { return int(split(merged).size()); });
    row("split(\"1966\") last move + rematch request", n, [&] { return int(split(run).size()); });
    row("split(\"66-66\" x4) eight codes", n, [&] { return int(split(run16).size()); });
    row("split(100 kB burst)", n, [&] { return int(split(burst).first().kind); });
    row("encodeNumber(19)", n, [&] { return int(encodeNumber(19).size()); });
    row("encodeChat(14 Japanese characters)", n / 10,
        [&] { return int(encodeChat(QStringLiteral("太郎"), QStringLiteral("よろしくお願いします")).size()); });
    return 0;
}
