// The message functions on their own. The fuzz target's seeds are replayed
// through its receive path, so the sanitizer build covers them as well.
#include <QtTest>

#include "net/protocol.h"
#include "tests/fuzz/receive_path.h"

using namespace Protocol;

namespace {
// Each message as its kind and text.
QStringList said(const QList<Message> &ms)
{
    QStringList out;
    for (const Message &m : ms)
        out << QString::number(int(m.kind)) + ' ' + m.text;
    return out;
}
QStringList saidNumbers(const QList<qint16> &numbers)
{
    QList<Message> ms;
    for (const qint16 v : numbers)
        ms.push_back({ReceivePath::kindOf(v), v, QString::number(v)});
    return said(ms);
}
}  // namespace

class TestProtocol : public QObject {
    Q_OBJECT
private slots:
    void reads_data()
    {
        QTest::addColumn<QByteArray>("read");
        const QDir dir(QStringLiteral(KOBANTO_SOURCE_DIR "/tests/fuzz/corpus"));
        QVERIFY2(dir.entryList(QDir::Files).size() >= 40, "the seed corpus is missing");
        for (const QString &f : dir.entryList(QDir::Files)) {
            QFile file(dir.filePath(f));
            file.open(QIODevice::ReadOnly);
            QTest::newRow(qPrintable(f)) << file.readAll();
        }
    }
    // Each seed through the receive path, read as what its name says: junk
    // (runs that cannot be cut, or hold more than anyone sends, among them),
    // chat, two merged messages, a run of as many as its name counts ("run16"),
    // or one message.
    void reads()
    {
        QFETCH(QByteArray, read);
        const QString name = QTest::currentDataTag();
        QCOMPARE(ReceivePath::check(read), QString());
        const QList<Message> ms = split(read);
        const int run = name.section('-', 0, 0).mid(3).toInt();
        QCOMPARE(ms.size(), name.startsWith("run") ? run : name.startsWith("merged") ? 2 : 1);
        const bool junk = name.startsWith("junk") || name.startsWith("burst") || name.startsWith("invalid");
        QCOMPARE(ms[0].kind == Kind::Junk, junk);
        QCOMPARE(ms[0].kind == Kind::Chat, name.startsWith("chat"));
    }
    // Every two numbers one side can send back to back, joined in one read:
    // any number, then a request, an answer, the forced end or a pass; a
    // code, then the two-digit cell a new game opens on; any number, then a
    // chat line. Each comes back as the two messages.
    void backToBack()
    {
        const QList<qint16> codes{-67, -66, -65, Resign, ModeSelect, Rematch, Quit, ForcedEnd};
        QList<qint16> numbers = codes;
        for (qint16 v = Pass; v < Resign; ++v)
            numbers << v;
        const QByteArray chat = encodeChat("A", "x");
        for (const qint16 a : numbers) {
            QList<qint16> next = codes;
            next << Pass;
            for (qint16 cell = 10; qAbs(a) >= Resign && cell < Resign; ++cell)
                next << cell;
            for (const qint16 b : next) {
                const QByteArray read = encodeNumber(a) + encodeNumber(b);
                QCOMPARE(said(split(read)), saidNumbers({a, b}));
                QCOMPARE(ReceivePath::check(read), QString());
            }
            QCOMPARE(said(split(encodeNumber(a) + chat)), saidNumbers({a})
                                                              << QString::number(int(Kind::Chat)) + "  A>x");
        }
    }

    void chatLines_data()
    {
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QString>("listed");
        const QString r(QChar::ReplacementCharacter);
        QTest::newRow("kanji, kana") << QByteArray(" \x91\xbe\x98Y>\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd")
                                     << "太郎>こんにちは";
        QTest::newRow("half-width, Windows marks, NEC")
            << QByteArray(" \xb1>\x81\x60\x81\x7c\x87\x40\xfb\xfc") << "ｱ>～－①髙";
        QTest::newRow("where JIS and Windows differ")
            << QByteArray(" A>\x81\x60\x81\x7C\x81\x61\x81\x91\x81\x92\x81\xCA\x81\x5C")
            << QString::fromUtf16(u"A>\uFF5E\uFF0D\u2225\uFFE0\uFFE1\uFFE2\u2015");
        QTest::newRow("name with spaces") << QByteArray("   A>  x") << "A>  x";
        QTest::newRow("invalid bytes") << QByteArray(" >a\xff\x62\xfd\xfe\xa0\x80") << ">a" + r + "b" + r + r + r + r;
        QTest::newRow("lead byte without trail") << QByteArray(" >\x82 x\x82") << ">" + r + " x" + r;
    }
    // A leading space makes a chat line; text is code page 932, and bytes
    // that are not shift nothing around them.
    void chatLines()
    {
        QFETCH(QByteArray, wire);
        QFETCH(QString, listed);
        QCOMPARE(listLine(split(wire).value(0).text), listed);
        if (!wire.startsWith("  ") && !listed.contains(QChar::ReplacementCharacter))  // and goes out so
            QCOMPARE(encodeChat(listed.section('>', 0, 0), listed.section('>', 1)), wire);
    }
    // What cannot be written goes out as question marks; the JIS forms of
    // the characters above go out as the Windows codes.
    void encodedOnly()
    {
        QCOMPARE(encodeChat("é", "a😀b" + QString(QChar(0xD800))), QByteArray(" ?>a?b?"));
        QCOMPARE(encodeChat("A", QString::fromUtf16(u"\u301C\u2212\u2016\u00A2\u00A3\u00AC\u2014")),
                 QByteArray(" A>\x81\x60\x81\x7C\x81\x61\x81\x91\x81\x92\x81\xCA\x81\x5C"));
    }
};

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
