#pragma once
#include <QListWidget>

#include "windowbase/kwindow.h"

// The chat window: both players' lines, in the order they were sent or
// received. It lives as long as the match window that showed it.
class Form9 : public KWindow {
    Q_OBJECT
public:
    Form9();
    QListWidget *List1 = nullptr;

    // The newest lines the list keeps: a peer flooding chat must not grow
    // memory without end, and nobody scrolls back further.
    static constexpr int maxLines = 5000;

    // The chat window's list, the window shown first if it is not loaded.
    static QListWidget *list();

    void Form_QueryUnload(bool &cancel, int unloadMode) override;
};
