#pragma once
// One read from the peer taken through everything a network match window
// does with it before it touches its board or its boxes: splitting,
// classifying, decoding, queueing, the chat list line, the cell of a move,
// the request-or-answer rule and the send-complete rule. Returns what went
// wrong, or an empty string. Shared by the fuzz target and the test that
// replays its corpus.
#include <QByteArray>
#include <QString>

#include "net/protocol.h"

namespace ReceivePath {
inline QString check(const QByteArray &read)
{
    using namespace Protocol;
    const QList<Message> messages = split(read);
    if (messages.isEmpty() || messages.size() > 2)
        return QStringLiteral("split gave %1 messages").arg(messages.size());
    if (read.size() > maxChatBytes + 3 && messages.last().kind != Kind::Junk)
        return QStringLiteral("an overlong read was taken");  // "-66" + space + the longest line

    int expectQueued = 0;
    int junk = 0;
    qsizetype consumed = 0;  // bytes of the read accounted for by earlier messages
    for (int i = 0; i < messages.size(); ++i) {
        const Message &m = messages[i];
        if (m.kind == Kind::Junk) {
            ++junk;
            // Only an overlong line may follow a number as junk.
            if (i == 1 && read.size() - consumed <= maxChatBytes)
                return QStringLiteral("junk after a number");
            if (m.value != 0 || m.text.size() > maxChatBytes)
                return QStringLiteral("junk carries a value or an unbounded text");
            continue;
        }
        ++expectQueued;
        if (m.kind == Kind::Chat) {
            if (!m.text.startsWith(QLatin1Char(' ')))
                return QStringLiteral("chat without its leading space");
            const QByteArray rest = read.mid(consumed);
            if (m.text != decode(rest) || m.text.size() > rest.size())
                return QStringLiteral("chat text is not the rest of the read");
            const QString listed = listLine(m.text);
            if (listed.startsWith(QLatin1Char(' ')) || !m.text.endsWith(listed))
                return QStringLiteral("list line keeps a leading space or loses text");
            if (i != messages.size() - 1)
                return QStringLiteral("something followed a chat line");
            if (classify(m.text).kind != Kind::Chat)
                return QStringLiteral("text path disagrees on chat");
            continue;
        }
        // A number: exactly the bytes a peer writes for it, first in the read.
        if (i != 0)
            return QStringLiteral("a number after the first message");
        const QByteArray wire = encodeNumber(m.value);
        if (!read.startsWith(wire) || m.text != QString::fromLatin1(wire))
            return QStringLiteral("number %1 is not what the read began with").arg(m.value);
        if (read.size() > wire.size() && read.at(wire.size()) != ' ')
            return QStringLiteral("a number ran into other bytes");
        consumed = wire.size();
        const Message again = classify(m.text);
        if (again.kind != m.kind || again.value != m.value)
            return QStringLiteral("text path disagrees on %1").arg(m.text);

        // What the window then does with it.
        switch (m.kind) {
        case Kind::Move: {
            if (m.value < 0 || m.value > 63)
                return QStringLiteral("move off the board: %1").arg(m.value);
            static qint16 board[8][8];
            board[m.value / 8][m.value % 8] ^= 1;
            break;
        }
        case Kind::Pass:
            if (m.value != Pass)
                return QStringLiteral("pass with value %1").arg(m.value);
            break;
        case Kind::Resign:
        case Kind::ForcedEnd:
            if (m.value != Resign && m.value != ForcedEnd)
                return QStringLiteral("end code %1").arg(m.value);
            break;
        case Kind::ModeSelect:
        case Kind::Rematch:
        case Kind::Quit: {
            if (!isAgreement(m.value))
                return QStringLiteral("agreement code %1").arg(m.value);
            if (agreementReply(0, m.value) != Reply::Request || isAnswer(0, m.value))
                return QStringLiteral("a code with the flag clear was no request");
            const Reply answer = agreementReply(1, m.value);
            if ((answer == Reply::Accepted) != (m.value > 0))
                return QStringLiteral("answer %1 read the wrong way").arg(m.value);
            // The receiver stores the code, answers, and later a send completes.
            const QString lastMessage = m.text;
            for (int flags = 0; flags < 8; ++flags) {
                const AfterSend act = afterSend(lastMessage, qint16(flags & 1), qint16((flags >> 1) & 1),
                                                qint16((flags >> 2) & 1));
                if (m.value < 0 && act != AfterSend::Nothing)
                    return QStringLiteral("a refusal set something off");
            }
            const qint16 reply = answerCode(m.value, m.value > 0);
            if (reply != m.value)
                return QStringLiteral("answer code %1 for %2").arg(reply).arg(m.value);
            break;
        }
        default:
            return QStringLiteral("unknown kind");
        }
    }

    // The window's queue sees the same messages, in order, and no junk.
    Receiver rx;
    if (rx.feed(read) != expectQueued || rx.pending() != expectQueued)
        return QStringLiteral("the receiver queued a different number of messages");
    for (int i = 0; i < expectQueued; ++i) {
        const Message m = rx.take();
        if (m.kind != messages[i].kind || m.text != messages[i].text)
            return QStringLiteral("the receiver changed a message");
    }
    if (rx.hasPending() || rx.junkCount() != junk)
        return QStringLiteral("the receiver kept or lost something");
    (void)describe(read);
    return QString();
}
}  // namespace ReceivePath
