// The three levels against each other: for every pair of levels, games with
// the colours alternating, each played in Form2 through its own procedures
// (new game and the level and colour buttons, then one tick per turn, the
// side to move taking the computer's seat).
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_tournament [games] [seed]
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <cstdio>
#include <random>

#include "tests/common/access.h"
#include "tests/common/testkit.h"
#include "windowbase/module1.h"
#include "windows/cpu/form2.h"

namespace {
struct Tally {
    int wins = 0, losses = 0, draws = 0;  // from the first level's side
    int winsAsBlack = 0, winsAsWhite = 0;
    long discDiff = 0;
};

// Plays one game; returns black discs minus white discs.
int playGame(Form2 *f, int blackLevel, int whiteLevel)
{
    f->Command2->click();
    (blackLevel == 1 ? f->Command8 : blackLevel == 2 ? f->Command9 : f->Command10)->click();
    f->Command5->click();
    for (int turn = 0; turn < 200 && !f->Command2->isVisibleTo(f); ++turn) {
        f->cpuColor = f->board().turnColor();
        f->cpuLevel = static_cast<qint16>(f->cpuColor == 1 ? blackLevel : whiteLevel);
        f->Timer1_Timer();
    }
    if (!f->Command2->isVisibleTo(f)) {
        std::fprintf(stderr, "a game did not end\n");
        std::exit(1);
    }
    const Board::Counts n = f->board().counts();
    return n.black - n.white;
}
}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestKit::init();
    TestKit::registerWindow<Form2>(FormId::Form2);

    int games = 1000;
    quint32 seed = std::random_device{}();
    if (argc > 1)
        games = std::max(2, std::atoi(argv[1]));
    if (argc > 2)
        seed = static_cast<quint32>(std::strtoul(argv[2], nullptr, 10));

    Module1::show(FormId::Form2);
    Form2 *f = Module1::form<Form2>(FormId::Form2);
    TestAccess::setRandomSource(f, CpuRandom::seeded(seed));
    // The window starts at choosing the level; end that game so the loop can
    // start each game with the new-game button.
    f->Command8->click();
    f->Command5->click();
    f->Command3->click();

    std::printf("%d games per pair, colours alternating, seed %u\n", games, seed);
    std::printf("%-14s %6s %6s %6s   %-20s %s\n", "pair", "wins", "losses", "draws", "wins as black/white",
                "mean disc lead");
    QElapsedTimer clock;
    clock.start();
    const int pairs[][2] = {{3, 1}, {3, 2}, {2, 1}, {1, 1}, {2, 2}, {3, 3}};
    for (const auto &pair : pairs) {
        Tally t;
        for (int g = 0; g < games; ++g) {
            const bool firstIsBlack = g % 2 == 0;
            const int diff = firstIsBlack ? playGame(f, pair[0], pair[1]) : -playGame(f, pair[1], pair[0]);
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
    std::printf("%.1f s\n", clock.elapsed() / 1000.0);
    Module1::allunload();
    return 0;
}
