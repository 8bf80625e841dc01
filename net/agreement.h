#pragma once
// The rules of the three agreements of a network match (mode select,
// rematch, quit), kept apart from windows and sockets so that every order
// of requests, answers and deliveries can be tried on them.
//
// On the wire a request and an acceptance are the same number ("66"); only
// this side's own count of unanswered requests tells them apart. Two
// requests of one kind that cross count as each other's acceptance.
#include <QString>
#include <QtGlobal>
#include <deque>

class Agreement {
public:
    // What this side does once its answer has left, or once the peer has
    // accepted its request. Decided when the answer is given, never later.
    enum class FollowUp { Nothing, NewGame, Menu, EndProgram };
    // What a received agreement number means here.
    enum class Meaning { Question, Accepted, Refused, Ignored };

    // This side's user asks; the code goes out next.
    void request(qint16 code);
    // A received 65, 66 or 67, either sign.
    Meaning receive(qint16 value);
    // The user's answer to the peer's question about code: the number to
    // send. followUp is what to do once it has left.
    qint16 answer(qint16 code, bool yes, FollowUp &followUp);
    // What an accepted request of this side leads to.
    static FollowUp onAccepted(qint16 code);

    // Every send of the window, in order, with what to do once it has left
    // (Nothing for moves, chat and requests); completed() takes the oldest.
    void sent(FollowUp followUp) { m_followUps.push_back(followUp); }
    FollowUp completed();
    // The menu or the end this side has agreed to and not yet reached.
    FollowUp pendingLeave() const;
    const std::deque<FollowUp> &followUps() const { return m_followUps; }

    // Requests of this kind sent and not yet answered.
    int outstanding(qint16 code) const;
    bool requested(qint16 code) const { return outstanding(code) > 0; }
    // Some answer is still due.
    bool awaitingAnswers() const;
    // No answer is due and no agreed new game is waiting for its answer to
    // leave: a move now cannot be wiped out by a later new game on one side
    // only.
    bool mayPlay() const;

    // This side has agreed to leave (menu or end of the program): what the
    // peer sends from now on changes nothing.
    bool leaving() const { return m_leaving; }
    void leave() { m_leaving = true; }

    static bool isLeaving(FollowUp f) { return f == FollowUp::Menu || f == FollowUp::EndProgram; }
    static QString questionText(qint16 code);
    static QString acceptedText(qint16 code);
    static QString refusedText(qint16 code);

private:
    static int slot(qint16 code);
    int m_outstanding[3] = {0, 0, 0};  // mode select, rematch, quit
    bool m_leaving = false;
    std::deque<FollowUp> m_followUps;
};
