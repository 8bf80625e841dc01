#pragma once
#include <QListWidget>

#include "shell/kwindow.h"

// The chat window: both players' lines, in the order they were sent or
// received. It lives as long as the match window that showed it.
class Form9 : public KWindow {
    Q_OBJECT
public:
    Form9();
    QListWidget *List1 = nullptr;

    void Form_QueryUnload(bool &cancel, int unloadMode) override;
};
