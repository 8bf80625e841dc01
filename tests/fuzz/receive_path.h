#pragma once
// One read from the peer through what a network match window does with it
// before it touches its board: splitting, classifying, decoding and the list
// line. Returns what went wrong, or an empty string. Shared by the fuzz
// target and the corpus replay test.
#include <QHash>

#include "net/protocol.h"

namespace ReceivePath {
// The kind each number the peer may send stands for.
inline Protocol::Kind kindOf(qint16 v)
{
    using Protocol::Kind;
    static const Kind codes[] = {Kind::Resign, Kind::ModeSelect, Kind::Rematch, Kind::Quit, Kind::ForcedEnd};
    if (v >= 0 && v <= 68)
        return v < 64 ? Kind::Move : codes[v - 64];
    return v == -1 ? Kind::Pass : v >= -67 && v <= -65 ? codes[-v - 64] : Kind::Junk;
}

inline QString check(const QByteArray &read)
{
    using namespace Protocol;
    const QList<Message> ms = split(read);
    if (ms.isEmpty())
        return QStringLiteral("split gave no message");
    qsizetype at = 0;  // bytes the numbers so far stand for
    int numbers = 0, moves = 0;
    QHash<qint16, int> same;
    for (int i = 0; i < ms.size(); ++i) {
        const Message &m = ms[i];
        const bool last = i == ms.size() - 1;
        if (m.kind == Kind::Junk) {
            if (m.value != 0 || m.text.size() > maxChatBytes || !last)
                return QStringLiteral("junk with a value, an unbounded text, or before another message");
            if (i > 0 && (read.size() - at <= maxChatBytes || read[at] != ' '))
                return QStringLiteral("after numbers, junk that is not an overlong line");
            continue;
        }
        const QString listed = listLine(m.text);
        if (m.kind == Kind::Chat) {
            if (!last || !m.text.startsWith(' ') || m.text != decode(read.mid(at)) || listed.startsWith(' ') ||
                !m.text.endsWith(listed))
                return QStringLiteral("chat is not the rest of the read, or its list line is");
            continue;
        }
        // One number of a run: exactly the bytes it stands for, read as its kind.
        const QByteArray wire = encodeNumber(m.value);
        if (kindOf(m.value) != m.kind || m.text != QString::fromLatin1(wire) || read.mid(at, wire.size()) != wire)
            return QStringLiteral("number %1 is not what the read holds there").arg(m.text);
        if (classify(m.text).kind != m.kind || classify(m.text).value != m.value)
            return QStringLiteral("the text path disagrees on %1").arg(m.text);
        at += wire.size();
        moves += m.kind == Kind::Move ? 1 : 0;
        if (qAbs(m.value) >= Resign && ++same[m.value] > maxSameCode)
            return QStringLiteral("code %1 more often than anyone presses it").arg(m.value);
        if (++numbers > maxRunMessages || moves > 1)
            return QStringLiteral("more numbers or moves in one read than a peer sends");
        if (last && at != read.size())
            return QStringLiteral("numbers that are not the whole read");
    }
    return QString();
}
}  // namespace ReceivePath
