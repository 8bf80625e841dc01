#pragma once
// The messages two network match windows exchange: decimal numbers for
// moves, passes, resignation and agreements, and chat lines that begin with
// a space. No terminator, no header: one send is one message. Text travels
// in code page 932.
#include <QByteArray>
#include <QList>
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

// Split what one read delivered into messages. TCP may join messages sent
// back to back: numbers with no space between them come back one by one,
// in order ("1966" is 19, then 66; "19-1" is 19, then -1), when the run can
// be cut into known numbers with at most one move among them, no more than
// maxRunMessages of them and no code more often than maxSameCode; a chat
// line right after them comes back after them (a line longer than
// maxChatBytes as Junk). Anything else is a single Junk message.
QList<Message> split(const QByteArray &bytes);

// Most numbers taken from one read: a run of them is at most this long.
constexpr int maxRunMessages = 16;
constexpr qsizetype maxRunBytes = 3 * maxRunMessages;  // "-66" is the longest
// More of one code in one read than a person can press is junk, not that
// many requests or answers.
constexpr int maxSameCode = 4;

// Longest chat line accepted from the wire, in bytes; longer reads are junk.
constexpr int maxChatBytes = 4096;
// A chat input of at most this many characters (with a six-character name)
// gives a line of about a kilobyte: well inside maxChatBytes and inside one
// TCP segment on an ordinary network, so it arrives in one read.
constexpr int maxChatTextChars = 500;

}  // namespace Protocol
