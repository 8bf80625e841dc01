#pragma once
#include <QListWidget>

#include "match/chatlist.h"
#include "windowbase/kwindow.h"

// The chat window: both players' lines, in the order they were sent or
// received. It lives as long as the match window that showed it.
class Form9 : public KWindow, public ChatList {
    Q_OBJECT
public:
    Form9();
    QListWidget *List1 = nullptr;

    // The newest lines the list keeps: a peer flooding chat must not grow
    // memory without end, and nobody scrolls back further.
    static constexpr int maxLines = 5000;

    void addLine(const QString &line) override { List1->addItem(line); }

    void Form_QueryUnload(bool &cancel, int unloadMode) override;
};
