#pragma once
// Who sits opposite the person at the keyboard. The window shows the match
// and takes the person's clicks; the seat plays the other side, following
// the match's signals, and acts on the window only through SeatView. The
// plain Seat is a second person at the same machine: the moves come through
// the window's own clicks, so it only answers the buttons as they read.
#include <QObject>
#include <QString>

#include "rules/board.h"
#include "windowbase/kwindow.h"

class Match;
class MatchAnnouncements;

// What a seat may do to the window it sits at.
class SeatView {
public:
    // The person's pass, resign and cells: locked, or unlocked.
    virtual void lockBoard() = 0;
    virtual void cunlock() = 0;
    // The status line, shown only.
    virtual void showStatus(const QString &text) = 0;
    // The status line, shown and said.
    virtual void sayStatus(const QString &text) = 0;
    // A cell played exactly as a click plays it (refused: told).
    virtual void playCell(int cell) = 0;
    // Boxes; false or Gone: the window went while it was open.
    virtual bool tell(const QString &text) = 0;
    virtual KWindow::Answer question(const QString &text) = 0;
    // The window is on its way out: nothing more is done to it.
    virtual bool left() const = 0;
    virtual MatchAnnouncements *announcements() const = 0;
    // Play stops as after a game, with no result shown.
    virtual void stopPlay() = 0;
    // Back to the menu; the program's end.
    virtual void modesentaku() = 0;
    virtual void syuuryou() = 0;

protected:
    ~SeatView() = default;
};

class Seat : public QObject {
    Q_OBJECT
public:
    Seat() = default;

    // Takes its place: plays match at view (from now on it follows the
    // match's signals). The window calls it once, after connecting its own
    // drawing and before its announcements, so that what a seat does to an
    // event comes after the drawing and before what is said.
    void sit(SeatView *view, Match *match);

    // The result caption (winner Empty: drawn).
    virtual QString resultText(Disc winner, bool byResignation) const;
    // A refused cell goes by without a word (a click on the computer's turn).
    virtual bool refusesSilently() const { return false; }

    // The window's buttons: a new game (or a rematch asked for), resigning,
    // quitting, the mode menu.
    virtual void newGameAsked();
    virtual void resignAsked();
    virtual void quitAsked();
    virtual void menuAsked();

    // The window unloads: nothing waiting may run; release: what quitting
    // and leaving let go of.
    virtual void leave() {}
    virtual void release() {}

protected:
    // Connects to the match; view() and match() are set.
    virtual void seated() {}
    SeatView *view() const { return m_view; }
    Match *match() const { return m_match; }

private:
    SeatView *m_view = nullptr;
    Match *m_match = nullptr;
};
