// The message functions on their own. The fuzz target's seeds are replayed
// through its receive path, so the sanitizer build covers them as well.
#include <QtTest>

#include "net/protocol.h"
#include "tests/fuzz/receive_path.h"

using namespace Protocol;

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
        int i = 0;
        for (const char *j :
             {"-64", "-68", "100", "+5", "-", "19-1", "99 A>x", "\x82\x50\x82\x58", "6669", "66-64", "666"})
            QTest::addRow("junk, more %d", ++i) << QByteArray(j);
    }
    // Each seed through the receive path, read as what its name says: junk,
    // chat, two merged messages, or one code.
    void reads()
    {
        QFETCH(QByteArray, read);
        const QString name = QTest::currentDataTag();
        QCOMPARE(ReceivePath::check(read), QString());
        const QList<Message> ms = split(read);
        QCOMPARE(ms.size(), name.startsWith("merged") ? 2 : 1);
        const bool junk = name.startsWith("junk") || name.startsWith("burst") || name.startsWith("invalid");
        QCOMPARE(ms[0].kind == Kind::Junk, junk);
        QCOMPARE(ms[0].kind == Kind::Chat, name.startsWith("chat"));
    }
    // Every code, each to its own kind; a request pressed three times,
    // answers and an end, back to back.
    void codes()
    {
        for (qint16 v = -67; v <= 68; ++v) {
            QCOMPARE(encodeNumber(v), QByteArray::number(v));
            QCOMPARE(ReceivePath::check(encodeNumber(v)), QString());
            QVERIFY2(split(encodeNumber(v)).first().kind == ReceivePath::kindOf(v), qPrintable(QString::number(v)));
        }
        const QList<Message> run = split("666665-6768");
        QCOMPARE(run.size(), 5);
        QCOMPARE(ReceivePath::check("666665-6768"), QString());
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
    void unmappableGoesOutAsQuestionMarks()
    {
        QCOMPARE(encodeChat("é", "a😀b" + QString(QChar(0xD800))), QByteArray(" ?>a?b?"));
    }
};

QTEST_GUILESS_MAIN(TestProtocol)
#include "tst_protocol.moc"
