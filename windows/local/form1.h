#pragma once
#include "match/matchwindow.h"

// Two people at one machine: the match window with a plain seat.
class Form1 : public MatchWindow {
    Q_OBJECT
public:
    Form1();
};
