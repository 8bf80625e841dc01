#pragma once
// Shared by the computer-match tests: opening Form2 through its buttons,
// writing positions, feeding the computer's random numbers and playing one
// computer turn through the tick with the checks every turn must pass.
#include <QPushButton>
#include <QStringList>
#include <QTimer>
#include <memory>

#include "cpu/form2.h"
#include "shell/layout.h"
#include "shell/module1.h"

namespace CpuKit {
using i16 = qint16;

// A number that makes the computer draw direction 1 or 2, or cell k.
constexpr double dir1 = 0.25;
constexpr double dir2 = 0.75;
inline double cell(int k) { return (k + 0.5) / 64.0; }

// Numbers fed to one window: the given ones first, then every cell in turn
// (0, 1, ..., 63, 0, ...), so a level-2 turn always ends. used() counts draws.
class Feed {
public:
    Feed(Form2 *f, QList<double> first) : m_state(std::make_shared<State>())
    {
        m_state->queue = std::move(first);
        std::shared_ptr<State> s = m_state;
        f->setRandomSource([s] {
            ++s->used;
            if (!s->queue.isEmpty())
                return s->queue.takeFirst();
            return cell(s->cycle++ % 64);
        });
    }
    int used() const { return m_state->used; }

private:
    struct State {
        QList<double> queue;
        int cycle = 0;
        int used = 0;
    };
    std::shared_ptr<State> m_state;
};

// Opens Form2 as the menu does, then chooses the level and the person's colour
// (1: "黒", -1: "白") with the buttons. Choosing "白" leaves the computer's
// first turn waiting on Timer1.
inline Form2 *open(int level, int personColor)
{
    Module1::show(FormId::Form2);
    Form2 *f = Module1::form<Form2>(FormId::Form2);
    if (!f)
        return nullptr;
    QPushButton *levelButton = level == 1 ? f->Command8 : level == 2 ? f->Command9 : f->Command10;
    levelButton->click();
    (personColor == 1 ? f->Command5 : f->Command6)->click();
    return f;
}

// Eight rows, top first: 'X' black, 'O' white, '.' empty. moveCount follows
// the disc count unless given. The board is redrawn and recounted.
inline void setPosition(Form2 *f, const QStringList &rows, i16 turn, int moveCount = -1)
{
    int discs = 0;
    for (int r = 0; r < 8; ++r)
        for (int c = 0; c < 8; ++c) {
            const QChar ch = rows.at(r).at(c);
            f->Board[r][c] = ch == 'X' ? 1 : ch == 'O' ? -1 : 0;
            discs += f->Board[r][c] != 0;
        }
    f->turnColor = turn;
    f->moveCount = static_cast<i16>(moveCount >= 0 ? moveCount : discs - 4);
    f->komacount();
}

inline QStringList rows(const char *text) { return QString::fromLatin1(text).split('/'); }

// One computer turn through the tick. played is the cell the computer took,
// or -1; problem says what the turn left wrong.
struct Turn {
    int played = -1;
    QString problem;
};

inline Turn tick(Form2 *f)
{
    Turn t;
    i16 before[8][8];
    std::copy(&f->Board[0][0], &f->Board[0][0] + 64, &before[0][0]);
    const i16 mover = f->cpuColor;
    const int sounds = f->MMControl1->playCount();
    f->Timer1_Timer();

    int changed = 0;
    for (int k = 0; k < 64; ++k) {
        const i16 was = before[k / 8][k % 8], now = f->Board[k / 8][k % 8];
        if (was == now)
            continue;
        ++changed;
        if (was == 0 && now == mover && t.played < 0)
            t.played = k;
        else if (was != -mover || now != mover)
            t.problem += QStringLiteral("cell %1 went from %2 to %3; ").arg(k).arg(was).arg(now);
    }
    if (changed > 0 && t.played < 0)
        t.problem += QStringLiteral("discs changed without a move; ");
    if (t.played >= 0 && changed < 2)
        t.problem += QStringLiteral("a move flipped nothing; ");
    const int expectedSounds = t.played >= 0 ? 1 : 0;
    if (f->MMControl1->playCount() - sounds != expectedSounds)
        t.problem += QStringLiteral("%1 sounds for %2 moves; ").arg(f->MMControl1->playCount() - sounds).arg(expectedSounds);
    if (f->flipCount != 0 || f->commitMove != 0)
        t.problem += QStringLiteral("flipCount %1, commitMove %2 after the turn; ").arg(f->flipCount).arg(f->commitMove);
    if (f->Timer1->isActive())
        t.problem += QStringLiteral("Timer1 still running; ");
    return t;
}

// The person's controls: the 64 cells, pass and resign.
inline bool unlocked(Form2 *f)
{
    for (auto *cell : f->Image1)
        if (!cell->isEnabled())
            return false;
    return f->Command1->isEnabled() && f->Command3->isEnabled();
}

inline bool locked(Form2 *f)
{
    for (auto *cell : f->Image1)
        if (cell->isEnabled())
            return false;
    return !f->Command1->isEnabled() && !f->Command3->isEnabled();
}
}  // namespace CpuKit
