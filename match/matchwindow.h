#pragma once
// The base of the four match windows: the common layout and the view of one
// Match, drawing what its signals say; the procedures that change the game
// hand over to the match. The windows differ only through the virtual seams
// at the bottom.
#include <QLabel>
#include <QPushButton>

#include "match/boardfocus.h"
#include "match/cellimage.h"
#include "rules/match.h"
#include "windowbase/kwindow.h"
#include "windowbase/soundeffect.h"

class MatchAnnouncements;

class MatchWindow : public KWindow {
    Q_OBJECT
public:
    using i16 = qint16;

    // The match this window shows and plays.
    Match *match() const { return m_match; }
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
    MatchAnnouncements *announcements() const { return m_announcements; }

    // ---- procedures: each drives the match or draws what it holds ----
    virtual void syokika();
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
    void syuukyoku();
    void touryou();
    void pass();
    virtual void utemasen();
    // Locks the person's controls (pass, resign, cells); cunlock unlocks them.
    void lockBoard();
    void cunlock();
    void syuuryou();

    // ---- event handlers ----
    void Form_Load() override;
    void Form_QueryUnload(bool &cancel, int unloadMode) override;
    void Form_Unload() override;
    void Image1_Click(i16 Index);
    void Command1_Click();  // the pass command
    virtual void Command2_Click();
    virtual void Command3_Click();
    virtual void Command4_Click();
    virtual void Command7_Click();

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
    explicit MatchWindow(const Design &design);

    // ---- seams ----
    // After a legal move on played has been drawn and counted (default: the
    // turn label).
    virtual void afterMove(i16 played);
    // Start of a pass, before the end-of-game test (network: announce, lock).
    virtual void beforePass() {}
    // After a pass handed the turn over, before passFlag is set.
    virtual void afterPassHandOver() {}
    // Result caption; winner is 1 (black) or -1 (white).
    virtual QString resultText(i16 winner, bool byResignation) const;
    // Last step of both ends of a game.
    virtual void afterGameEnd() {}
    // What quitting and leaving release (default: the sound device).
    void releaseDevices() override;

    void writeTurnLabel();
    void setLabel(QLabel *label, const QColor &background, const QColor &text, const QString &caption);
    void setCellsEnabled(bool enabled);
    // The first activation greets with the status line.
    void changeEvent(QEvent *event) override;

private:
    friend class TestAccess;
    // Draws the cells of one direction that the move just played flipped.
    void scan(i16 row, i16 col, int rowStep, int colStep);
    // Every cell as the board holds it, unmarked.
    void drawBoard();
    void drawCell(int index);
    // Shows the result; returns its caption.
    QString showResult(i16 winner, bool byResignation);
    // What the match says, drawn.
    void newGameDrawn();
    void movedDrawn(int cell, CellSet changed, int unmarked, i16 colour);
    void passedDrawn(i16 colour);
    void turnDrawn();
    void endDrawn(i16 winner, bool byResignation, int unmarked);

    Match *m_match;
    CellSet m_changed;  // the cells the last move changed
    MatchAnnouncements *m_announcements = nullptr;
};
