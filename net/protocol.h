#pragma once
// The messages two network match windows exchange: decimal numbers for
// moves, passes, resignation and agreements, and chat lines that begin with
// a space. No terminator, no header: one send is one message. Text travels
// in code page 932.
#include <QByteArray>
#include <QList>
#include <QQueue>
#include <QString>

namespace Protocol {
constexpr qint16 Pass = -1;
constexpr qint16 Resign = 64;
constexpr qint16 ModeSelect = 65;
constexpr qint16 Rematch = 66;
constexpr qint16 Quit = 67;
constexpr qint16 ForcedEnd = 68;

enum class Kind { Chat, Resign, ModeSelect, Rematch, Quit, ForcedEnd, Move, Pass, Junk };

struct Message {
    Kind kind = Kind::Junk;
    qint16 value = 0;  // the number as received (moves, agreements with their sign)
    QString text;      // the text as received (chat line with its leading space)
};

// Wire bytes of a number ("19", "-66").
QByteArray encodeNumber(qint16 value);
// Wire bytes of a chat line: " " + name + ">" + text. Characters code page
// 932 cannot carry go out as '?', as the peer's own system would send them.
QByteArray encodeChat(const QString &playerName, const QString &text);
// CP932 bytes to text; bytes that are not valid CP932 become U+FFFD, one per
// byte that cannot start a character (or per unassigned two-byte code), so
// the text around them is never shifted.
QString decode(const QByteArray &bytes);
// What the chat list shows: the line without its leading spaces.
QString listLine(const QString &chatLine);

// Classify one complete message text.
Message classify(const QString &text);

// Split what one read delivered into messages. TCP may merge a number with
// a chat line sent right after it; both come back, in order (a line longer
// than maxChatBytes comes back as Junk after the number). Anything else that
// is not one known message comes back as a single Junk message.
QList<Message> split(const QByteArray &bytes);

// Longest chat line accepted from the wire, in bytes; longer reads are junk.
constexpr int maxChatBytes = 4096;
// A chat input of at most this many characters (with a six-character name)
// gives a line of about a kilobyte: well inside maxChatBytes and inside one
// TCP segment on an ordinary network, so it arrives in one read.
constexpr int maxChatTextChars = 500;

// ---- numbers ----

// Reads text as the peer writes a number: an optional "-", then digits with
// no leading zero ("0", "19", "-66"), within 16 bits. Anything else (spaces,
// "+5", "07", "-0") is not a number.
bool toNumber(const QString &text, qint16 &value);

// ---- agreements ----

// 65, 66, 67 and their negatives.
bool isAgreement(qint16 value);

enum class Reply { Request, Accepted, Refused };
// A received code of the 65/66/67 families. With this side's own flag for
// that kind set, it answers this side's request (positive: accepted,
// negative: refused); with the flag clear, whatever its sign, it is the
// peer's request and the user is asked.
Reply agreementReply(qint16 ownFlag, qint16 value);
bool isAnswer(qint16 ownFlag, qint16 value);
// What to send back to the peer's request: the code on Yes, its negative on No.
qint16 answerCode(qint16 code, bool yes);

// What a completed send sets off, tested in this order: this side has just
// accepted the peer's mode select (back to the menu) or rematch (new game),
// or accepted the peer's quit or forced the end ("68") (end the program).
enum class AfterSend { Nothing, ModeSelect, NewGame, Quit };
AfterSend afterSend(const QString &lastMessage, qint16 modeRequested, qint16 rematchRequested,
                    qint16 quitRequested);

// ---- receiving ----

// A printable, bounded excerpt of raw bytes for a report on standard error.
QString describe(const QByteArray &bytes);

// Holds the messages of a connection until the window can act on them: a
// modal box runs a nested event loop, so reads keep arriving while the
// window must not yet act. Junk is reported on standard error, once per
// read (the first few dozen of a connection), and dropped; the queue is
// bounded, so a flooding peer cannot make it grow without end.
class Receiver {
public:
    // Classifies one read and queues its messages. Returns how many were queued.
    int feed(const QByteArray &bytes);
    bool hasPending() const { return !m_queue.isEmpty(); }
    int pending() const { return int(m_queue.size()); }
    // The oldest queued message (Junk if none is queued).
    Message take();
    // Forget what is queued (the connection is closed or starts afresh).
    void clear() { m_queue.clear(); }

    int junkCount() const { return m_junk; }
    int droppedCount() const { return m_dropped; }

    static constexpr int maxPending = 256;
    static constexpr int maxReports = 20;

private:
    void report(const QString &what);

    QQueue<Message> m_queue;
    int m_junk = 0;
    int m_dropped = 0;
    int m_reports = 0;
};
}  // namespace Protocol
