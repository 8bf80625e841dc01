#include "net/protocol.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace Protocol {
namespace {
const char *const codePage = "windows-31j";

// Parses a whole text as a decimal 16-bit integer: optional '-', digits only.
bool parseNumber(const QString &text, int &out)
{
    if (text.isEmpty() || text.size() > 6)
        return false;
    int i = text.startsWith(QLatin1Char('-')) ? 1 : 0;
    if (i == text.size())
        return false;
    int v = 0;
    for (; i < text.size(); ++i) {
        const QChar ch = text.at(i);
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9'))
            return false;
        v = v * 10 + (ch.unicode() - '0');
    }
    out = text.startsWith(QLatin1Char('-')) ? -v : v;
    return out >= -32768 && out <= 32767;
}
}  // namespace

QByteArray encodeNumber(qint16 value) { return QByteArray::number(value); }

QByteArray encodeChat(const QString &playerName, const QString &text)
{
    QStringEncoder enc(codePage);
    return enc(QLatin1Char(' ') + playerName + QLatin1Char('>') + text);
}

QString decode(const QByteArray &bytes)
{
    QStringDecoder dec(codePage);
    QString out = dec(bytes);
    // The converter marks undecodable bytes with SUB; a truncated lead byte at
    // the end is still held by the decoder.
    out.replace(QChar(0x1A), QChar::ReplacementCharacter);
    if (dec.hasError() && !out.endsWith(QChar::ReplacementCharacter))
        out.append(QChar::ReplacementCharacter);
    return out;
}

QString listLine(const QString &chatLine)
{
    int i = 0;
    while (i < chatLine.size() && chatLine.at(i) == QLatin1Char(' '))
        ++i;
    return chatLine.mid(i);
}

Message classify(const QString &text)
{
    Message m;
    m.text = text;
    if (text.startsWith(QLatin1Char(' '))) {
        m.kind = Kind::Chat;
        return m;
    }
    int v = 0;
    if (!parseNumber(text, v))
        return m;
    m.value = static_cast<qint16>(v);
    if (v == Resign)
        m.kind = Kind::Resign;
    else if (v == ModeSelect || v == -ModeSelect)
        m.kind = Kind::ModeSelect;
    else if (v == Rematch || v == -Rematch)
        m.kind = Kind::Rematch;
    else if (v == Quit || v == -Quit)
        m.kind = Kind::Quit;
    else if (v == ForcedEnd)
        m.kind = Kind::ForcedEnd;
    else if (v >= 0 && v <= 63)
        m.kind = Kind::Move;
    else if (v == Pass)
        m.kind = Kind::Pass;
    return m;
}

QList<Message> split(const QByteArray &bytes)
{
    if (bytes.size() > maxChatBytes) {
        Message junk;
        junk.text = QStringLiteral("<%1 bytes>").arg(bytes.size());
        return {junk};
    }
    if (!bytes.startsWith(' ')) {
        // A number, possibly followed at once by a chat line.
        const int space = bytes.indexOf(' ');
        if (space > 0) {
            const Message first = classify(QString::fromLatin1(bytes.left(space)));
            if (first.kind != Kind::Junk && first.kind != Kind::Chat)
                return {first, classify(decode(bytes.mid(space)))};
        }
    }
    return {classify(decode(bytes))};
}
}  // namespace Protocol
