#include "net/protocol.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QtGlobal>
#include <array>

namespace Protocol {
namespace {
const char *const codePage = "windows-31j";
constexpr char16_t replacement = 0xFFFD;

// ---- code page 932 ----
// Framing is done here, byte by byte, so that a bad byte never swallows or
// shifts the text after it; the converter only supplies the two-byte table.
// ASCII is mapped as itself: the converter turns 0x1A, 0x1C and 0x7F into
// each other, which no Windows peer does.

bool isLead(uchar b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }
bool isTrail(uchar b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; }
bool isKana(uchar b) { return b >= 0xA1 && b <= 0xDF; }

constexpr int leadCount = 31 + 29;           // 0x81-0x9F, 0xE0-0xFC
constexpr int trailCount = 0xFC - 0x40 + 1;  // 0x40-0xFC, 0x7F unused
int pairIndex(uchar lead, uchar trail)
{
    const int l = lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 31;
    return l * trailCount + (trail - 0x40);
}

using PairTable = std::array<char16_t, leadCount * trailCount>;

// Characters where the JIS table and the Windows code page part ways. Input
// methods on Linux type the JIS ones (U+301C for a wave dash); a Windows peer
// sends and reads these codes as the Windows ones. Both directions use this
// one table, so what goes out and what is shown always agree.
struct Lookalike {
    char16_t jis;
    char16_t windows;
    uchar lead, trail;
};
constexpr Lookalike lookalikes[] = {
    {0x301C, 0xFF5E, 0x81, 0x60},  // wave dash, fullwidth tilde
    {0x2016, 0x2225, 0x81, 0x61},  // double vertical line, parallel to
    {0x2014, 0x2015, 0x81, 0x5C},  // em dash, horizontal bar
    {0x2212, 0xFF0D, 0x81, 0x7C},  // minus sign, fullwidth hyphen-minus
    {0x00A2, 0xFFE0, 0x81, 0x91},  // cent sign
    {0x00A3, 0xFFE1, 0x81, 0x92},  // pound sign
    {0x00AC, 0xFFE2, 0x81, 0xCA},  // not sign
};

const Lookalike *lookalike(char16_t c)
{
    for (const Lookalike &l : lookalikes)
        if (l.jis == c || l.windows == c)
            return &l;
    return nullptr;
}

PairTable buildPairTable()
{
    PairTable table;
    table.fill(replacement);
    QStringDecoder dec(codePage, QStringConverter::Flag::Stateless);
    if (!dec.isValid())
        return table;  // no converter: every two-byte character shows as U+FFFD
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (!isLead(uchar(lead)))
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (!isTrail(uchar(trail)))
                continue;
            const char pair[2] = {char(lead), char(trail)};
            dec.resetState();
            const QString s = dec(QByteArrayView(pair, 2));
            // Unassigned codes come back as U+FFFD or as the converter's SUB.
            if (s.size() == 1 && s.at(0) != QChar(0x1A))
                table[pairIndex(uchar(lead), uchar(trail))] = s.at(0).unicode();
        }
    }
    for (const Lookalike &l : lookalikes)
        table[pairIndex(l.lead, l.trail)] = l.windows;
    return table;
}

const PairTable &pairTable()
{
    static const PairTable table = buildPairTable();
    return table;
}

// Encodes one run of non-ASCII text. A character the code page lacks becomes
// '?', as the peer's system writes it, not the converter's own filler bytes.
void encodeRun(QStringView run, QByteArray &out)
{
    bool plain = true;
    for (QChar c : run)
        plain = plain && !lookalike(c.unicode());
    if (plain) {
        QStringEncoder enc(codePage, QStringConverter::Flag::Stateless);
        const QByteArray bytes = enc(run);
        if (enc.isValid() && !enc.hasError()) {
            out += bytes;
            return;
        }
    }
    for (qsizetype i = 0; i < run.size();) {
        if (const Lookalike *l = lookalike(run.at(i).unicode())) {
            out += char(l->lead);
            out += char(l->trail);
            ++i;
            continue;
        }
        qsizetype len = 1;
        if (run.at(i).isHighSurrogate() && i + 1 < run.size() && run.at(i + 1).isLowSurrogate())
            len = 2;
        QStringEncoder enc(codePage, QStringConverter::Flag::Stateless);
        const QByteArray bytes = enc(run.mid(i, len));
        if (enc.isValid() && !enc.hasError() && !bytes.isEmpty())
            out += bytes;
        else
            out += '?';
        i += len;
    }
}

QByteArray encodeText(QStringView text)
{
    QByteArray out;
    out.reserve(text.size() * 2);
    for (qsizetype i = 0; i < text.size();) {
        if (text.at(i).unicode() < 0x80) {
            out += char(text.at(i).unicode());
            ++i;
            continue;
        }
        qsizetype j = i + 1;
        while (j < text.size() && text.at(j).unicode() >= 0x80)
            ++j;
        encodeRun(text.mid(i, j - i), out);
        i = j;
    }
    return out;
}

// ---- numbers ----

int unit(char c) { return uchar(c); }
int unit(QChar c) { return c.unicode(); }

// The whole of [p, p+n) as the peer writes a 16-bit number. Works on bytes
// and on QChars alike.
template <class Ch>
bool parseNumber(const Ch *p, qsizetype n, int &out)
{
    if (n <= 0 || n > 6)  // "-32768" is the longest
        return false;
    const bool negative = unit(p[0]) == '-';
    qsizetype i = negative ? 1 : 0;
    if (i == n)
        return false;
    if (unit(p[i]) == '0' && (negative || n - i > 1))  // "-0", "07"
        return false;
    int v = 0;
    for (; i < n; ++i) {
        const int c = unit(p[i]);
        if (c < '0' || c > '9')
            return false;
        v = v * 10 + (c - '0');
    }
    out = negative ? -v : v;
    return out >= -32768 && out <= 32767;
}

Kind kindOf(int v)
{
    switch (v) {
    case Resign:
        return Kind::Resign;
    case ModeSelect:
    case -ModeSelect:
        return Kind::ModeSelect;
    case Rematch:
    case -Rematch:
        return Kind::Rematch;
    case Quit:
    case -Quit:
        return Kind::Quit;
    case ForcedEnd:
        return Kind::ForcedEnd;
    case Pass:
        return Kind::Pass;
    default:
        // Anything outside the board is no move: a peer built to the same
        // protocol never sends it, and it must not reach the board.
        return (v >= 0 && v <= 63) ? Kind::Move : Kind::Junk;
    }
}

Message chatMessage(QString text)
{
    Message m;
    m.kind = Kind::Chat;
    m.text = std::move(text);
    return m;
}

Message junkMessage(QString text)
{
    Message m;
    m.text = std::move(text);
    return m;
}

// Codes 64 to 68 (either sign where one exists) sent back to back, as a
// request pressed twice gives, can arrive in one read. Read as one number
// they are out of range, so taking them apart loses nothing; moves and
// passes are never taken apart: "1966" has no single reading.
bool splitCodes(const QByteArray &bytes, QList<Message> &out)
{
    QList<Message> codes;
    for (qsizetype i = 0; i < bytes.size();) {
        const qsizetype j = bytes.at(i) == '-' ? i + 1 : i;
        if (j + 2 > bytes.size() || bytes.at(j) != '6' || bytes.at(j + 1) < '4' || bytes.at(j + 1) > '8')
            return false;
        const int v = (bytes.at(j + 1) - '0' + 60) * (j > i ? -1 : 1);
        Message m;
        m.kind = kindOf(v);
        if (m.kind == Kind::Junk)
            return false;
        m.value = qint16(v);
        m.text = QString::fromLatin1(bytes.constData() + i, j + 2 - i);
        codes.push_back(m);
        i = j + 2;
    }
    if (codes.size() < 2)
        return false;
    out = codes;
    return true;
}

// A chat line, or junk when it is longer than any line a peer sends.
Message chatOrJunk(const QByteArray &line)
{
    if (line.size() > maxChatBytes)
        return junkMessage(QStringLiteral("<%1 bytes>").arg(line.size()));
    return chatMessage(decode(line));
}
}  // namespace

QByteArray encodeNumber(qint16 value) { return QByteArray::number(value); }

QByteArray encodeChat(const QString &playerName, const QString &text)
{
    return encodeText(QString(QLatin1Char(' ') + playerName + QLatin1Char('>') + text));
}

QString decode(const QByteArray &bytes)
{
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
    const qsizetype n = bytes.size();
    QString out(n, Qt::Uninitialized);
    char16_t *o = reinterpret_cast<char16_t *>(out.data());
    qsizetype k = 0;
    for (qsizetype i = 0; i < n;) {
        const uchar b = p[i];
        if (b < 0x80) {
            o[k++] = b;
            ++i;
        } else if (isKana(b)) {
            o[k++] = char16_t(0xFF61 + (b - 0xA1));
            ++i;
        } else if (isLead(b) && i + 1 < n && isTrail(p[i + 1])) {
            o[k++] = pairTable()[pairIndex(b, p[i + 1])];
            i += 2;
        } else {
            // 0x80, 0xA0, 0xFD-0xFF, a lead byte without its trail byte (the
            // byte after it is read afresh), or a lead byte at the very end.
            o[k++] = replacement;
            ++i;
        }
    }
    out.truncate(k);
    return out;
}

QString listLine(const QString &chatLine)
{
    qsizetype i = 0;
    while (i < chatLine.size() && chatLine.at(i) == QLatin1Char(' '))
        ++i;
    return chatLine.mid(i);
}

Message classify(const QString &text)
{
    if (text.size() > maxChatBytes)
        return junkMessage(text.left(64));
    if (text.startsWith(QLatin1Char(' ')))
        return chatMessage(text);
    Message m;
    m.text = text;
    int v = 0;
    if (parseNumber(text.constData(), text.size(), v)) {
        m.kind = kindOf(v);
        if (m.kind != Kind::Junk)
            m.value = qint16(v);
    }
    return m;
}

QList<Message> split(const QByteArray &bytes)
{
    if (bytes.startsWith(' '))
        return {chatOrJunk(bytes)};
    // A number, possibly followed at once by a chat line. Whatever else comes
    // first makes the whole read junk: its end cannot be told.
    constexpr qsizetype longestNumber = 6;  // "-32768"
    const qsizetype space = QByteArrayView(bytes).first(qMin(bytes.size(), longestNumber + 1)).indexOf(' ');
    const qsizetype numberLength = space < 0 ? bytes.size() : space;
    int v = 0;
    if (parseNumber(bytes.constData(), numberLength, v)) {
        const Kind kind = kindOf(v);
        if (kind != Kind::Junk) {
            Message number;
            number.kind = kind;
            number.value = qint16(v);
            number.text = QString::fromLatin1(bytes.constData(), numberLength);
            if (space < 0)
                return {number};
            // The number stands even when the line after it is overlong.
            return {number, chatOrJunk(bytes.mid(space))};
        }
    }
    QList<Message> codes;
    if (bytes.size() <= 3 * 16 && splitCodes(bytes, codes))
        return codes;
    if (bytes.size() > maxChatBytes)
        return {junkMessage(QStringLiteral("<%1 bytes>").arg(bytes.size()))};
    return {junkMessage(decode(bytes))};
}

}  // namespace Protocol
