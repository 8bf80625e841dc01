#pragma once
#include "match/matchwindow.h"

// Two people at one machine: the match engine as it stands.
class Form1 : public MatchWindow {
    Q_OBJECT
public:
    Form1();
};
