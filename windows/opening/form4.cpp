#include "windows/opening/form4.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPixmap>

#include "windowbase/layout.h"
#include "windowbase/module1.h"
#include "windowbase/msgbox.h"

namespace {
struct Box {
    int left, top, width, height;
};
// The three lines and the curtains, as designed (twips).
constexpr Box line[3] = {{360, 240, 3975, 495}, {480, 1200, 3855, 735}, {360, 2400, 2055, 375}};
constexpr Box curtain[4] = {
    {360, 240, 3960, 495}, {480, 1200, 3840, 855}, {360, 2400, 2040, 375}, {2520, 1920, 2055, 975}};
}  // namespace

Form4::Form4() : KWindow(FormId::Form4)
{
    using Layout::LabelStyle;
    setCaptionAndSize(QStringLiteral("Dorvex Quorvane～OPENING～"), 4680, 3195);
    Layout::setColors(this, Rgb::black(), Rgb::white());

    const QString texts[3] = {QStringLiteral("Dorvex"), QStringLiteral("Kobanto"), QStringLiteral("Presented by ")};
    const double points[3] = {27.75, 36, 18};
    const QColor colours[3] = {Rgb::green(), Rgb::white(), Rgb::green()};
    for (int k = 0; k < 3; ++k)
        Label1[k] = Layout::label(this, line[k].left, line[k].top, line[k].width, line[k].height, texts[k],
                                  LabelStyle{points[k], false, false, false, Rgb::black(), colours[k]});
    // Each curtain is a pixel narrower than its line. A substitute font may
    // draw a line wider than the designed face does, so a line is drawn only
    // where its curtain covers it: nothing shows ahead of the pen.
    for (int k = 0; k < 3; ++k) {
        const QRect covered = Twips::rect(curtain[k].left, curtain[k].top, curtain[k].width, curtain[k].height);
        Label1[k]->setMask(covered.intersected(Label1[k]->geometry()).translated(-Label1[k]->pos()));
    }
    Label3 = Layout::label(this, 2640, 2040, 1935, 855, QStringLiteral("JOV"),
                           LabelStyle{48, false, false, false, Rgb::black(), Rgb::white()});
    // Created after the texts, so each curtain lies above the text it covers.
    for (int k = 0; k < 4; ++k) {
        Label5[k] = Layout::label(this, curtain[k].left, curtain[k].top, curtain[k].width, curtain[k].height, QString(),
                                  LabelStyle{0, false, false, false, Rgb::black(), QColor()});
    }
    // The pen, on top of everything.
    Image1 = new QLabel(this);
    Image1->setPixmap(Layout::builtInPicture(QStringLiteral(":/res/pen.png")));
    Image1->setAccessibleName(QStringLiteral("羽根ペン"));
    movePen(240, 120);

    MMControl1 = new SoundEffect(this);

    // Both timers run from the moment the window exists; their ticks reach
    // the window only from the event loop, after Form_Load. They are precise:
    // a coarse timer may fire 5 % early or late.
    Timer1 = new QTimer(this);
    Timer1->setTimerType(Qt::PreciseTimer);
    Timer1->setInterval(20);
    connect(Timer1, &QTimer::timeout, this, &Form4::Timer1_Timer);
    Timer2 = new QTimer(this);
    Timer2->setTimerType(Qt::PreciseTimer);
    Timer2->setInterval(100);
    connect(Timer2, &QTimer::timeout, this, &Form4::Timer2_Timer);
    Timer1->start();
    Timer2->start();
}

void Form4::movePen(int left, int top)
{
    m_penLeft = left;
    m_penTop = top;
    Layout::place(Image1, left, top, 480, 480);
}

void Form4::moveCurtain(int k, int left)
{
    Layout::place(Label5[k], left, curtain[k].top, curtain[k].width, curtain[k].height);
}

void Form4::Form_Load()
{
    hopHeight = 100;
    hopStep = 115;
    MMControl1->open(Layout::programPath(QStringLiteral("\\SE\\BANG.jov")));
}

void Form4::Timer2_Timer()
{
    if (m_done || m_asking || isUnloaded())
        return;
    movePen(m_penLeft + hopStep, m_penTop + hopHeight);
    hopHeight = static_cast<i16>(-hopHeight);
    if (openingStage == 3)
        Timer2->stop();
}

void Form4::Timer1_Timer()
{
    if (m_done || m_asking || isUnloaded())
        return;

    if (openingStage == 1 && !line1Ready) {
        movePen(240, 1000);
        line1Ready = true;
        hopHeight = 200;
        Label5[0]->hide();
    } else if (openingStage == 2 && !line2Ready) {
        movePen(240, 2160);
        line2Ready = true;
        hopHeight = 100;
        Label5[1]->hide();
        revealLead = 300;
    }

    switch (openingStage) {
    case 3:
        MMControl1->play();
        Label5[3]->hide();
        openingStage = 4;
        break;
    case 4:
        openingStage = 5;
        break;
    default: {
        const int k = openingStage;
        const float reach = static_cast<float>(m_penLeft + revealLead);
        const float lineEnd = static_cast<float>(line[k].left + line[k].width);
        if (reach < lineEnd) {
            moveCurtain(k, m_penLeft + 100);
        } else {
            openingStage = static_cast<i16>(k + 1);
            if (openingStage == 3) {
                Timer1->setInterval(1300);
                Label5[2]->hide();
            }
        }
        break;
    }
    }

    if (openingStage > 4) {
        m_done = true;
        Timer1->stop();
        Module1::unload(FormId::Form4);
        Module1::show(FormId::Form3);
    }
}

void Form4::syuuryou()
{
    if (m_done || m_asking || isUnloaded())
        return;
    m_done = true;
    Timer1->stop();
    Timer2->stop();
    MMControl1->close();
    Module1::hide(FormId::Form4);
    Module1::show(FormId::Form3);
}

void Form4::syuuryou2() { quitProgram(); }

void Form4::releaseDevices() { MMControl1->close(); }

void Form4::Form_Click() { syuuryou(); }
void Form4::Image1_Click() { syuuryou(); }
void Form4::Label1_Click(i16) { syuuryou(); }
void Form4::Label3_Click() { syuuryou(); }
void Form4::Label5_Click(i16) { syuuryou(); }

void Form4::Form_QueryUnload(bool &cancel, int unloadMode)
{
    if (unloadMode != 0)
        return;
    m_asking = true;
    const Answer answer = ask(QStringLiteral("終了しますか？"));
    if (answer == Answer::Gone)
        return;
    m_asking = false;
    if (answer == Answer::No)
        cancel = true;
    else
        syuuryou2();
}

void Form4::Form_Unload()
{
    Timer1->stop();
    Timer2->stop();
    MMControl1->close();
}

void Form4::mousePressEvent(QMouseEvent *event)
{
    // The labels and the pen pass their presses on to the window, which
    // then receives the release as well and tells which control was hit.
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
}

void Form4::mouseReleaseEvent(QMouseEvent *event)
{
    const bool wasPressed = m_pressed;
    m_pressed = false;
    if (!wasPressed || event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    if (!rect().contains(pos))
        return;
    QWidget *hit = childAt(pos);
    if (hit == Image1)
        return Image1_Click();
    if (hit == Label3)
        return Label3_Click();
    for (i16 k = 0; k < 3; ++k)
        if (hit == Label1[k])
            return Label1_Click(k);
    for (i16 k = 0; k < 4; ++k)
        if (hit == Label5[k])
            return Label5_Click(k);
    Form_Click();
}

void Form4::keyPressEvent(QKeyEvent *event)
{
    event->accept();
    Form_Click();
}
