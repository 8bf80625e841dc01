#include "windows/cpu/form2.h"

#include "windowbase/layout.h"

Form2::Form2()
    : MatchWindow(Design{FormId::Form2, QStringLiteral("Dorvex Quorvane～CPU対戦～"), 5775, 4920,
                         QStringLiteral("盤面初期化"), 15.75, true},
                  new ComputerSeat)
{
    m_cpu = static_cast<ComputerSeat *>(seat());
    Timer1 = m_cpu->Timer1;
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

    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
    connect(Command6, &QPushButton::clicked, this, [this] { Command6_Click(); });
    connect(Command8, &QPushButton::clicked, this, [this] { Command8_Click(); });
    connect(Command9, &QPushButton::clicked, this, [this] { Command9_Click(); });
    connect(Command10, &QPushButton::clicked, this, [this] { Command10_Click(); });
    // Every new game starts with the choice of level.
    connect(match(), &Match::newGame, this, [this] { showChoice(true, false); });
}

void Form2::showChoice(bool levels, bool colours)
{
    Command5->setVisible(colours);
    Command6->setVisible(colours);
    Command8->setVisible(levels);
    Command9->setVisible(levels);
    Command10->setVisible(levels);
}

void Form2::chooseLevel(int level)
{
    m_cpu->cpuLevel = level;
    showChoice(false, true);
    sayStatus(QStringLiteral("手番を選んでください"));
}

void Form2::Command5_Click()
{
    showChoice(false, false);
    m_cpu->takeColour(White);
}

void Form2::Command6_Click()
{
    showChoice(false, false);
    m_cpu->takeColour(Black);
}
