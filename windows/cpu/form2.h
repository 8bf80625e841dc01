#pragma once
// One person against the computer. The person picks the computer's level and
// their own colour; every computer turn is played one second after the hand-
// over, inside one tick of Timer1, through the same Image1_Click as a click.
#include "computer/cpurandom.h"
#include "match/matchwindow.h"

class BoxQueue;
class QTimer;

class Form2 : public MatchWindow {
    Q_OBJECT
public:
    Form2();

    // ---- the computer's side of the game ----
    i16 cpuColor = 0;  // 1 black, -1 white; 0 until first chosen
    i16 cpuLevel = 0;  // 1, 2 or 3; 0 until first chosen

    // ---- controls of this window ----
    QPushButton *Command5 = nullptr;   // "黒": the person plays black
    QPushButton *Command6 = nullptr;   // "白": the person plays white
    QPushButton *Command8 = nullptr;   // "初級"
    QPushButton *Command9 = nullptr;   // "中級"
    QPushButton *Command10 = nullptr;  // "上級"
    QTimer *Timer1 = nullptr;          // the one-second hand-over

    // ---- procedures ----
    void syokika() override;
    void utemasen() override;
    // The computer's turn: plays what it chooses through Image1_Click, or passes.
    void cpu();

    // ---- event handlers ----
    void Command5_Click();
    void Command6_Click();
    void Command8_Click();
    void Command9_Click();
    void Command10_Click();
    void Timer1_Timer();
    void Form_Unload() override;

protected:
    void afterMove(i16 played) override;
    void afterPassHandOver() override;
    QString resultText(i16 winner, bool byResignation) const override;

private:
    friend class TestAccess;
    void chooseLevel(i16 level);
    // Choosing level and colour: one of the two button sets is on show.
    bool choosingSides() const;

    // Where the computer's numbers come from; empty: the program's generator.
    CpuRandom::Source m_random;
    BoxQueue *m_ticks = nullptr;  // ticks held while a box is open
};
