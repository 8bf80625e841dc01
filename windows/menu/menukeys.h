#pragma once
// The menu without a mouse: Tab, Shift+Tab and the arrow keys select a
// quadrant exactly as the pointer entering it does, Enter and Space open it
// as a click. The quadrants are exposed to assistive tools as four buttons.
#include <QObject>

class Form3;

class MenuKeys : public QObject {
    Q_OBJECT
public:
    explicit MenuKeys(Form3 *menu);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

    // What the menu says when it opens: how to choose, or the selected mode.
    QString hint(int area);

private:
    void select(int area);
    void open();

    Form3 *m_menu;
    bool m_greeted = false;
};
