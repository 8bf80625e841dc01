#include "match/computerseat.h"

#include <QTimer>

#include "computer/player.h"
#include "match/announcements.h"
#include "rules/match.h"
#include "windowbase/boxqueue.h"

namespace {
const QString cpuWins = QStringLiteral("残 念 Ｃ Ｐ Ｕ の 勝 利");
const QString personWins = QStringLiteral("あ な た の 勝 利 で す");
}  // namespace

ComputerSeat::ComputerSeat()
{
    Timer1 = new QTimer(this);
    Timer1->setTimerType(Qt::PreciseTimer);  // a coarse timer may hand over up to 50 ms early
    Timer1->setInterval(1000);
    // While a box is open (the close question) the board stays as the
    // person sees it; the tick waits until every box has closed.
    m_ticks = new BoxQueue(this);
    connect(Timer1, &QTimer::timeout, this, [this] {
        Timer1->stop();
        m_ticks->post([this] { Timer1_Timer(); });
    });
}

void ComputerSeat::seated()
{
    view()->announcements()->setOpponent(QStringLiteral("ＣＰＵ"), [this] { return cpuColor; });
    connect(match(), &Match::newGame, this, [this] {
        // A computer turn still waiting belongs to the game being discarded;
        // it must not run on the new board before the sides are chosen.
        Timer1->stop();
        m_playing = false;
        view()->sayStatus(QStringLiteral("CPUを選んでください"));
        view()->lockBoard();
    });
    connect(match(), &Match::moved, this, [this] {
        if (cpuColor == match()->board().turnColor()) {
            // The person has moved: the computer answers one second later.
            view()->lockBoard();
            Timer1->start();
        }
    });
    connect(match(), &Match::turnChanged, this, [this](Disc next) {
        view()->lockBoard();
        if (cpuColor == next)
            Timer1->start();
        else
            view()->showStatus(QStringLiteral("ＣＰＵはパスします"));
    });
}

void ComputerSeat::takeColour(Disc colour)
{
    cpuColor = colour;
    m_playing = true;
    view()->showStatus(QString());
    if (colour == Black)
        Timer1->start();
    else
        view()->cunlock();
}

void ComputerSeat::Timer1_Timer()
{
    // One tick per hand-over.
    Timer1->stop();
    // A late tick finds the window going, a new game without chosen sides, or
    // a turn that is not the computer's: there is nothing to play.
    if (view()->left() || !m_playing || match()->board().turnColor() != cpuColor)
        return;
    cpu();
}

void ComputerSeat::cpu()
{
    if (cpuLevel < 1 || cpuLevel > 3)
        return;
    const Computer::Choice choice = Computer::choose(match()->board(), cpuLevel, m_random ? m_random : CpuRandom::draw);
    if (choice.kind == Computer::Choice::Cell)
        view()->playCell(choice.cell);
    else if (choice.kind == Computer::Choice::Pass)
        match()->pass();
    // A game that ended during this turn (two passes, or the last move)
    // keeps its board and buttons locked; on a full board the end runs once
    // more, showing the same result.
    if (!match()->over())
        view()->cunlock();
    if (match()->board().full())
        match()->syuukyoku();
}

// A click on the computer's turn (the board is locked then) goes by without
// a word.
bool ComputerSeat::refusesSilently() const { return match()->board().turnColor() == cpuColor; }

QString ComputerSeat::resultText(Disc winner, bool byResignation) const
{
    // Only the person can resign: the board is locked on the computer's turn.
    if (byResignation)
        return cpuWins;
    if (winner == Empty)
        return Seat::resultText(winner, byResignation);
    return winner == cpuColor ? cpuWins : personWins;
}

void ComputerSeat::leave()
{
    Timer1->stop();
    m_ticks->stop();
}
