#include "windows/menu/menukeys.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>

#include "windowbase/announcer.h"

namespace {
// A quadrant: a button named after its mode; selected means focused.
class QuadrantAccessible : public QAccessibleWidget {
public:
    explicit QuadrantAccessible(QWidget *w) : QAccessibleWidget(w, QAccessible::Button) {}

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.focusable = true;
        if (QuadrantMenu *m = menu())
            s.focused = m->quadrant(m->selectedQuadrant()) == widget();
        return s;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &name) override
    {
        QuadrantMenu *m = menu();
        if (name != pressAction() || !m)
            return;
        for (int area = 1; area <= 4; ++area)
            if (m->quadrant(area) == widget())
                return m->open(area);
    }

private:
    QuadrantMenu *menu() const { return dynamic_cast<QuadrantMenu *>(widget()->window()); }
};

QAccessibleInterface *quadrantFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("HoverArea") && object && object->isWidgetType())
        return new QuadrantAccessible(static_cast<QWidget *>(object));
    return nullptr;
}
}  // namespace

MenuKeys::MenuKeys(QWidget *window, QuadrantMenu *menu) : QObject(window), m_window(window), m_menu(menu)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(quadrantFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    window->installEventFilter(this);
}

QString MenuKeys::hint(int area)
{
    const QString how = QStringLiteral("矢印キーで選び、Enter で決定");
    QWidget *selected = m_menu->quadrant(area);
    return selected ? selected->accessibleName() + QStringLiteral(" を選択中、") + how
                    : QStringLiteral("モードを") + how;
}

bool MenuKeys::eventFilter(QObject *watched, QEvent *event)
{
    // Nothing has the focus when the menu opens: say where one is, once,
    // after the screen reader has read the window's title.
    if (watched == m_window && event->type() == QEvent::WindowActivate && !m_greeted) {
        m_greeted = true;
        Announcer::of(m_window)->say(hint(m_menu->selectedQuadrant()));
    }
    if (watched != m_window || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const int now = m_menu->selectedQuadrant();
    const bool top = now == 1 || now == 2;
    const bool left = now == 1 || now == 3;
    // Tab walks the modes in reading order and wraps; nothing selected yet
    // means Tab starts at the first and Shift+Tab at the last.
    const bool backwards =
        key->key() == Qt::Key_Backtab || (key->key() == Qt::Key_Tab && (key->modifiers() & Qt::ShiftModifier));
    if (backwards) {
        select(now <= 1 ? 4 : now - 1);
        return true;
    }
    switch (key->key()) {
    case Qt::Key_Tab:
        select(now >= 4 ? 1 : now + 1);
        return true;
    // The arrows step to the neighbouring quadrant and stop at the window's
    // edge; with nothing selected yet any arrow selects the first.
    case Qt::Key_Left:
        select(now == 0 ? 1 : left ? now : now - 1);
        return true;
    case Qt::Key_Right:
        select(now == 0 ? 1 : left ? now + 1 : now);
        return true;
    case Qt::Key_Up:
        select(now == 0 ? 1 : top ? now : now - 2);
        return true;
    case Qt::Key_Down:
        select(now == 0 ? 1 : top ? now + 2 : now);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        open();
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}

void MenuKeys::select(int area)
{
    m_menu->hover(area);
    if (QAccessible::isActive()) {
        QAccessibleEvent focus(m_menu->quadrant(area), QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

// Nothing selected yet: nothing to open.
void MenuKeys::open() { m_menu->open(m_menu->selectedQuadrant()); }
