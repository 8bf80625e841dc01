#include "windows/menu/menukeys.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>

#include "windowbase/announcer.h"
#include "windows/menu/form3.h"

namespace {
// Quadrants 1..4: top left, top right, bottom left, bottom right.
HoverArea *areaOf(Form3 *menu, int area)
{
    HoverArea *areas[4] = {menu->Label7, menu->Label8, menu->Label9, menu->Label10};
    return area >= 1 && area <= 4 ? areas[area - 1] : nullptr;
}

// A quadrant: a button named after its mode; selected means focused.
class QuadrantAccessible : public QAccessibleWidget {
public:
    explicit QuadrantAccessible(QWidget *w) : QAccessibleWidget(w, QAccessible::Button) {}

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.focusable = true;
        if (auto *menu = qobject_cast<Form3 *>(widget()->window()))
            s.focused = areaOf(menu, menu->hoverArea) == widget();
        return s;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &name) override
    {
        if (name == pressAction())
            emit static_cast<HoverArea *>(widget())->clicked();
    }
};

QAccessibleInterface *quadrantFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String("HoverArea") && object && object->isWidgetType())
        return new QuadrantAccessible(static_cast<QWidget *>(object));
    return nullptr;
}
}  // namespace

MenuKeys::MenuKeys(Form3 *menu) : QObject(menu), m_menu(menu)
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(quadrantFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    menu->installEventFilter(this);
}

QString MenuKeys::hint(int area)
{
    const QString how = QStringLiteral("矢印キーで選び、Enter で決定");
    HoverArea *selected = areaOf(m_menu, area);
    return selected ? selected->accessibleName() + QStringLiteral(" を選択中、") + how
                    : QStringLiteral("モードを") + how;
}

bool MenuKeys::eventFilter(QObject *watched, QEvent *event)
{
    // Nothing has the focus when the menu opens: say where one is, once,
    // after the screen reader has read the window's title.
    if (watched == m_menu && event->type() == QEvent::WindowActivate && !m_greeted) {
        m_greeted = true;
        Announcer::of(m_menu)->say(hint(m_menu->hoverArea));
    }
    if (watched != m_menu || event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    const int now = m_menu->hoverArea;
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
    switch (area) {
    case 1:
        m_menu->Label7_MouseMove();
        break;
    case 2:
        m_menu->Label8_MouseMove();
        break;
    case 3:
        m_menu->Label9_MouseMove();
        break;
    default:
        m_menu->Label10_MouseMove();
        break;
    }
    if (QAccessible::isActive()) {
        QAccessibleEvent focus(areaOf(m_menu, area), QAccessible::Focus);
        QAccessible::updateAccessibility(&focus);
    }
}

void MenuKeys::open()
{
    // Nothing selected yet: nothing to open.
    switch (m_menu->hoverArea) {
    case 1:
        return m_menu->Label7_Click();
    case 2:
        return m_menu->Label8_Click();
    case 3:
        return m_menu->Label9_Click();
    case 4:
        return m_menu->Label10_Click();
    default:
        return;
    }
}
