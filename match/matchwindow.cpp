#include "match/matchwindow.h"

#include <QEvent>

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

MatchWindow::MatchWindow(const Design &d, Seat *seat) : KWindow(d.id), m_match(new Match(this)), m_seat(seat)
{
    layOut(d);
    // The buttons reach the handlers through the event loop's click, never
    // while another of this window's handlers is still running.
    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
    connect(Command7, &QPushButton::clicked, this, [this] { Command7_Click(); });
    m_announcements = new MatchAnnouncements(this);

    // Qt calls slots in the order connected: the window draws what happened,
    // then the seat acts on it, then it is said.
    connect(m_match, &Match::moved, MMControl1, &SoundEffect::play);  // every move is heard
    connect(m_match, &Match::newGame, this, &MatchWindow::newGameDrawn);
    connect(m_match, &Match::moved, this, &MatchWindow::movedDrawn);
    connect(m_match, &Match::turnChanged, this, &MatchWindow::writeTurnLabel);
    connect(m_match, &Match::ended, this, &MatchWindow::endDrawn);
    boardFocus->follow(m_match);
    m_seat->setParent(this);
    m_seat->sit(this, m_match);
    m_announcements->follow(m_match, [seat](Disc winner, bool byResignation) {
        return Announcer::spoken(seat->resultText(winner, byResignation));
    });
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
    const Disc value = board().at(index);
    Image1[index]->loadPicture(Layout::programPath(value == Black ? kuro : value == White ? siro : ban));
}

void MatchWindow::drawBoard()
{
    for (int k = 0; k < 64; ++k)
        drawCell(k);
}

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
    Image1[index]->loadPicture(Layout::programPath(board().at(index) == Black ? akakuro : akasiro));
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
    if (board().turnColor() == Black)
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
    if (Index >= 0 && Index <= 63 && !m_match->play(Index))
        utemasen();
}

void MatchWindow::movedDrawn(int cell, CellSet changed, int unmarked)
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
    writeTurnLabel();
}

void MatchWindow::utemasen()
{
    if (!m_seat->refusesSilently())
        MsgBox::notice(QStringLiteral("そこには打てません"));
}

void MatchWindow::Command1_Click()
{
    if (board().hasMove(board().turnColor()))
        MsgBox::notice(QStringLiteral("打てるマスがあります"));
    else
        pass();
}

// ---------------------------------------------------------------- score and end

void MatchWindow::sayStatus(const QString &text)
{
    showStatus(text);
    m_announcements->status(text);
}

void MatchWindow::komacount()
{
    const Board::Counts n = board().counts();
    Label5->setText(QString::number(n.black));
    Label6->setText(QString::number(n.white));
}

void MatchWindow::endDrawn(Disc winner, bool byResignation, int unmarked)
{
    setLabel(Label1, Rgb::lightGrey(), Rgb::blue(), byResignation ? QStringLiteral("投 了") : QStringLiteral("終 局"));
    if (unmarked >= 0)
        drawCell(unmarked);
    // In the winner's colours; a draw as the status line.
    const QColor background = winner == Black ? Rgb::black() : winner == White ? Rgb::white() : Rgb::lightGrey();
    const QColor text = winner == Black ? Rgb::white() : winner == White ? Rgb::black() : Rgb::blue();
    setLabel(Label2, background, text, m_seat->resultText(winner, byResignation));
    stopPlay();
}

void MatchWindow::stopPlay()
{
    Command1->hide();
    Command2->show();
    setCellsEnabled(false);
    Command3->hide();
    Command4->show();
    Command7->setEnabled(true);
}

// ---------------------------------------------------------------- locking, leaving, quitting

void MatchWindow::lockBoard() { setPlayable(false); }
void MatchWindow::cunlock() { setPlayable(true); }

void MatchWindow::setPlayable(bool playable)
{
    Command1->setEnabled(playable);
    Command3->setEnabled(playable);
    setCellsEnabled(playable);
}

void MatchWindow::releaseDevices()
{
    MMControl1->close();
    m_seat->release();
}

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

void MatchWindow::Form_Unload()
{
    m_seat->leave();
    releaseDevices();
}

void MatchWindow::modesentaku()
{
    MMControl1->close();
    Module1::unload(formId());
    Module1::show(FormId::Form3);
}
