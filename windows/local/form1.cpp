#include "windows/local/form1.h"

Form1::Form1()
    : MatchWindow(Design{FormId::Form1, QStringLiteral("Dorvex Quorvane～1台対戦～"), 5775, 4920,
                         QStringLiteral("盤面初期化"), 15.75, true},
                  new Seat)
{
}
