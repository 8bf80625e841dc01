// Engine figures: one move through the click handler with its picture loads,
// a whole game replayed through it, and the deep move-sequence counts on the
// board alone.
//   build/bin/bench_engine
#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "tests/common/boards.h"
#include "tests/common/testkit.h"
#include "windowbase/module1.h"
#include "windows/local/form1.h"

namespace {
double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A whole game: each side plays its first legal cell, passing when it has none.
std::vector<qint16> recordGame(Form1 *f)
{
    std::vector<qint16> moves;
    f->syokika();
    int passes = 0;
    while (f->board().moveCount() < 60 && passes < 2) {
        bool played = false;
        for (qint16 k = 0; k < 64 && !played; ++k) {
            if (f->board().at(k) != 0)
                continue;
            const qint16 before = f->board().moveCount();
            TestKit::clearBoxes();
            f->Image1_Click(k);
            if (f->board().moveCount() != before) {
                moves.push_back(k);
                played = true;
            }
        }
        if (played) {
            passes = 0;
        } else {
            moves.push_back(-1);
            f->Command1_Click();
            ++passes;
        }
    }
    return moves;
}

void replay(Form1 *f, const std::vector<qint16> &moves)
{
    for (qint16 k : moves) {
        if (k < 0)
            f->Command1_Click();
        else
            f->Image1_Click(k);
    }
}
}  // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestKit::init();
    registerAllWindows();
    auto *f = qobject_cast<Form1 *>(Module1::show(FormId::Form1));

    std::vector<double> one;
    for (int i = 0; i < 2000; ++i) {
        f->syokika();
        QElapsedTimer t;
        t.start();
        f->Image1_Click(19);
        one.push_back(t.nsecsElapsed() / 1000.0);
    }
    std::printf("one legal move (Image1_Click, pictures of the changed cells): median %.1f us\n", median(one));

    const std::vector<qint16> game = recordGame(f);
    std::vector<double> whole;
    for (int i = 0; i < 200; ++i) {
        f->syokika();
        QElapsedTimer t;
        t.start();
        replay(f, game);
        whole.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("whole game (%zu clicks, ends \"%s\"): median %.2f ms\n", game.size(), qPrintable(f->Label1->text()),
                median(whole));

    for (int depth = 7; depth <= 8; ++depth) {
        QElapsedTimer t;
        t.start();
        const quint64 n = TestKit::countMoveSequences(Board(), depth);
        std::printf("move sequences of depth %d: %llu (expected %s) in %.2f s\n", depth,
                    static_cast<unsigned long long>(n), depth == 7 ? "55092" : "390216", t.nsecsElapsed() / 1e9);
    }
    return 0;
}
