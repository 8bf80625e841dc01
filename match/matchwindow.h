#pragma once
// The base of the four match windows: the common layout, one game's state,
// and the procedures that play it. The windows differ only through the
// virtual seams at the bottom.
#include <QLabel>
#include <QPushButton>

#include "match/boardfocus.h"
#include "match/cellimage.h"
#include "match/matchstate.h"
#include "windowbase/kwindow.h"
#include "windowbase/soundeffect.h"

class MatchWindow : public KWindow {
    Q_OBJECT
public:
    using i16 = qint16;

    // ---- match state ----
    i16 Board[8][8] = {};
    i16 cellIndex[8][8] = {};
    i16 turnColor = 1;
    i16 flipFound = 0;
    i16 moveMade = 0;
    i16 moveCount = 0;
    i16 passFlag = 0;
    i16 probeOnly = 0;

    // The members above (but cellIndex, which never changes) as one value.
    // restore sets the members only: the pictures and labels stay as drawn.
    MatchState state() const;
    void restore(const MatchState &s);

    // The game has ended (syuukyoku or touryou) and no new one has begun.
    bool gameOver() const { return m_gameOver; }

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

    // ---- procedures ----
    virtual void syokika();
    void reverse(const i16 &row, const i16 &col);
    void red(const i16 &index);
    void hidari(const i16 &row, const i16 &col);
    void migi(const i16 &row, const i16 &col);
    void ue(const i16 &row, const i16 &col);
    void sita(const i16 &row, const i16 &col);
    void migiue(const i16 &row, const i16 &col);
    void migisita(const i16 &row, const i16 &col);
    void hidariue(const i16 &row, const i16 &col);
    void hidarisita(const i16 &row, const i16 &col);
    void komacount();
    void syuukyoku();
    void touryou();
    void pass();
    virtual void utemasen();
    void clock();
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

    // Disc counts as komacount finds them.
    struct Counts {
        int black = 0;
        int white = 0;
    };
    Counts countDiscs() const;

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
    // Counting mode: the scans only count what a move would flip.
    virtual bool countingMode() const { return false; }
    virtual void countFlip() {}
    // After a legal move has been played and counted (default: the turn label).
    // playedIndex holds the cell just played.
    virtual void afterMove();
    i16 playedIndex = -1;
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

    // Starting position, steps shared by every window's syokika.
    void setUpBoard();
    void writeTurnLabel();
    void setLabel(QLabel *label, const QColor &background, const QColor &text, const QString &caption);
    void drawPlainBoard();
    void setCellsEnabled(bool enabled);
    QString pictureFor(i16 value) const;

private:
    void scan(const i16 &row, const i16 &col, int rowStep, int colStep);
    void showResult(i16 winner, bool byResignation);
    void endGame();

    bool m_gameOver = false;
};
