#pragma once
// The mode menu: the board's starting position, one quadrant per way to
// play. Hovering a quadrant shows its caption (with a click sound when the
// quadrant changes); clicking it leaves the menu for that mode's window.
#include <QColor>
#include <QLabel>

#include "windowbase/kwindow.h"
#include "windowbase/soundeffect.h"
#include "windows/menu/menukeys.h"

// A filled circle in its box: the diameter is the shorter side, centred.
class DiscShape : public QWidget {
public:
    DiscShape(QWidget *parent, const QColor &colour);
    QColor colour() const { return m_colour; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QColor m_colour;
};

// An invisible area that still receives pointer moves (with or without a
// button held) and clicks.
class HoverArea : public QLabel {
    Q_OBJECT
public:
    explicit HoverArea(QWidget *parent);

signals:
    void moved();
    void clicked();

protected:
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    bool m_pressed = false;
};

class Form3 : public KWindow, public QuadrantMenu {
    Q_OBJECT
public:
    using i16 = qint16;
    Form3();

    // ---- controls ----
    DiscShape *Shape1 = nullptr;  // white, top left
    DiscShape *Shape2 = nullptr;  // black, top right
    DiscShape *Shape3 = nullptr;  // black, bottom left
    DiscShape *Shape4 = nullptr;  // white, bottom right
    QWidget *Line1 = nullptr;
    QWidget *Line2 = nullptr;
    QLabel *Label1 = nullptr;      // "1台対戦"
    QLabel *Label2 = nullptr;      // "CPU対戦"
    QLabel *Label3 = nullptr;      // "通信対戦" (server side)
    QLabel *Label4 = nullptr;      // "通信対戦" (client side)
    QLabel *Label5 = nullptr;      // "クライアント"
    QLabel *Label6 = nullptr;      // "サーバ"
    HoverArea *Label7 = nullptr;   // top left
    HoverArea *Label8 = nullptr;   // top right
    HoverArea *Label9 = nullptr;   // bottom left
    HoverArea *Label10 = nullptr;  // bottom right
    SoundEffect *MMControl1 = nullptr;

    // ---- state ----
    // The quadrant the pointer last entered (1..4), 0 right after loading.
    i16 hoverArea = 0;

    // ---- event handlers ----
    void Form_Load() override;
    void Form_QueryUnload(bool &cancel, int unloadMode) override;
    void Form_Unload() override;
    void Label7_MouseMove();
    void Label8_MouseMove();
    void Label9_MouseMove();
    void Label10_MouseMove();
    void Label7_Click();
    void Label8_Click();
    void Label9_Click();
    void Label10_Click();

    // ---- procedures ----
    void syuuryou();

    // ---- the quadrants to the keys ----
    int selectedQuadrant() const override { return hoverArea; }
    QWidget *quadrant(int area) const override;
    void hover(int area) override { enterQuadrant(i16(area)); }
    void open(int area) override;

protected:
    void releaseDevices() override;

private:
    void enterQuadrant(i16 area);
    void choose(FormId target);
};
