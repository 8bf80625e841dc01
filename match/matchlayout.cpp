#include <QPushButton>

#include "match/matchwindow.h"
#include "windowbase/layout.h"

// The controls every match window has, where the design puts them (twips).
void MatchWindow::layOut(const Design &d)
{
    using Layout::LabelStyle;
    setCaptionAndSize(d.caption, 7125, d.clientHeight);

    Label7 = Layout::label(this, 240, 120, 6735, 615, QStringLiteral("Dorvex Quorvane"),
                           LabelStyle{30, false, false, false, QColor(), Rgb::blue()});
    BoardFocus::installAccessibility();
    for (int k = 0; k < 64; ++k) {
        Image1[k] = new CellImage(k, this);
        Layout::place(Image1[k], 840 + (k % 8) * 480, 840 + (k / 8) * 480, 480, 480);
        connect(Image1[k], &CellImage::clicked, this, [this](int index) { Image1_Click(static_cast<i16>(index)); });
    }
    // Created before the buttons: the board comes first in the Tab order.
    boardFocus = new BoardFocus(this, Image1, [this](int k) { return m_match->board().at(k); });
    Line1[0] = Layout::line(this, 840, 840, 4680, 840, 3);
    Line1[1] = Layout::line(this, 840, 4680, 4680, 4680, 3);
    Line1[2] = Layout::line(this, 4680, 4680, 4680, 840, 3);
    Line1[3] = Layout::line(this, 840, 840, 840, 4680, 3);

    Label1 = Layout::label(this, 5040, 840, 1815, 615, QString(),
                           LabelStyle{27.75, false, true, true, Rgb::white(), QColor()});
    Command1 = Layout::button(this, 5040, 1680, 1815, 615, QStringLiteral("パ ス"), 24);
    Command2 = Layout::button(this, 5040, 1680, 1815, 615, d.command2Caption, d.command2Points, d.command2Bold);
    Command2->hide();
    Label3 = Layout::label(this, 5040, 2520, 855, 615, QStringLiteral("黒"),
                           LabelStyle{27.75, false, true, true, Rgb::black(), Rgb::white()});
    Label4 = Layout::label(this, 6000, 2520, 855, 615, QStringLiteral("白"),
                           LabelStyle{27.75, false, true, true, Rgb::white(), Rgb::black()});
    Label5 = Layout::label(this, 5040, 3240, 855, 735, QString(),
                           LabelStyle{36, false, true, true, Rgb::black(), Rgb::white()});
    Label6 = Layout::label(this, 6000, 3240, 855, 735, QString(),
                           LabelStyle{36, false, true, true, Rgb::white(), Rgb::black()});
    Command3 = Layout::button(this, 5040, 4080, 1815, 615, QStringLiteral("投 了"), 21.75);
    Command4 = Layout::button(this, 5040, 4080, 1815, 615, QStringLiteral("終 了"), 21.75);
    Command4->hide();
    Command7 = Layout::button(this, 120, 4080, 615, 615, QStringLiteral("モード選択"));
    Label2 = Layout::label(this, 120, d.label2Top, 6855, 735, QString(),
                           LabelStyle{33, false, true, true, QColor(), QColor()});
    MMControl1 = new SoundEffect(this);
    boardFocus->raise();  // the cursor frame lies above the board's lines too
    // Every match window opens with the board taking the keys.
    boardFocus->setFocus();
}
