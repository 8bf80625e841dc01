#pragma once
// What a match window tells a screen reader as play goes on: each move with
// the counts it leads to and whose turn follows, each pass, the end of a game
// with its result. The window calls one function per event; its Announcer
// speaks what one event caused as one short utterance, e.g.
// "F5 に黒、黒 4 白 1、白番".
#include <QObject>
#include <QStringList>
#include <functional>

class Announcer;
class MatchWindow;

class MatchAnnouncements : public QObject {
    Q_OBJECT
public:
    // Made with the window: also gives its buttons their spoken names.
    explicit MatchAnnouncements(MatchWindow *window);
    static MatchAnnouncements *of(MatchWindow *window);

    // The side that does not play at this keyboard (the computer, the peer):
    // its name and colour, so that its moves and passes say who made them.
    void setOpponent(const QString &name, std::function<qint16()> colour);

    // A legal move has been played on index and counted.
    void moved(int index);
    // The side to move passes (before the turn is handed over).
    void passed();
    // The game has ended, by the last move, two passes or a resignation.
    void ended();
    // A new game has been set up on a window already on screen: "新しい対局",
    // whose turn it is and the status line ("CPUを選んでください").
    void newGame();

    // ---- the texts ----
    static QString cellText(int index);  // "A1".."H8"
    static QString colourText(qint16 colour);
    // "F5 に黒"; with a name: "ＣＰＵは F5 に白".
    static QString moveText(const QString &name, int index, qint16 colour);
    // "黒はパス"; with a name: "あいてはパス".
    static QString passText(const QString &name, qint16 colour);
    static QString countsText(int black, int white);  // "黒 4 白 1"

protected:
    // The window's first activation: its status line, if it has one
    // ("CPUを選んでください"), once the screen reader has read the title.
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QString nameOf(qint16 colour) const;
    // After every event: the counts after a move, then whose turn it is
    // ("白番"); once over: "終局" or "投了", the counts, the result.
    QStringList summary();

    MatchWindow *m_window;
    Announcer *m_announcer;
    QString m_opponent;
    std::function<qint16()> m_opponentColour;
    bool m_moved = false;     // a move is among the parts: the counts follow
    bool m_newGame = false;   // a new game is among the parts: the status line follows
    bool m_greeting = false;  // the status line alone, on opening
    bool m_greeted = false;
};
