#include "windows/net/form9.h"

#include "windowbase/layout.h"
#include "windowbase/module1.h"
#include "windowbase/msgbox.h"

Form9::Form9() : KWindow(FormId::Form9)
{
    setCaptionAndSize(QStringLiteral("Dorvex Quorvane～Chat Window～"), 4965, 5505);
    // Shown when a match connects, beside the match window, which keeps the
    // focus: the player goes on with the board.
    setAttribute(Qt::WA_ShowWithoutActivating);
    List1 = new QListWidget(this);
    Layout::place(List1, 120, 120, 4695, 5280);
    List1->setAccessibleName(QStringLiteral("Chat Window"));
    List1->setUniformItemSizes(true);  // one line each: a long list stays quick
    // Lines are added wherever the match window receives or sends them; the
    // oldest go as soon as there are too many.
    connect(List1->model(), &QAbstractItemModel::rowsInserted, this, [this] {
        const int over = List1->count() - maxLines;
        if (over > 0)
            List1->model()->removeRows(0, over);
    });
}

void Form9::Form_QueryUnload(bool &cancel, int unloadMode)
{
    if (unloadMode != 0)
        return;
    MsgBox::notice(QStringLiteral("ChatWindowを単体で終了することはできません"));
    cancel = true;
}
