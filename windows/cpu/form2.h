#pragma once
// One person against the computer. The person picks the computer's level and
// their own colour; the computer's side is a ComputerSeat, which plays every
// computer turn one second after the hand-over, inside one tick of Timer1.
#include "match/computerseat.h"
#include "match/matchwindow.h"

class Form2 : public MatchWindow {
    Q_OBJECT
public:
    Form2();

    // The computer's side of the game: its level, colour and timer.
    ComputerSeat *computer() const { return m_cpu; }

    // ---- controls of this window ----
    QPushButton *Command5 = nullptr;   // "黒": the person plays black
    QPushButton *Command6 = nullptr;   // "白": the person plays white
    QPushButton *Command8 = nullptr;   // "初級"
    QPushButton *Command9 = nullptr;   // "中級"
    QPushButton *Command10 = nullptr;  // "上級"
    QTimer *Timer1 = nullptr;          // the seat's one-second hand-over

    // ---- procedures ----
    void cpu() { m_cpu->cpu(); }

    // ---- event handlers ----
    void Command5_Click();
    void Command6_Click();
    void Command8_Click() { chooseLevel(1); }
    void Command9_Click() { chooseLevel(2); }
    void Command10_Click() { chooseLevel(3); }
    void Timer1_Timer() { m_cpu->Timer1_Timer(); }

private:
    void chooseLevel(int level);
    void showChoice(bool levels, bool colours);

    ComputerSeat *m_cpu;
};
