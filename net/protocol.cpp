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

int unit(QChar c) { return c.unicode(); }

// The whole of [p, p+n) as the peer writes a 16-bit number.
bool parseNumber(const QChar *p, qsizetype n, int &out)
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

Message numberMessage(const char *p, qsizetype n, int v)
{
    Message m;
    m.kind = kindOf(v);
    m.value = qint16(v);
    m.text = QString::fromLatin1(p, n);
    return m;
}

// The known message that is exactly the len (1 to 3) bytes at p ("7",
// "19", "-1", "-66"), or noPiece.
constexpr int noPiece = 1000;
int piece(const char *p, qsizetype len)
{
    const auto digit = [](char c) { return c >= '0' && c <= '9' ? c - '0' : noPiece; };
    if (len == 1)
        return digit(p[0]);
    if (p[0] == '-') {
        if (len == 2)
            return p[1] == '1' ? Pass : noPiece;
        return p[1] == '6' && p[2] >= '5' && p[2] <= '7' ? -(60 + digit(p[2])) : noPiece;
    }
    if (len == 3 || digit(p[0]) == noPiece || digit(p[1]) == noPiece || p[0] == '0')
        return noPiece;
    const int v = digit(p[0]) * 10 + digit(p[1]);
    return v <= ForcedEnd ? v : noPiece;
}

// Numbers sent back to back that TCP joined on the way ("1966": the last
// move, then a rematch request; "6619": an acceptance, then the first move
// of the new game). A side sends its next move only after reading the
// peer's, which the peer sends only after reading this side's, so one read
// holds at most one move; passes and codes are not limited by that.
//
// The run is cut from its end: each time the longest piece that leaves a
// front which can itself be cut. Codes are two digits or more and a new game
// opens on a two-digit cell, so what ends a real run is always whole; a
// single-digit cell can only stand first ("666" is the last move 6, then a
// rematch request, not 66 then a move 6 that no game opens with). reach[i][k]
// says whether the first i bytes can be cut with at most k moves, so the cut
// never runs into a dead end. No cut, more pieces than maxRunMessages or one
// code more often than maxSameCode: false.
bool cutRun(const char *p, qsizetype n, QList<Message> &out)
{
    if (n <= 0 || n > maxRunBytes || (p[0] != '-' && (p[0] < '0' || p[0] > '9')))
        return false;
    bool reach[maxRunBytes + 1][2] = {{true, true}};
    int value[maxRunBytes + 1][4];  // value[i][len]: the piece of len bytes ending before byte i
    for (qsizetype i = 1; i <= n; ++i) {
        for (qsizetype len = 1; len <= 3; ++len) {
            const int v = len <= i ? piece(p + i - len, len) : noPiece;
            value[i][len] = v;
            if (v == noPiece)
                continue;
            if (v >= 0 && v < Resign) {  // a move
                reach[i][1] = reach[i][1] || reach[i - len][0];
            } else {
                reach[i][0] = reach[i][0] || reach[i - len][0];
                reach[i][1] = reach[i][1] || reach[i - len][1];
            }
        }
    }
    if (!reach[n][1])
        return false;
    qsizetype ends[maxRunMessages];  // where each piece ends, last piece first
    int count = 0;
    int moves = 1;  // still allowed
    constexpr int codeCount = ForcedEnd - Resign + 1;
    int sameCode[2 * codeCount] = {};  // 64 to 68, then -64 to -68
    for (qsizetype e = n; e > 0;) {
        qsizetype len = 3;
        int v = noPiece;
        for (; len >= 1; --len) {
            v = value[e][len];
            const bool move = v >= 0 && v < Resign;
            if (v != noPiece && (move ? moves == 1 && reach[e - len][0] : reach[e - len][moves]))
                break;
        }
        if (len < 1 || count == maxRunMessages)
            return false;  // no piece cannot happen: reach[e][moves] promised one
        if (v >= 0 && v < Resign)
            moves = 0;
        else if (qAbs(v) >= Resign && ++sameCode[v > 0 ? v - Resign : codeCount - v - Resign] > maxSameCode)
            return false;
        ends[count++] = e;
        e -= len;
    }
    out.reserve(out.size() + count);
    for (qsizetype k = count - 1, start = 0; k >= 0; start = ends[k--])
        out.push_back(numberMessage(p + start, ends[k] - start, value[ends[k]][ends[k] - start]));
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
    // Numbers, possibly followed at once by a chat line. Whatever else comes
    // first makes the whole read junk: its end cannot be told.
    const qsizetype space = QByteArrayView(bytes).first(qMin(bytes.size(), maxRunBytes + 1)).indexOf(' ');
    const qsizetype runLength = space < 0 ? bytes.size() : space;
    int v = noPiece;
    if (runLength >= 1 && runLength <= 3 && (v = piece(bytes.constData(), runLength)) != noPiece) {
        // One number, as nearly always; it stands even when the line after it is overlong.
        const Message number = numberMessage(bytes.constData(), runLength, v);
        if (space < 0)
            return {number};
        return {number, chatOrJunk(bytes.mid(space))};
    }
    QList<Message> ms;
    if (!cutRun(bytes.constData(), runLength, ms))
        return {bytes.size() > maxChatBytes ? junkMessage(QStringLiteral("<%1 bytes>").arg(bytes.size()))
                                            : junkMessage(decode(bytes))};
    // So do a run's numbers.
    if (space >= 0)
        ms.push_back(chatOrJunk(bytes.mid(space)));
    return ms;
}

}  // namespace Protocol
