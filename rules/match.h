#pragma once
// One match as it goes on, with no widgets: the game (a Board), the mark on
// the last move and whether the game has ended, and the procedures that
// change them. Whoever shows or plays the match follows its signals, which
// carry what happened; nothing needs to read the match back to draw it.
#include <QObject>

#include "rules/board.h"

class Match : public QObject {
    Q_OBJECT
public:
    explicit Match(QObject *parent = nullptr) : QObject(parent) {}

    const Board &board() const { return m_board; }
    // The cell marked as the last move played, or -1 (a new game, the end).
    int mark() const { return m_mark; }
    // The game has ended (syuukyoku or touryou) and no new one has begun.
    bool over() const { return m_over; }

    // A new game from the starting position.
    void syokika();
    // Plays cell for the side to move. False when the move is refused (the
    // cell is taken or flips nothing): then nothing has changed. The sixtieth
    // move ends the game. An ended game is not refused here: the windows
    // lock their controls at the end.
    bool play(int cell);
    // The side to move passes; a pass right after a pass ends the game.
    void pass();
    // The end of play, scored by the discs.
    void syuukyoku();
    // The side to move resigns.
    void touryou();

signals:
    // colour played cell, changing the cells in changed (cell included); the
    // mark moved there from unmarked (-1: none, or cell itself).
    void moved(int cell, CellSet changed, int unmarked, Disc colour);
    // colour passes, before the turn is handed over or the game ends.
    void passed(Disc colour);
    // A pass handed the turn to next (a move says so through moved).
    void turnChanged(Disc next);
    // The game has ended: winner Empty when drawn; the mark was taken off
    // unmarked (-1: none; a resignation keeps it).
    void ended(Disc winner, bool byResignation, int unmarked);
    void newGame();

private:
    friend class TestAccess;
    Board m_board;
    int m_mark = -1;
    bool m_over = false;
};
