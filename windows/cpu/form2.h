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
    i16 cpuColor = 0;     // 1 black, -1 white; 0 until first chosen
    i16 cpuLevel = 0;     // 1, 2 or 3; 0 until first chosen
    i16 flipCount = 0;    // level 3: discs a trial move would flip
    i16 commitMove = 0;   // level 3: 1 while the chosen cell is played for real
    i16 tablesReady = 0;  // level 3: the cell tables below are filled
    i16 cornerCells[4] = {};
    i16 otherCells[48] = {};
    i16 nearCornerCells[12] = {};

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
    void cpu();
    void cpu1();
    void cpu2();
    void cpu3();
    void cpu3syokika();

    // ---- event handlers ----
    void Command5_Click();
    void Command6_Click();
    void Command8_Click();
    void Command9_Click();
    void Command10_Click();
    void Timer1_Timer();
    void Form_Unload() override;

    // Where the computer's random numbers come from; an empty source means
    // the program's generator.
    void setRandomSource(CpuRandom::Source source);

protected:
    bool countingMode() const override;
    void countFlip() override;
    void afterMove() override;
    void afterPassHandOver() override;
    QString resultText(i16 winner, bool byResignation) const override;

private:
    void chooseLevel(i16 level);
    void endOfTurn();
    // Choosing level and colour: one of the two button sets is on show.
    bool choosingSides() const;
    double nextRandom();
    i16 drawDirection();
    i16 drawCell();

    CpuRandom::Source m_random;
    BoxQueue *m_ticks = nullptr;  // ticks held while a box is open
};
