#pragma once
// The opening screen: a quill pen hops along three lines while black
// curtains travelling with it uncover them, then the handle "JOV" appears
// with a bang and the opening gives way to the menu. A click or any key skips it.
#include <QLabel>
#include <QTimer>

#include "windowbase/kwindow.h"
#include "windowbase/soundeffect.h"

class Form4 : public KWindow {
    Q_OBJECT
public:
    using i16 = qint16;
    Form4();

    // ---- controls ----
    QLabel *Label1[3] = {};    // the three text lines
    QLabel *Label3 = nullptr;  // the handle
    QLabel *Label5[4] = {};    // the curtains over the lines and the handle
    QLabel *Image1 = nullptr;  // the quill pen
    QTimer *Timer1 = nullptr;  // reveal steps
    QTimer *Timer2 = nullptr;  // pen movement
    SoundEffect *MMControl1 = nullptr;

    // ---- state ----
    i16 openingStage = 0;
    i16 hopHeight = 0;
    i16 hopStep = 0;
    i16 revealLead = 0;
    bool line1Ready = false;
    bool line2Ready = false;

    // ---- event handlers ----
    void Form_Load() override;
    void Form_QueryUnload(bool &cancel, int unloadMode) override;
    void Form_Unload() override;
    void Timer1_Timer();
    void Timer2_Timer();
    void Form_Click();
    void Image1_Click();
    void Label1_Click(i16 Index);
    void Label3_Click();
    void Label5_Click(i16 Index);

    // ---- procedures ----
    void syuuryou();   // leave the opening for the menu
    void syuuryou2();  // quit the program

protected:
    void releaseDevices() override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    // Any key skips the opening as a click does.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void movePen(int left, int top);
    void moveCurtain(int k, int left);

    // The pen's place in twips: its steps (115 twips) are not whole pixels,
    // so the arithmetic keeps the designed unit and only the drawing rounds.
    int m_penLeft = 240;
    int m_penTop = 120;
    // Set once the opening has handed over to the menu (skip or natural end):
    // a late click or tick must not show the menu a second time.
    bool m_done = false;
    // The close-box question is open: ticks arriving from inside its event
    // loop hold still, so the answer finds the opening where it was.
    bool m_asking = false;
    bool m_pressed = false;
};
