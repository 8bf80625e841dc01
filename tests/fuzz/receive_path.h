#pragma once
// One read from the peer through what a network match window does with it
// before it touches its board: splitting, classifying, decoding and the list
// line. Returns what went wrong, or an empty string. Shared by the fuzz
// target and the corpus replay test.
#include "net/protocol.h"

namespace ReceivePath {
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
            const bool code = m.kind != Kind::Junk && m.kind != Kind::Chat && qAbs(m.value) >= Resign;
            if (!code || classify(m.text).kind != m.kind)
                return QStringLiteral("a run of codes holds %1").arg(m.text);
            joined += encodeNumber(m.value);
        }
        return joined == read ? QString() : QStringLiteral("a run of codes is not the read");
    }
    qsizetype at = 0;  // where the current message starts in the read
    for (int i = 0; i < ms.size(); ++i) {
        const Message &m = ms[i];
        const QByteArray wire = encodeNumber(m.value);
        if (m.kind == Kind::Junk && (m.value != 0 || m.text.size() > maxChatBytes || (i == 1 && read.size() - at <= maxChatBytes)))
            return QStringLiteral("junk with a value, an unbounded text, or a short line after a number");
        if (m.kind != Kind::Junk && (classify(m.text).kind != m.kind || classify(m.text).value != m.value))
            return QStringLiteral("the text path disagrees on %1").arg(m.text);
        if (m.kind == Kind::Chat && (i != ms.size() - 1 || !m.text.startsWith(' ') || m.text != decode(read.mid(at))
                                     || listLine(m.text).startsWith(' ') || !m.text.endsWith(listLine(m.text))))
            return QStringLiteral("chat is not the rest of the read, or its list line is");
        if (m.kind == Kind::Chat || m.kind == Kind::Junk)
            continue;
        if (i != 0 || !read.startsWith(wire) || m.text != QString::fromLatin1(wire) || (read.size() > wire.size() && read[wire.size()] != ' '))
            return QStringLiteral("number %1 is not exactly what the read began with").arg(m.value);
        at = wire.size();
        if ((m.kind == Kind::Move && (m.value < 0 || m.value > 63)) || (m.kind == Kind::Pass && m.value != Pass)
            || (m.kind == Kind::Resign && m.value != Resign) || (m.kind == Kind::ForcedEnd && m.value != ForcedEnd)
            || (m.kind == Kind::ModeSelect) != (qAbs(m.value) == ModeSelect) || (m.kind == Kind::Rematch) != (qAbs(m.value) == Rematch)
            || (m.kind == Kind::Quit) != (qAbs(m.value) == Quit))
            return QStringLiteral("code %1 read as the wrong kind").arg(m.value);
    }
    return QString();
}
}  // namespace ReceivePath
