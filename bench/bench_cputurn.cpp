// One computer turn at each level, without the one-second wait: the tick of
// Timer1 on a mid-game position, timed from the tick to the unlocked board,
// pictures drawn as the program draws them; and the choice alone, on the board.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_cputurn [runs]
//
// Prints the median, 90th percentile and fastest in microseconds.
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "computer/player.h"
#include "tests/common/access.h"
#include "tests/common/testkit.h"
#include "windowbase/module1.h"
#include "windows/cpu/form2.h"

namespace {
using i16 = qint16;

// Plays a reproducible game between two level-2 players up to the given
// move and returns the position, with the side to move able to move.
Board midGame(Form2 *f, int moves)
{
    TestAccess::setRandomSource(f->computer(), CpuRandom::seeded(20240611));
    f->Command9->click();
    f->Command5->click();
    while (f->board().moveCount() < moves) {
        if (f->Command2->isVisibleTo(f)) {
            std::fprintf(stderr, "the set-up game ended before move %d\n", moves);
            std::exit(1);
        }
        f->computer()->cpuColor = f->board().turnColor();
        f->Timer1_Timer();
    }
    return Board::fromRows(f->board().rows(), f->board().turnColor(), f->board().moveCount());
}

void restore(Form2 *f, const Board &p, int level)
{
    TestAccess::setBoard(f, p);
    f->computer()->cpuColor = p.turnColor();
    f->computer()->cpuLevel = level;
    // As after the person's move: the board is locked while the computer waits.
    f->lockBoard();
}

struct Figures {
    double median, p90, best;
};

Figures figures(std::vector<double> us)
{
    std::sort(us.begin(), us.end());
    return {us[us.size() / 2], us[us.size() * 9 / 10], us.front()};
}

Figures turnTimes(Form2 *f, const Board &p, int level, int runs)
{
    std::vector<double> us;
    us.reserve(runs);
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        restore(f, p, level);
        timer.start();
        f->Timer1_Timer();
        us.push_back(timer.nsecsElapsed() / 1000.0);
        if (f->board().moveCount() != p.moveCount() + 1) {
            std::fprintf(stderr, "level %d did not move\n", level);
            std::exit(1);
        }
    }
    return figures(us);
}

Figures chooseTimes(const Board &p, int level, int runs)
{
    std::vector<double> us;
    us.reserve(runs);
    const CpuRandom::Source random = CpuRandom::seeded(1);
    QElapsedTimer timer;
    qint64 sink = 0;
    for (int i = 0; i < runs; ++i) {
        timer.start();
        sink += Computer::choose(p, level, random).cell;
        us.push_back(timer.nsecsElapsed() / 1000.0);
    }
    if (sink < 0)
        std::exit(1);
    return figures(us);
}
}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestKit::init();
    registerAllWindows();
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;

    Module1::show(FormId::Form2);
    Form2 *f = Module1::form<Form2>(FormId::Form2);
    const Board p = midGame(f, 30);
    std::printf("computer turn from move %d (%s to move), %d runs per row\n", p.moveCount(),
                p.turnColor() == 1 ? "black" : "white", runs);
    std::printf("%-8s %-12s %10s %10s %10s\n", "level", "what", "median us", "p90 us", "best us");
    for (int level = 1; level <= 3; ++level) {
        const Figures fig = turnTimes(f, p, level, runs);
        std::printf("%-8d %-12s %10.1f %10.1f %10.1f\n", level, "tick", fig.median, fig.p90, fig.best);
    }
    for (int level = 1; level <= 3; ++level) {
        const Figures fig = chooseTimes(p, level, runs);
        std::printf("%-8d %-12s %10.2f %10.2f %10.2f\n", level, "choose", fig.median, fig.p90, fig.best);
    }
    Module1::allunload();
    return 0;
}
