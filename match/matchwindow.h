#pragma once
// The base of the four match windows: the common layout and the view of one
// Match, drawing what its signals say. Who plays opposite is the window's
// Seat: the windows differ in their seat and their own controls.
#include <QLabel>
#include <QPushButton>

#include "match/boardfocus.h"
#include "match/cellimage.h"
#include "match/seat.h"
#include "rules/match.h"
#include "windowbase/kwindow.h"
#include "windowbase/soundeffect.h"

class MatchAnnouncements;

class MatchWindow : public KWindow, public SeatView {
    Q_OBJECT
public:
    using i16 = qint16;

    // The match this window shows and plays, and who sits opposite.
    Match *match() const { return m_match; }
    Seat *seat() const { return m_seat; }
    const Board &board() const { return m_match->board(); }
    // The game has ended (syuukyoku or touryou) and no new one has begun.
    bool gameOver() const { return m_match->over(); }

    // ---- controls ----
    QLabel *Label1 = nullptr;         // side to move / end of play
    QLabel *Label2 = nullptr;         // result and status line
    QLabel *Label3 = nullptr;         // "黒"
    QLabel *Label4 = nullptr;         // "白"
    QLabel *Label5 = nullptr;         // black count
    QLabel *Label6 = nullptr;         // white count
    QLabel *Label7 = nullptr;         // title
    QPushButton *Command1 = nullptr;  // pass
    QPushButton *Command2 = nullptr;  // new game (rematch in a network match)
    QPushButton *Command3 = nullptr;  // resign
    QPushButton *Command4 = nullptr;  // quit
    QPushButton *Command7 = nullptr;  // mode select
    CellImage *Image1[64] = {};
    QWidget *Line1[4] = {};
    SoundEffect *MMControl1 = nullptr;
    // The board's keyboard stop and accessible cell names.
    BoardFocus *boardFocus = nullptr;
    // What a screen reader hears of the game.
    MatchAnnouncements *announcements() const override { return m_announcements; }

    // ---- procedures: each drives the match or draws what it holds ----
    void syokika() { m_match->syokika(); }
    // Draws one cell as the board holds it.
    void reverse(i16 row, i16 col);
    // Marks the move just played.
    void red(i16 index);
    // The move just played, one direction each: draw the run it flipped.
    void hidari(i16 row, i16 col);
    void migi(i16 row, i16 col);
    void ue(i16 row, i16 col);
    void sita(i16 row, i16 col);
    void migiue(i16 row, i16 col);
    void migisita(i16 row, i16 col);
    void hidariue(i16 row, i16 col);
    void hidarisita(i16 row, i16 col);
    void komacount();
    void syuukyoku() { m_match->syuukyoku(); }
    void touryou() { m_match->touryou(); }
    void pass() { m_match->pass(); }
    void utemasen();
    // Locks the person's controls (pass, resign, cells); cunlock unlocks them.
    void lockBoard() override;
    void cunlock() override;
    void syuuryou() override { quitProgram(); }
    // Leaves for the menu (the mode-select command once it is agreed).
    void modesentaku() override;

    // ---- event handlers ----
    void Form_Load() override;
    void Form_QueryUnload(bool &cancel, int unloadMode) override;
    void Form_Unload() override;
    void Image1_Click(i16 Index);
    void Command1_Click();  // the pass command
    // New game, resign, quit, mode select: as the seat takes them.
    void Command2_Click() { m_seat->newGameAsked(); }
    void Command3_Click() { m_seat->resignAsked(); }
    void Command4_Click() { m_seat->quitAsked(); }
    void Command7_Click() { m_seat->menuAsked(); }

protected:
    struct Design {
        FormId id;
        QString caption;
        int clientHeight;  // twips
        int label2Top;     // twips
        QString command2Caption;
        double command2Points;
        bool command2Bold;
    };
    // The window takes seat (a plain Seat: a second person at this machine).
    MatchWindow(const Design &design, Seat *seat);

    // ---- what the seat may do ----
    void showStatus(const QString &text) override { Label2->setText(text); }
    void sayStatus(const QString &text) override;
    void playCell(int cell) override { Image1_Click(static_cast<i16>(cell)); }
    bool tell(const QString &text) override { return survivesNotice(text); }
    Answer question(const QString &text) override { return ask(text); }
    bool left() const override { return isUnloaded(); }
    void stopPlay() override;

    // What quitting and leaving release: the sound device, and the seat's.
    void releaseDevices() override;
    void writeTurnLabel();
    void setLabel(QLabel *label, const QColor &background, const QColor &text, const QString &caption);
    void setCellsEnabled(bool enabled);
    // The first activation greets with the status line.
    void changeEvent(QEvent *event) override;

private:
    friend class TestAccess;
    // The controls every match window has (matchlayout.cpp).
    void layOut(const Design &design);
    // Draws the cells of one direction that the move just played flipped.
    void scan(i16 row, i16 col, int rowStep, int colStep);
    // Pass, resign and the cells take the person's hand, or not.
    void setPlayable(bool playable);
    // Every cell as the board holds it, unmarked.
    void drawBoard();
    void drawCell(int index);
    // What the match says, drawn.
    void newGameDrawn();
    void movedDrawn(int cell, CellSet changed, int unmarked);
    void endDrawn(Disc winner, bool byResignation, int unmarked);

    Match *m_match;
    Seat *m_seat;
    CellSet m_changed;  // the cells the last move changed
    MatchAnnouncements *m_announcements = nullptr;
};
