#pragma once
// One read from the peer through what a network match window does with it
// before it touches its board: splitting, classifying, decoding and the list
// line. Returns what went wrong, or an empty string. Shared by the fuzz
// target and the corpus replay test.
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
    if (ms.size() > 2 || (ms.size() == 2 && ms[1].kind != Kind::Chat && ms[1].kind != Kind::Junk)) {
        // Codes sent back to back: each one of 64 to 68, together the whole read.
        QByteArray joined;
        for (const Message &m : ms) {
            if (qAbs(m.value) < Resign || kindOf(m.value) != m.kind || classify(m.text).kind != m.kind)
                return QStringLiteral("a run of codes holds %1").arg(m.text);
            joined += encodeNumber(m.value);
        }
        return joined == read ? QString() : QStringLiteral("a run of codes is not the read");
    }
    const QByteArray wire = encodeNumber(ms[0].value);
    const qsizetype at = ms[0].kind == Kind::Junk || ms[0].kind == Kind::Chat ? 0 : wire.size();  // where a 2nd starts
    for (int i = 0; i < ms.size(); ++i) {
        const Message &m = ms[i];
        const bool shortAfterNumber = i == 1 && read.size() - at <= maxChatBytes;
        if (m.kind == Kind::Junk && (m.value != 0 || m.text.size() > maxChatBytes || shortAfterNumber))
            return QStringLiteral("junk with a value, an unbounded text, or a short line after a number");
        if (m.kind != Kind::Junk && (classify(m.text).kind != m.kind || classify(m.text).value != m.value))
            return QStringLiteral("the text path disagrees on %1").arg(m.text);
        const QString listed = listLine(m.text);
        if (m.kind == Kind::Chat && (i != ms.size() - 1 || !m.text.startsWith(' ') || m.text != decode(read.mid(at)) ||
                                     listed.startsWith(' ') || !m.text.endsWith(listed)))
            return QStringLiteral("chat is not the rest of the read, or its list line is");
        if (m.kind == Kind::Chat || m.kind == Kind::Junk)
            continue;
        if (i != 0 || !read.startsWith(wire) || m.text != QString::fromLatin1(wire) ||
            (read.size() > wire.size() && read[wire.size()] != ' '))
            return QStringLiteral("number %1 is not exactly what the read began with").arg(m.value);
        if (kindOf(m.value) != m.kind)
            return QStringLiteral("code %1 read as the wrong kind").arg(m.value);
    }
    return QString();
}
}  // namespace ReceivePath
