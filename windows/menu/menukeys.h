#pragma once
// The menu without a mouse: Tab, Shift+Tab and the arrow keys select a
// quadrant exactly as the pointer entering it does, Enter and Space open it
// as a click. The quadrants are exposed to assistive tools as four buttons.
#include <QObject>

class QWidget;

// What the keys drive: four quadrants numbered 1..4 (top left, top right,
// bottom left, bottom right), each a widget named after its mode.
class QuadrantMenu {
public:
    // The selected quadrant; 0 while none is.
    virtual int selectedQuadrant() const = 0;
    // The quadrant's widget; nullptr outside 1..4.
    virtual QWidget *quadrant(int area) const = 0;
    // As the pointer entering the quadrant, and as a click on it.
    virtual void hover(int area) = 0;
    virtual void open(int area) = 0;

protected:
    ~QuadrantMenu() = default;
};

class MenuKeys : public QObject {
    Q_OBJECT
public:
    // Filters the keys of `window`, which is the menu.
    MenuKeys(QWidget *window, QuadrantMenu *menu);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

    // What the menu says when it opens: how to choose, or the selected mode.
    QString hint(int area);

private:
    void select(int area);
    void open();

    QWidget *m_window;
    QuadrantMenu *m_menu;
    bool m_greeted = false;
};
