#pragma once
// The computer opposite the person: its level and colour, and one tick of
// Timer1 a second after each hand-over, playing Computer::choose through the
// same path as a click.
#include "computer/cpurandom.h"
#include "match/seat.h"

class BoxQueue;
class QTimer;

class ComputerSeat : public Seat {
    Q_OBJECT
public:
    ComputerSeat();

    Disc cpuColor = Empty;     // until first chosen
    int cpuLevel = 0;          // 1, 2 or 3; 0 until first chosen
    QTimer *Timer1 = nullptr;  // the one-second hand-over

    // The person has chosen the computer's colour: the game starts. The
    // computer opens a second later when it plays black.
    void takeColour(Disc colour);
    void Timer1_Timer();
    // The computer's turn: plays what it chooses, or passes.
    void cpu();

    QString resultText(Disc winner, bool byResignation) const override;
    bool refusesSilently() const override;
    void leave() override;

protected:
    void seated() override;

private:
    friend class TestAccess;
    // Where the computer's numbers come from; empty: the program's generator.
    CpuRandom::Source m_random;
    BoxQueue *m_ticks = nullptr;  // ticks held while a box is open
    bool m_playing = false;       // the sides are chosen for this game
};
