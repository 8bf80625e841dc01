// The message functions on their own. The fuzz target's seeds are replayed
// through its receive path, so the sanitizer build covers them as well.
#include <QtTest>

#include "net/protocol.h"
#include "tests/fuzz/receive_path.h"

using namespace Protocol;

class TestProtocol : public QObject {
    Q_OBJECT
private slots:
    // Each seed, named by what it holds, a few more junk reads, and every code.
    void reads()
    {
        const QDir dir(QStringLiteral(KOBANTO_SOURCE_DIR "/tests/fuzz/corpus"));
        const QStringList files = dir.entryList(QDir::Files);
        QVERIFY2(files.size() >= 40, "the seed corpus is missing");
        for (const QString &f : files) {
            QFile file(dir.filePath(f));
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray read = file.readAll();
            QVERIFY2(ReceivePath::check(read).isEmpty(), qPrintable(f + ": " + ReceivePath::check(read)));
            const QList<Message> ms = split(read);
            const bool junk = f.startsWith("junk") || f.startsWith("burst") || f.startsWith("invalid");
            QVERIFY2(junk == (ms.last().kind == Kind::Junk && ms.size() == 1), qPrintable(f));
            QVERIFY2(f.startsWith("chat") == (ms.size() == 1 && ms[0].kind == Kind::Chat), qPrintable(f));
            QVERIFY2(f.startsWith("merged") == (ms.size() == 2), qPrintable(f));
        }
        for (const char *j : {"-64", "-68", "100", "+5", "-", "19-1", "99 A>x", "\x82\x50\x82\x58", "6669", "66-64", "666"})
            QVERIFY2(ReceivePath::check(j).isEmpty() && split(j).first().kind == Kind::Junk, j);
        // A request pressed three times, answers and an end, back to back.
        const QList<Message> run = split("666665-6768");
        QCOMPARE(run.size(), 5);
        QCOMPARE(run[3].value, qint16(-67));
        QCOMPARE(run[4].kind, Kind::ForcedEnd);
        QVERIFY(ReceivePath::check("666665-6768").isEmpty());
        // Every code: the check above holds each known number to its own kind.
        for (int v = -67; v <= 68; ++v) {
            const QByteArray wire = encodeNumber(qint16(v));
            QVERIFY(wire == QByteArray::number(v) && ReceivePath::check(wire).isEmpty());
            QCOMPARE(split(wire).first().kind == Kind::Junk, v < -1 && v > -65);
        }
    }

    void chatLines_data()
    {
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QString>("listed");
        const QString r(QChar::ReplacementCharacter);
        QTest::newRow("kanji, kana") << QByteArray(" \x91\xbe\x98Y>\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd") << "太郎>こんにちは";
        QTest::newRow("half-width, Windows marks, NEC") << QByteArray(" \xb1>\x81\x60\x81\x7c\x87\x40\xfb\xfc") << "ｱ>～－①髙";
        QTest::newRow("name with spaces") << QByteArray("   A>  x") << "A>  x";
        QTest::newRow("invalid bytes") << QByteArray(" >a\xff" "b\xfd\xfe\xa0\x80") << ">a" + r + "b" + r + r + r + r;
        QTest::newRow("lead byte without trail") << QByteArray(" >\x82 x\x82") << ">" + r + " x" + r;
    }
    // A leading space makes a chat line; text is code page 932, and bytes
    // that are not shift nothing around them.
    void chatLines()
    {
        QFETCH(QByteArray, wire);
        QFETCH(QString, listed);
        const QList<Message> ms = split(wire);
        QVERIFY(ms.size() == 1 && ms[0].kind == Kind::Chat && listLine(ms[0].text) == listed);
        if (!wire.startsWith("  ") && !listed.contains(QChar::ReplacementCharacter))  // and goes out so
            QCOMPARE(encodeChat(listed.section('>', 0, 0), listed.section('>', 1)), wire);
    }
    void unmappableGoesOutAsQuestionMarks() { QCOMPARE(encodeChat("é", "a😀b" + QString(QChar(0xD800))), QByteArray(" ?>a?b?")); }
};

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
