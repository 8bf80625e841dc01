#include "windows/menu/form3.h"

#include <QMouseEvent>
#include <QPainter>

#include "windowbase/layout.h"
#include "windowbase/modes.h"
#include "windowbase/module1.h"
#include "windowbase/msgbox.h"

// ---------------------------------------------------------------- controls

DiscShape::DiscShape(QWidget *parent, const QColor &colour) : QWidget(parent), m_colour(colour)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void DiscShape::paintEvent(QPaintEvent *)
{
    const int d = qMin(width(), height());
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(m_colour);
    p.drawEllipse(QRectF((width() - d) / 2.0, (height() - d) / 2.0, d, d));
}

HoverArea::HoverArea(QWidget *parent) : QLabel(parent)
{
    setMouseTracking(true);
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
}

void HoverArea::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    emit moved();
}

void HoverArea::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
}

void HoverArea::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    const bool wasPressed = m_pressed;
    m_pressed = false;
    if (wasPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
}

// ---------------------------------------------------------------- the menu

Form3::Form3() : KWindow(FormId::Form3)
{
    using Layout::LabelStyle;
    setCaptionAndSize(QStringLiteral("Dorvex Quorvane～モード選択～"), 4680, 4395);
    Layout::setColors(this, Rgb::darkGreen(), QColor());
    // First: the hover areas' accessible interfaces come from it.
    new MenuKeys(this, this);

    Shape1 = new DiscShape(this, Rgb::white());
    Layout::place(Shape1, 120, 0, 2055, 2055);
    Shape2 = new DiscShape(this, Rgb::black());
    Layout::place(Shape2, 2280, 0, 2295, 2055);
    Shape3 = new DiscShape(this, Rgb::black());
    Layout::place(Shape3, 120, 2280, 2055, 2055);
    Shape4 = new DiscShape(this, Rgb::white());
    Layout::place(Shape4, 2280, 2280, 2295, 2055);
    Line1 = Layout::line(this, 0, 2160, 4680, 2160, 3);
    Line2 = Layout::line(this, 2280, 4440, 2280, 0, 3);

    const LabelStyle onWhite{18, false, false, true, Rgb::white(), Rgb::black()};
    const LabelStyle onBlack{18, false, false, true, Rgb::black(), Rgb::white()};
    LabelStyle onWhiteLarger = onWhite;
    onWhiteLarger.points = 18.75;
    LabelStyle onBlackLarger = onBlack;
    onBlackLarger.points = 18.75;
    LabelStyle onWhiteLeft = onWhite;
    onWhiteLeft.centred = false;
    LabelStyle onBlackLeft = onBlack;
    onBlackLeft.centred = false;
    Label1 = Layout::label(this, 480, 840, 1335, 375, QStringLiteral("1台対戦"), onWhite);
    Label2 = Layout::label(this, 2640, 840, 1575, 375, QStringLiteral("CPU対戦"), onBlack);
    Label3 = Layout::label(this, 360, 2880, 1575, 375, QStringLiteral("通信対戦"), onBlackLarger);
    Label4 = Layout::label(this, 2640, 2880, 1575, 375, QStringLiteral("通信対戦"), onWhiteLarger);
    Label5 = Layout::label(this, 2520, 3360, 1815, 375, QStringLiteral("クライアント"), onWhiteLeft);
    Label6 = Layout::label(this, 600, 3360, 1095, 375, QStringLiteral("サーバ"), onBlackLeft);

    // Above the discs and captions; created in this order so that where two
    // areas overlap along a dividing line the later one lies on top.
    HoverArea **areas[4] = {&Label7, &Label8, &Label9, &Label10};
    const int boxes[4][4] = {
        {0, 0, 2295, 2175}, {2280, 0, 2415, 2175}, {0, 2160, 2295, 2295}, {2280, 2160, 2415, 2295}};
    for (int i = 0; i < 4; ++i) {
        HoverArea *a = new HoverArea(this);
        Layout::place(a, boxes[i][0], boxes[i][1], boxes[i][2], boxes[i][3]);
        // The area has no text of its own; assistive tools read the mode.
        a->setAccessibleName(QString::fromUtf8(Modes::all[i].title));
        *areas[i] = a;
    }
    connect(Label7, &HoverArea::moved, this, &Form3::Label7_MouseMove);
    connect(Label8, &HoverArea::moved, this, &Form3::Label8_MouseMove);
    connect(Label9, &HoverArea::moved, this, &Form3::Label9_MouseMove);
    connect(Label10, &HoverArea::moved, this, &Form3::Label10_MouseMove);
    connect(Label7, &HoverArea::clicked, this, &Form3::Label7_Click);
    connect(Label8, &HoverArea::clicked, this, &Form3::Label8_Click);
    connect(Label9, &HoverArea::clicked, this, &Form3::Label9_Click);
    connect(Label10, &HoverArea::clicked, this, &Form3::Label10_Click);

    MMControl1 = new SoundEffect(this);
}

void Form3::Form_Load()
{
    // Hidden, not emptied: each caption keeps its text for assistive tools.
    for (QLabel *caption : {Label1, Label2, Label3, Label4, Label5, Label6})
        caption->hide();
    MMControl1->open(Layout::programPath(QStringLiteral("\\SE\\oku.jov")));
}

void Form3::enterQuadrant(i16 area)
{
    if (isUnloaded())
        return;
    Label1->setVisible(area == 1);
    Label2->setVisible(area == 2);
    Label3->setVisible(area == 3);
    Label6->setVisible(area == 3);
    Label4->setVisible(area == 4);
    Label5->setVisible(area == 4);
    if (hoverArea != area)
        MMControl1->play();
    hoverArea = area;
}

void Form3::Label7_MouseMove() { enterQuadrant(1); }
void Form3::Label8_MouseMove() { enterQuadrant(2); }
void Form3::Label9_MouseMove() { enterQuadrant(3); }
void Form3::Label10_MouseMove() { enterQuadrant(4); }

void Form3::choose(FormId target)
{
    // A click queued behind the one that already left the menu does nothing.
    if (isUnloaded() || MsgBox::openCount() > 0)
        return;
    // A mode whose window is not registered (a test may leave it out) keeps
    // the menu up rather than leave the user with no window at all.
    if (!Module1::registered(target))
        return;
    MMControl1->close();
    Module1::unload(FormId::Form3);
    Module1::show(target);
}

void Form3::Label7_Click() { choose(Modes::all[0].window); }
void Form3::Label8_Click() { choose(Modes::all[1].window); }
void Form3::Label9_Click() { choose(Modes::all[2].window); }
void Form3::Label10_Click() { choose(Modes::all[3].window); }

QWidget *Form3::quadrant(int area) const
{
    HoverArea *const areas[4] = {Label7, Label8, Label9, Label10};
    return area >= 1 && area <= 4 ? areas[area - 1] : nullptr;
}

void Form3::open(int area)
{
    if (area >= 1 && area <= 4)
        choose(Modes::all[area - 1].window);
}

void Form3::syuuryou() { quitProgram(); }

void Form3::releaseDevices() { MMControl1->close(); }

void Form3::Form_QueryUnload(bool &cancel, int unloadMode)
{
    if (confirmQuit(cancel, unloadMode))
        syuuryou();
}

void Form3::Form_Unload() { releaseDevices(); }
