#pragma once
// What a match window tells a screen reader as play goes on: each move with
// the counts it leads to and whose turn follows, each pass, the end of a game
// with its result, the status line, the chat. The window owns one; it follows
// the match's signals, and the window and its seat tell it the rest with
// the facts as arguments. Its Announcer speaks what one event caused as one
// short utterance, e.g. "F5 に黒、黒 4 白 1、白番".
#include <QObject>
#include <QStringList>
#include <functional>

#include "rules/board.h"

class Announcer;
class Match;

class MatchAnnouncements : public QObject {
    Q_OBJECT
public:
    // Speaks through the window's Announcer; also gives the window's
    // buttons their spoken names.
    explicit MatchAnnouncements(QWidget *window);

    // The side that does not play at this keyboard (the computer, the peer):
    // its name and colour, so that its moves and passes say who made them.
    void setOpponent(const QString &name, std::function<Disc()> colour);

    // Says each move, pass, end and new game of match as it happens;
    // result gives the spoken result of a game won by winner (0: drawn).
    void follow(const Match *match, std::function<QString(Disc winner, bool byResignation)> result);
    // The next new game is no news (a board laid out again while waiting).
    void skipNewGame() { m_skipNewGame = true; }

    // colour has played on index, leaving counts n; next is to move.
    void moved(int index, Disc colour, Board::Counts n, Disc next);
    // colour passes; the other side is to move, unless the game ends.
    void passed(Disc colour);
    // The game has ended: how ("終局", "投了"), the counts, the result.
    void ended(const QString &how, Board::Counts n, const QString &result);
    // A new game with next to move, on a window already greeted; the status
    // line follows it.
    void newGame(Disc next);
    // The status line says text ("手番を選んでください"): said after the
    // event's other parts, in place of a status said earlier in the same
    // utterance. Before the greeting the greeting says it.
    void status(const QString &text);
    // The window's first activation, with its status line, if any, once the
    // screen reader has read the title.
    void greet(const QString &status);
    // A chat line of the peer, as listed; it may wait and be joined with
    // others, and a flood is cut short.
    void chat(const QString &line);
    // This side's chat line has been sent.
    void chatSent();

    // ---- the texts ----
    static QString colourText(Disc colour);
    // "F5 に黒"; with a name: "ＣＰＵは F5 に白".
    static QString moveText(const QString &name, int index, Disc colour);
    // "黒はパス"; with a name: "あいてはパス".
    static QString passText(const QString &name, Disc colour);
    static QString countsText(int black, int white);  // "黒 4 白 1"
    static QString turnText(Disc colour);             // "白番"

private:
    QString nameOf(Disc colour) const;

    Announcer *m_announcer;
    QString m_opponent;
    std::function<Disc()> m_opponentColour;
    // What the state after the running event says, after its other parts:
    // the counts, whose turn, the result; then the status line.
    QStringList m_after;
    QString m_status;
    bool m_greeted = false;
    bool m_skipNewGame = false;
};
