// One computer turn at each level, without the one-second wait: the tick of
// Timer1 on a mid-game position, timed from the tick to the unlocked board.
//
//   QT_QPA_PLATFORM=offscreen build/bin/bench_cputurn [runs]
//
// Prints the median, 90th percentile and fastest turn in microseconds, once
// with the cell pictures drawn as the program does and once with drawing off.
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "match/cellimage.h"
#include "tests/common/testkit.h"
#include "windowbase/module1.h"
#include "windows/cpu/form2.h"

namespace {
using i16 = qint16;

// Plays a reproducible game between two level-2 players up to the given
// move and returns the position, with the side to move able to move.
MatchState midGame(Form2 *f, int moves)
{
    f->setRandomSource(CpuRandom::seeded(20240611));
    f->Command9->click();
    f->Command5->click();
    while (f->moveCount < moves) {
        if (f->Command2->isVisibleTo(f)) {
            std::fprintf(stderr, "the set-up game ended before move %d\n", moves);
            std::exit(1);
        }
        f->cpuColor = f->turnColor;
        f->Timer1_Timer();
    }
    MatchState p = f->state();
    p.passFlag = 0;
    return p;
}

void restore(Form2 *f, const MatchState &p, int level)
{
    f->restore(p);
    f->cpuColor = p.turnColor;
    f->cpuLevel = static_cast<i16>(level);
    // As after the person's move: the board is locked while the computer waits.
    f->clock();
}

struct Figures {
    double median, p90, best;
};

Figures turnTimes(Form2 *f, const MatchState &p, int level, int runs)
{
    std::vector<double> us;
    us.reserve(runs);
    QElapsedTimer timer;
    for (int i = 0; i < runs; ++i) {
        restore(f, p, level);
        timer.start();
        f->Timer1_Timer();
        us.push_back(timer.nsecsElapsed() / 1000.0);
        if (f->moveCount != p.moveCount + 1) {
            std::fprintf(stderr, "level %d did not move\n", level);
            std::exit(1);
        }
    }
    std::sort(us.begin(), us.end());
    return {us[us.size() / 2], us[us.size() * 9 / 10], us.front()};
}
}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestKit::init();
    TestKit::registerWindow<Form2>(FormId::Form2);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;

    Module1::show(FormId::Form2);
    Form2 *f = Module1::form<Form2>(FormId::Form2);
    const MatchState p = midGame(f, 30);
    std::printf("computer turn from move %d (%s to move), %d runs per row\n", p.moveCount,
                p.turnColor == 1 ? "black" : "white", runs);
    std::printf("%-8s %-9s %10s %10s %10s\n", "level", "pictures", "median us", "p90 us", "best us");
    for (bool drawing : {true, false}) {
        CellImage::setDrawingEnabled(drawing);
        for (int level = 1; level <= 3; ++level) {
            const Figures fig = turnTimes(f, p, level, runs);
            std::printf("%-8d %-9s %10.1f %10.1f %10.1f\n", level, drawing ? "drawn" : "off", fig.median, fig.p90,
                        fig.best);
        }
    }
    CellImage::setDrawingEnabled(true);
    Module1::allunload();
    return 0;
}
