#include "windows/cpu/form2.h"

#include <QTimer>

#include "computer/player.h"
#include "match/announcements.h"
#include "windowbase/boxqueue.h"
#include "windowbase/layout.h"

namespace {
const QString cpuWins = QStringLiteral("残 念 Ｃ Ｐ Ｕ の 勝 利");
const QString personWins = QStringLiteral("あ な た の 勝 利 で す");
}  // namespace

Form2::Form2()
    : MatchWindow(Design{FormId::Form2, QStringLiteral("Dorvex Quorvane～CPU対戦～"), 5775, 4920,
                         QStringLiteral("盤面初期化"), 15.75, true})
{
    Command8 = Layout::button(this, 120, 1080, 615, 615, QStringLiteral("初級"));
    Command9 = Layout::button(this, 120, 1920, 615, 615, QStringLiteral("中級"));
    Command10 = Layout::button(this, 120, 2760, 615, 615, QStringLiteral("上級"));
    // The colour buttons lie over the first two level buttons; only one set
    // is ever on show.
    Command5 = Layout::button(this, 120, 1080, 615, 615, QStringLiteral("黒"));
    Command6 = Layout::button(this, 120, 1920, 615, 615, QStringLiteral("白"));
    Command5->hide();
    Command6->hide();
    // From the board, Tab reaches the choices first: the levels, then the colours.
    QWidget *order[] = {boardFocus, Command8, Command9, Command10, Command5, Command6};
    for (int i = 1; i < 6; ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);

    Timer1 = new QTimer(this);
    Timer1->setTimerType(Qt::PreciseTimer);  // a coarse timer may hand over up to 50 ms early
    Timer1->setInterval(1000);

    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    connect(Command6, &QPushButton::clicked, this, [this] { Command6_Click(); });
    connect(Command8, &QPushButton::clicked, this, [this] { Command8_Click(); });
    connect(Command9, &QPushButton::clicked, this, [this] { Command9_Click(); });
    connect(Command10, &QPushButton::clicked, this, [this] { Command10_Click(); });
    // While a box is open (the close question) the board stays as the
    // person sees it; the tick waits until every box has closed.
    m_ticks = new BoxQueue(this);
    connect(Timer1, &QTimer::timeout, this, [this] {
        Timer1->stop();
        m_ticks->post([this] { Timer1_Timer(); });
    });
    announcements()->setOpponent(QStringLiteral("ＣＰＵ"), [this] { return cpuColor; });
}

// ---------------------------------------------------------------- a new game

void Form2::syokika()
{
    // A computer turn still waiting belongs to the game being discarded; it
    // must not run on the new board before the sides are chosen.
    Timer1->stop();
    MatchWindow::syokika();
    Command5->hide();
    Command6->hide();
    Command8->show();
    Command9->show();
    Command10->show();
    Label2->setText(QStringLiteral("CPUを選んでください"));
    announcements()->status(Label2->text());
    lockBoard();
}

void Form2::chooseLevel(i16 level)
{
    cpuLevel = level;
    Command5->show();
    Command6->show();
    Command8->hide();
    Command9->hide();
    Command10->hide();
    Label2->setText(QStringLiteral("手番を選んでください"));
    announcements()->status(Label2->text());
}

void Form2::Command8_Click() { chooseLevel(1); }
void Form2::Command9_Click() { chooseLevel(2); }
void Form2::Command10_Click() { chooseLevel(3); }

void Form2::Command5_Click()
{
    cpuColor = -1;
    Label2->setText(QString());
    Command5->hide();
    Command6->hide();
    cunlock();
}

void Form2::Command6_Click()
{
    cpuColor = 1;
    Label2->setText(QString());
    Timer1->start();
    Command5->hide();
    Command6->hide();
}

bool Form2::choosingSides() const { return Command8->isVisibleTo(this) || Command5->isVisibleTo(this); }

// ---------------------------------------------------------------- hand-over

void Form2::afterMove(i16 played)
{
    MatchWindow::afterMove(played);
    if (cpuColor == board().turnColor()) {
        // The person has moved: the computer answers one second later.
        lockBoard();
        Timer1->start();
    }
}

void Form2::afterPassHandOver()
{
    lockBoard();
    if (cpuColor == board().turnColor())
        Timer1->start();
    else
        Label2->setText(QStringLiteral("ＣＰＵはパスします"));
}

void Form2::Timer1_Timer()
{
    // One tick per hand-over.
    Timer1->stop();
    // A late tick finds the window going, a new game without chosen sides, or
    // a turn that is not the computer's: there is nothing to play.
    if (isUnloaded() || choosingSides() || board().turnColor() != cpuColor)
        return;
    cpu();
}

void Form2::cpu()
{
    if (cpuLevel < 1 || cpuLevel > 3)
        return;
    const Computer::Choice choice = Computer::choose(board(), cpuLevel, m_random ? m_random : CpuRandom::draw);
    if (choice.kind == Computer::Choice::Cell)
        Image1_Click(choice.cell);
    else if (choice.kind == Computer::Choice::Pass)
        pass();
    // A game that ended during this turn (two passes, or the last move)
    // keeps its board and buttons locked; on a full board the end runs once
    // more, showing the same result.
    if (!gameOver())
        cunlock();
    if (board().full())
        syuukyoku();
}

void Form2::utemasen()
{
    // A click on the computer's turn (the board is locked then) goes by
    // without a word.
    if (board().turnColor() != cpuColor)
        MatchWindow::utemasen();
}

QString Form2::resultText(i16 winner, bool byResignation) const
{
    // Only the person can resign: the board is locked on the computer's turn.
    if (byResignation)
        return cpuWins;
    return winner == cpuColor ? cpuWins : personWins;
}

void Form2::Form_Unload()
{
    Timer1->stop();
    m_ticks->stop();
    MatchWindow::Form_Unload();
}
