// The three levels against each other: for every pair of levels, games with
// the colours alternating, each player choosing on the board as the computer
// window's tick does (a cell is played, a pass hands over or, after a pass,
// ends the game; sixty moves end it).
//
//   build/bin/bench_tournament [games] [seed]
#include <QElapsedTimer>
#include <QString>
#include <cstdio>
#include <random>

#include "computer/player.h"

namespace {
struct Tally {
    int wins = 0, losses = 0, draws = 0;  // from the first level's side
    int winsAsBlack = 0, winsAsWhite = 0;
    long discDiff = 0;
};

// Plays one game; returns black discs minus white discs.
int playGame(int blackLevel, int whiteLevel, const CpuRandom::Source &random)
{
    Board b;
    for (;;) {
        const Computer::Choice choice = Computer::choose(b, b.turnColor() == Black ? blackLevel : whiteLevel, random);
        if (choice.kind == Computer::Choice::Idle || (choice.kind == Computer::Choice::Pass && !b.pass()))
            break;
        if (choice.kind == Computer::Choice::Cell)
            b.play(choice.cell);
        if (b.full())
            break;
    }
    const Board::Counts n = b.counts();
    return n.black - n.white;
}
}  // namespace

int main(int argc, char **argv)
{
    int games = 1000;
    quint32 seed = std::random_device{}();
    if (argc > 1)
        games = std::max(2, std::atoi(argv[1]));
    if (argc > 2)
        seed = static_cast<quint32>(std::strtoul(argv[2], nullptr, 10));
    const CpuRandom::Source random = CpuRandom::seeded(seed);

    std::printf("%d games per pair, colours alternating, seed %u\n", games, seed);
    std::printf("%-14s %6s %6s %6s   %-20s %s\n", "pair", "wins", "losses", "draws", "wins as black/white",
                "mean disc lead");
    QElapsedTimer elapsed;
    elapsed.start();
    const int pairs[][2] = {{3, 1}, {3, 2}, {2, 1}, {1, 1}, {2, 2}, {3, 3}};
    for (const auto &pair : pairs) {
        Tally t;
        for (int g = 0; g < games; ++g) {
            const bool firstIsBlack = g % 2 == 0;
            const int diff = firstIsBlack ? playGame(pair[0], pair[1], random) : -playGame(pair[1], pair[0], random);
            t.discDiff += diff;
            if (diff > 0) {
                ++t.wins;
                ++(firstIsBlack ? t.winsAsBlack : t.winsAsWhite);
            } else if (diff < 0) {
                ++t.losses;
            } else {
                ++t.draws;
            }
        }
        const QByteArray name = QStringLiteral("L%1 vs L%2").arg(pair[0]).arg(pair[1]).toUtf8();
        std::printf("%-14s %6d %6d %6d   %8d / %-9d %+.2f\n", name.constData(), t.wins, t.losses, t.draws,
                    t.winsAsBlack, t.winsAsWhite, double(t.discDiff) / games);
        std::fflush(stdout);
    }
    std::printf("%.2f s\n", elapsed.nsecsElapsed() / 1e9);
    return 0;
}
