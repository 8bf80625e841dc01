#include "match/matchwindow.h"

#include <QEvent>
#include <algorithm>

#include "match/announcements.h"
#include "windowbase/announcer.h"
#include "windowbase/layout.h"
#include "windowbase/module1.h"
#include "windowbase/msgbox.h"

namespace {
const QString kuro = QStringLiteral("\\icon\\kuro.ico");
const QString siro = QStringLiteral("\\icon\\siro.ico");
const QString ban = QStringLiteral("\\icon\\ban.ico");
const QString akakuro = QStringLiteral("\\icon\\akakuro.ico");
const QString akasiro = QStringLiteral("\\icon\\akasiro.ico");
}  // namespace

MatchWindow::MatchWindow(const Design &d) : KWindow(d.id), m_match(new Match(this))
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

    // The buttons reach the handlers through the event loop's click, never
    // while another of this window's handlers is still running.
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command7, &QPushButton::clicked, this, [this] { Command7_Click(); });
    m_announcements = new MatchAnnouncements(this);

    // Every move is heard as it is played.
    connect(m_match, &Match::moved, MMControl1, &SoundEffect::play);
    connect(m_match, &Match::newGame, this, &MatchWindow::newGameDrawn);
    connect(m_match, &Match::moved, this, &MatchWindow::movedDrawn);
    connect(m_match, &Match::passed, this, &MatchWindow::passedDrawn);
    connect(m_match, &Match::turnChanged, this, &MatchWindow::turnDrawn);
    connect(m_match, &Match::ended, this, &MatchWindow::endDrawn);
}

void MatchWindow::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        m_announcements->greet(Announcer::spoken(Label2->text()));
    KWindow::changeEvent(event);
}

// ---------------------------------------------------------------- board

void MatchWindow::drawCell(int index)
{
    const i16 value = board().at(index);
    Image1[index]->loadPicture(Layout::programPath(value == 1 ? kuro : value == -1 ? siro : ban));
}

void MatchWindow::drawBoard()
{
    for (int k = 0; k < 64; ++k)
        drawCell(k);
    boardFocus->refresh();
}

void MatchWindow::syokika() { m_match->syokika(); }

void MatchWindow::newGameDrawn()
{
    m_changed = CellSet();
    setCellsEnabled(true);
    Command3->show();
    Command4->hide();
    drawBoard();
    writeTurnLabel();
    Command1->show();
    Command2->hide();
    setLabel(Label2, Rgb::lightGrey(), Rgb::blue(), QString());
    komacount();
}

// Draws a cell as the board holds it.
void MatchWindow::reverse(i16 row, i16 col) { drawCell(row * 8 + col); }

// Marks the move just played, in the colour of its disc.
void MatchWindow::red(i16 index)
{
    Image1[index]->loadPicture(Layout::programPath(board().at(index) == 1 ? akakuro : akasiro));
    boardFocus->refresh();
}

void MatchWindow::setCellsEnabled(bool enabled)
{
    for (CellImage *cell : Image1)
        cell->setClickable(enabled);
}

// ---------------------------------------------------------------- scans

void MatchWindow::scan(i16 row, i16 col, int rowStep, int colStep)
{
    // The flipped run is unbroken from the played cell outward.
    for (int r = row + rowStep, c = col + colStep; r >= 0 && r < 8 && c >= 0 && c < 8 && m_changed.has(r * 8 + c);
         r += rowStep, c += colStep)
        reverse(static_cast<i16>(r), static_cast<i16>(c));
}

void MatchWindow::hidari(i16 row, i16 col) { scan(row, col, 0, -1); }
void MatchWindow::migi(i16 row, i16 col) { scan(row, col, 0, 1); }
void MatchWindow::ue(i16 row, i16 col) { scan(row, col, -1, 0); }
void MatchWindow::sita(i16 row, i16 col) { scan(row, col, 1, 0); }
void MatchWindow::migiue(i16 row, i16 col) { scan(row, col, -1, 1); }
void MatchWindow::migisita(i16 row, i16 col) { scan(row, col, 1, 1); }
void MatchWindow::hidariue(i16 row, i16 col) { scan(row, col, -1, -1); }
void MatchWindow::hidarisita(i16 row, i16 col) { scan(row, col, 1, -1); }

// ---------------------------------------------------------------- moves and passes

void MatchWindow::writeTurnLabel()
{
    if (board().turnColor() == 1)
        setLabel(Label1, Rgb::black(), Rgb::white(), QStringLiteral("黒 番"));
    else
        setLabel(Label1, Rgb::white(), Rgb::black(), QStringLiteral("白 番"));
}

void MatchWindow::setLabel(QLabel *label, const QColor &background, const QColor &text, const QString &caption)
{
    Layout::setColors(label, background, text);
    label->setText(caption);
    label->setAccessibleName(Announcer::spoken(caption));
}

void MatchWindow::Image1_Click(i16 Index)
{
    if (Index < 0 || Index > 63)
        return;
    if (!m_match->play(Index))
        utemasen();
}

void MatchWindow::movedDrawn(int cell, CellSet changed, int unmarked, i16 colour)
{
    const i16 row = static_cast<i16>(cell / 8);
    const i16 col = static_cast<i16>(cell % 8);
    m_changed = changed;
    hidari(row, col);
    migi(row, col);
    ue(row, col);
    migiue(row, col);
    sita(row, col);
    migisita(row, col);
    hidariue(row, col);
    hidarisita(row, col);
    if (unmarked >= 0 && unmarked != cell)
        drawCell(unmarked);
    red(static_cast<i16>(cell));
    komacount();
    afterMove(static_cast<i16>(cell));
    m_announcements->moved(cell, colour, board().counts(), board().turnColor());
}

void MatchWindow::afterMove(i16) { writeTurnLabel(); }

void MatchWindow::utemasen() { MsgBox::notice(QStringLiteral("そこには打てません")); }

void MatchWindow::Command1_Click()
{
    if (board().hasMove(board().turnColor()))
        MsgBox::notice(QStringLiteral("打てるマスがあります"));
    else
        pass();
}

void MatchWindow::pass() { m_match->pass(); }

void MatchWindow::passedDrawn(i16 colour)
{
    m_announcements->passed(colour);
    beforePass();
}

void MatchWindow::turnDrawn()
{
    writeTurnLabel();
    afterPassHandOver();
}

// ---------------------------------------------------------------- score and end

void MatchWindow::komacount()
{
    const Board::Counts n = board().counts();
    Label5->setText(QString::number(n.black));
    Label6->setText(QString::number(n.white));
}

QString MatchWindow::resultText(i16 winner, bool) const
{
    return winner == 1 ? QStringLiteral("お 見 事 黒 番 の 勝 利") : QStringLiteral("お 見 事 白 番 の 勝 利");
}

QString MatchWindow::showResult(i16 winner, bool byResignation)
{
    if (winner == 0)
        setLabel(Label2, Rgb::lightGrey(), Rgb::blue(), QStringLiteral("こ の 勝 負 引 き 分 け"));
    else if (winner == 1)
        setLabel(Label2, Rgb::black(), Rgb::white(), resultText(winner, byResignation));
    else
        setLabel(Label2, Rgb::white(), Rgb::black(), resultText(winner, byResignation));
    return Label2->text();
}

void MatchWindow::syuukyoku() { m_match->syuukyoku(); }
void MatchWindow::touryou() { m_match->touryou(); }

void MatchWindow::endDrawn(i16 winner, bool byResignation, int unmarked)
{
    setLabel(Label1, Rgb::lightGrey(), Rgb::blue(), byResignation ? QStringLiteral("投 了") : QStringLiteral("終 局"));
    Command1->hide();
    Command2->show();
    if (unmarked >= 0)
        drawCell(unmarked);
    const QString result = showResult(winner, byResignation);
    setCellsEnabled(false);
    Command3->hide();
    Command4->show();
    afterGameEnd();
    m_announcements->ended(byResignation ? QStringLiteral("投了") : QStringLiteral("終局"), board().counts(),
                           Announcer::spoken(result));
}

// ---------------------------------------------------------------- locking, leaving, quitting

void MatchWindow::lockBoard()
{
    Command1->setEnabled(false);
    Command3->setEnabled(false);
    setCellsEnabled(false);
}

void MatchWindow::cunlock()
{
    Command1->setEnabled(true);
    Command3->setEnabled(true);
    setCellsEnabled(true);
}

void MatchWindow::releaseDevices() { MMControl1->close(); }

void MatchWindow::syuuryou() { quitProgram(); }

void MatchWindow::Form_Load()
{
    syokika();
    MMControl1->open(Layout::programPath(QStringLiteral("\\SE\\oku.jov")));
}

void MatchWindow::Form_QueryUnload(bool &cancel, int unloadMode)
{
    if (confirmQuit(cancel, unloadMode))
        syuuryou();
}

void MatchWindow::Form_Unload() { releaseDevices(); }

void MatchWindow::Command2_Click()
{
    syokika();
    m_announcements->newGame(board().turnColor());
}
void MatchWindow::Command3_Click() { touryou(); }
void MatchWindow::Command4_Click() { syuuryou(); }

void MatchWindow::Command7_Click()
{
    MMControl1->close();
    Module1::unload(formId());
    Module1::show(FormId::Form3);
}
