// The pictures and sounds the program loads from beside its executable, as
// the build copies them there.

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QtEndian>
#include <QtTest>

namespace {

QString assetPath(const QString &rel)
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + rel;
}

QImage readIcon(const QString &name)
{
    QImageReader reader(assetPath(QStringLiteral("icon/") + name), "ico");
    QImage img = reader.read();
    if (img.isNull())
        qWarning("%s: %s", qPrintable(name), qPrintable(reader.errorString()));
    return img.convertToFormat(QImage::Format_ARGB32);
}

bool isClearlyRed(QRgb c)
{
    return qRed(c) >= 170 && qGreen(c) <= 90 && qBlue(c) <= 90;
}

int countRed(const QImage &img)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += isClearlyRed(img.pixel(x, y));
    return n;
}

int brightness(QRgb c) { return qGray(c); }

struct Wave
{
    QString error;
    int format = 0, channels = 0, rate = 0, bits = 0;
    QVector<qint16> samples;
};

// Walks the RIFF chunks rather than assuming a fixed 44-byte header, so an
// extra chunk is tolerated but a wrong size or a missing chunk is not.
Wave parseWave(const QByteArray &b)
{
    Wave w;
    auto u32 = [&b](qsizetype at) { return qFromLittleEndian<quint32>(b.constData() + at); };
    auto u16 = [&b](qsizetype at) { return qFromLittleEndian<quint16>(b.constData() + at); };
    if (b.size() < 12 || !b.startsWith("RIFF") || b.mid(8, 4) != "WAVE") {
        w.error = QStringLiteral("not RIFF/WAVE");
        return w;
    }
    if (qsizetype(u32(4)) + 8 != b.size()) {
        w.error = QStringLiteral("RIFF size %1 for a file of %2 bytes").arg(u32(4)).arg(b.size());
        return w;
    }
    bool haveFmt = false, haveData = false;
    qsizetype at = 12;
    while (at + 8 <= b.size()) {
        const QByteArray id = b.mid(at, 4);
        const qsizetype size = u32(at + 4);
        const qsizetype body = at + 8;
        if (body + size > b.size()) {
            w.error = QStringLiteral("chunk '%1' runs past the end").arg(QString::fromLatin1(id));
            return w;
        }
        if (id == "fmt ") {
            if (size < 16) {
                w.error = QStringLiteral("short fmt chunk");
                return w;
            }
            w.format = u16(body);
            w.channels = u16(body + 2);
            w.rate = int(u32(body + 4));
            w.bits = u16(body + 14);
            haveFmt = true;
        } else if (id == "data") {
            if (body + size != b.size()) {
                w.error = QStringLiteral("data chunk of %1 bytes does not end the file").arg(size);
                return w;
            }
            w.samples.resize(size / 2);
            for (qsizetype i = 0; i < w.samples.size(); ++i)
                w.samples[i] = qint16(u16(body + 2 * i));
            haveData = true;
        }
        at = body + size + (size & 1);
    }
    if (!haveFmt || !haveData)
        w.error = QStringLiteral("missing fmt or data chunk");
    return w;
}

}  // namespace

class TestAssets : public QObject
{
    Q_OBJECT

private slots:
    void boardIcons_data();
    void boardIcons();
    void lastMoveMarks();
    void sounds_data();
    void sounds();
};

void TestAssets::boardIcons_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("centre");  // 0 felt, 1 black disc, 2 white disc
    QTest::newRow("empty") << "ban.ico" << 0;
    QTest::newRow("black") << "kuro.ico" << 1;
    QTest::newRow("white") << "siro.ico" << 2;
    QTest::newRow("black, last move") << "akakuro.ico" << 1;
    QTest::newRow("white, last move") << "akasiro.ico" << 2;
}

// Every square picture loads through Qt's ico reader at the board's cell
// size, opaque, on the same felt and grid edge, with the right thing on it.
void TestAssets::boardIcons()
{
    QFETCH(QString, name);
    QFETCH(int, centre);
    const QImage img = readIcon(name);
    QVERIFY2(!img.isNull(), qPrintable(name));
    QCOMPARE(img.size(), QSize(32, 32));

    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x)
            QVERIFY2(qAlpha(img.pixel(x, y)) == 255,
                     qPrintable(QStringLiteral("transparent pixel at %1,%2").arg(x).arg(y)));

    const QRgb felt = img.pixel(1, 1);
    QVERIFY2(qGreen(felt) > 100 && qRed(felt) < 40 && qBlue(felt) < 40, "corner is not green felt");
    // The grid line runs down the right and along the bottom so squares tile.
    QVERIFY(brightness(img.pixel(31, 1)) < brightness(felt) / 2);
    QVERIFY(brightness(img.pixel(1, 31)) < brightness(felt) / 2);
    QCOMPARE(img.pixel(0, 1), felt);
    QCOMPARE(img.pixel(1, 0), felt);

    // Nine pixels left of centre: on the disc, clear of any last-move mark.
    const QRgb onDisc = img.pixel(6, 15);
    switch (centre) {
    case 0:
        QCOMPARE(onDisc, felt);
        break;
    case 1:
        QVERIFY2(brightness(onDisc) < 90, "black disc is not dark");
        break;
    case 2:
        QVERIFY2(brightness(onDisc) > 190, "white disc is not light");
        break;
    }
}

// The last-move pictures are the plain discs plus a red mark; nothing else
// on the board is red, so the mark cannot be mistaken.
void TestAssets::lastMoveMarks()
{
    const QImage kuro = readIcon(QStringLiteral("kuro.ico"));
    const QImage siro = readIcon(QStringLiteral("siro.ico"));
    const QImage akakuro = readIcon(QStringLiteral("akakuro.ico"));
    const QImage akasiro = readIcon(QStringLiteral("akasiro.ico"));
    QVERIFY(!kuro.isNull() && !siro.isNull() && !akakuro.isNull() && !akasiro.isNull());

    QCOMPARE(countRed(readIcon(QStringLiteral("ban.ico"))), 0);
    QCOMPARE(countRed(kuro), 0);
    QCOMPARE(countRed(siro), 0);
    QVERIFY2(countRed(akakuro) >= 12, "black last-move mark is missing or tiny");
    QVERIFY2(countRed(akasiro) >= 12, "white last-move mark is missing or tiny");

    // Away from the mark the marked discs are the plain ones.
    for (const QPoint pt : {QPoint(6, 15), QPoint(15, 5), QPoint(24, 15), QPoint(1, 1)}) {
        QCOMPARE(akakuro.pixel(pt), kuro.pixel(pt));
        QCOMPARE(akasiro.pixel(pt), siro.pixel(pt));
    }
}

void TestAssets::sounds_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("minSeconds");
    QTest::addColumn<double>("maxSeconds");
    QTest::newRow("disc placed") << "SE/oku.jov" << 0.06 << 0.09;
    QTest::newRow("bang") << "SE/BANG.jov" << 0.5 << 0.8;
}

// The sounds are plain 16-bit mono PCM WAVE despite their extension, which
// is what the audio back end accepts; short, audible and unclipped.
void TestAssets::sounds()
{
    QFETCH(QString, name);
    QFETCH(double, minSeconds);
    QFETCH(double, maxSeconds);

    QFile f(assetPath(name));
    QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(f.fileName()));
    const Wave w = parseWave(f.readAll());
    QVERIFY2(w.error.isEmpty(), qPrintable(w.error));
    QCOMPARE(w.format, 1);
    QCOMPARE(w.channels, 1);
    QCOMPARE(w.bits, 16);
    QVERIFY2(w.rate == 22050 || w.rate == 44100, qPrintable(QString::number(w.rate)));

    const double seconds = double(w.samples.size()) / w.rate;
    QVERIFY2(seconds >= minSeconds && seconds <= maxSeconds, qPrintable(QString::number(seconds)));

    int peak = 0;
    for (qint16 s : w.samples)
        peak = qMax(peak, qAbs(int(s)));
    QVERIFY2(peak > 3000, "sound is (nearly) silent");
    QVERIFY2(peak < 32000, "sound is clipped");
}

QTEST_MAIN(TestAssets)
#include "tst_assets.moc"
