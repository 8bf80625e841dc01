// Writes the program's pictures and sounds into the source tree.
//
//   genassets <repo root>
//
// Everything is drawn or synthesised here, from fixed numbers and a
// fixed-seed noise generator, so a rerun reproduces the committed files
// byte for byte.  Run it through the regen_assets target after changing a
// drawing, then commit the results.

#include <QByteArray>
#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QLinearGradient>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "sounds.h"

namespace {

constexpr int kCell = 32;
const QColor kFelt(0, 128, 0);
const QColor kGrid(0, 44, 0);

// ---------------------------------------------------------------- files

void put16(QByteArray &b, quint16 v)
{
    b.append(char(v & 0xff));
    b.append(char(v >> 8));
}

void put32(QByteArray &b, quint32 v)
{
    put16(b, quint16(v & 0xffff));
    put16(b, quint16(v >> 16));
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "genassets: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

// One 32-bpp image in a BMP-style ICO.  The DIB height is doubled because
// the colour rows are followed by the 1-bpp transparency mask; the mask is
// all zero since every icon here is opaque and the alpha channel says so
// anyway.
QByteArray icoBytes(const QImage &source)
{
    const QImage img = source.convertToFormat(QImage::Format_ARGB32);
    const int w = img.width(), h = img.height();
    const int maskStride = ((w + 31) / 32) * 4;
    const quint32 dibSize = 40 + quint32(w * h * 4) + quint32(maskStride * h);

    QByteArray b;
    // ICONDIR
    put16(b, 0);
    put16(b, 1);  // icon, not cursor
    put16(b, 1);  // one image
    // ICONDIRENTRY
    b.append(char(w >= 256 ? 0 : w));
    b.append(char(h >= 256 ? 0 : h));
    b.append(char(0));  // no palette
    b.append(char(0));
    put16(b, 1);   // planes
    put16(b, 32);  // bits per pixel
    put32(b, dibSize);
    put32(b, 6 + 16);
    // BITMAPINFOHEADER
    put32(b, 40);
    put32(b, quint32(w));
    put32(b, quint32(h * 2));
    put16(b, 1);
    put16(b, 32);
    put32(b, 0);  // BI_RGB
    put32(b, quint32(w * h * 4) + quint32(maskStride * h));
    put32(b, 0);
    put32(b, 0);
    put32(b, 0);
    put32(b, 0);
    // Colour rows, bottom-up, BGRA.
    for (int y = h - 1; y >= 0; --y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(img.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            b.append(char(qBlue(row[x])));
            b.append(char(qGreen(row[x])));
            b.append(char(qRed(row[x])));
            b.append(char(qAlpha(row[x])));
        }
    }
    // AND mask: zero keeps every pixel.
    b.append(QByteArray(maskStride * h, '\0'));
    return b;
}

QByteArray wavBytes(const std::vector<qint16> &samples, int rate)
{
    const quint32 dataSize = quint32(samples.size() * 2);
    QByteArray b;
    b.append("RIFF", 4);
    put32(b, 36 + dataSize);
    b.append("WAVE", 4);
    b.append("fmt ", 4);
    put32(b, 16);
    put16(b, 1);  // PCM
    put16(b, 1);  // mono
    put32(b, quint32(rate));
    put32(b, quint32(rate * 2));
    put16(b, 2);
    put16(b, 16);
    b.append("data", 4);
    put32(b, dataSize);
    for (qint16 s : samples)
        put16(b, quint16(s));
    return b;
}

// ---------------------------------------------------------------- pictures

QImage blank(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    img.setDotsPerMeterX(3780);
    img.setDotsPerMeterY(3780);
    return img;
}

enum class Disc { None, Black, White };

// A disc centred at c.  The light comes from the upper left: a radial
// gradient with its focus off-centre, and a faint shadow down-right to lift
// the disc off the felt.
void paintDisc(QPainter &p, QPointF c, qreal r, Disc disc)
{
    if (disc == Disc::None)
        return;
    p.save();
    p.setRenderHint(QPainter::Antialiasing);

    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 80));
    p.drawEllipse(c + QPointF(r * 0.07, r * 0.09), r, r);

    QRadialGradient g(c, r * 1.15, c - QPointF(r * 0.38, r * 0.40));
    if (disc == Disc::Black) {
        g.setColorAt(0.0, QColor(118, 118, 118));
        g.setColorAt(0.40, QColor(42, 42, 42));
        g.setColorAt(1.0, QColor(6, 6, 6));
        p.setPen(QPen(QColor(0, 0, 0), 0.8));
    } else {
        g.setColorAt(0.0, QColor(255, 255, 255));
        g.setColorAt(0.55, QColor(236, 236, 232));
        g.setColorAt(1.0, QColor(176, 176, 172));
        p.setPen(QPen(QColor(84, 84, 80), 0.8));
    }
    p.setBrush(g);
    p.drawEllipse(c, r, r);
    p.restore();
}

// Marks the disc that was played last: a small glossy red dot in its middle,
// big enough to spot from across the board but leaving the colour readable.
void paintLastMoveMark(QPainter &p, QPointF c, qreal r)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient g(c, r, c - QPointF(r * 0.35, r * 0.35));
    g.setColorAt(0.0, QColor(255, 96, 90));
    g.setColorAt(0.6, QColor(228, 16, 16));
    g.setColorAt(1.0, QColor(176, 0, 0));
    p.setBrush(g);
    p.setPen(QPen(QColor(110, 0, 0), 0.8));
    p.drawEllipse(c, r, r);
    p.restore();
}

// One board square: felt with the grid line on its right and bottom edge,
// so that squares laid side by side draw the whole grid.
QImage cellIcon(Disc disc, bool lastMove)
{
    QImage img = blank(kCell, kCell);
    QPainter p(&img);
    p.fillRect(0, 0, kCell, kCell, kFelt);
    p.fillRect(kCell - 1, 0, 1, kCell, kGrid);
    p.fillRect(0, kCell - 1, kCell, 1, kGrid);
    // The felt inside the grid line is 31 pixels wide; centre on that.
    const QPointF c((kCell - 1) / 2.0, (kCell - 1) / 2.0);
    paintDisc(p, c, 12.8, disc);
    if (lastMove)
        paintLastMoveMark(p, c, 4.2);
    p.end();
    return img;
}

// The window icon: the four discs a game starts from, on a framed 2 x 2
// piece of board.
QImage windowIcon()
{
    const int n = 64;
    QImage img = blank(n, n);
    QPainter p(&img);
    p.fillRect(0, 0, n, n, kFelt);
    p.fillRect(0, 0, n, 1, kGrid);
    p.fillRect(0, n - 1, n, 1, kGrid);
    p.fillRect(0, 0, 1, n, kGrid);
    p.fillRect(n - 1, 0, 1, n, kGrid);
    p.fillRect(n / 2 - 1, 0, 2, n, kGrid);
    p.fillRect(0, n / 2 - 1, n, 2, kGrid);
    // Each square's felt spans 30 pixels: [1, 31) and [33, 63).
    const qreal lo = 16.0, hi = 48.0, r = 12.3;
    paintDisc(p, QPointF(lo, lo), r, Disc::White);
    paintDisc(p, QPointF(hi, lo), r, Disc::Black);
    paintDisc(p, QPointF(lo, hi), r, Disc::Black);
    paintDisc(p, QPointF(hi, hi), r, Disc::White);
    p.end();
    return img;
}

// A quill lying on the diagonal, nib at the bottom left.  It is drawn along
// the x axis of a rotated frame (nib tip at the origin, feather tip at
// x = 38) and kept pale, since the cursor it becomes is shown over dark
// panels as well as light ones.
QImage quillPicture()
{
    const int n = 32;
    // Drawn four times larger and averaged down: the strokes are thinner
    // than a pixel and would otherwise be smeared by antialiasing alone.
    const int ss = 4;
    QImage big(n * ss, n * ss, QImage::Format_ARGB32_Premultiplied);
    big.fill(Qt::transparent);
    QPainter p(&big);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(ss, ss);
    p.translate(2.2, 29.8);
    p.rotate(-45.0);

    // Vane: broader on the upper side, as on a real flight feather.
    QPainterPath vane;
    vane.moveTo(10.0, 0.0);
    vane.cubicTo(15.0, -6.8, 29.0, -7.6, 38.5, -0.6);
    vane.cubicTo(30.0, 3.4, 18.0, 4.4, 10.0, 0.0);

    QLinearGradient vaneFill(QPointF(10, 0), QPointF(38, 0));
    vaneFill.setColorAt(0.0, QColor(255, 253, 244));
    vaneFill.setColorAt(1.0, QColor(232, 226, 208));
    p.setPen(QPen(QColor(128, 116, 92), 0.75));
    p.setBrush(vaneFill);
    p.drawPath(vane);

    // Barbs sweeping toward the tip, and two nicks in the upper edge where
    // the barbs have parted.
    p.save();
    p.setClipPath(vane);
    p.setPen(QPen(QColor(178, 168, 142), 0.45));
    for (qreal x = 13.0; x < 37.0; x += 2.6) {
        p.drawLine(QPointF(x, 0.0), QPointF(x + 4.2, -6.5));
        p.drawLine(QPointF(x, 0.0), QPointF(x + 3.0, 4.0));
    }
    p.restore();
    p.setPen(QPen(QColor(128, 116, 92), 0.6));
    p.drawLine(QPointF(20.5, -5.6), QPointF(23.0, -3.2));
    p.drawLine(QPointF(29.0, -5.2), QPointF(31.0, -3.0));

    // Shaft: bare from the nib to the vane, then running up its middle.
    p.setPen(QPen(QColor(128, 116, 92), 2.3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5.0, 0.0), QPointF(10.5, 0.0));
    p.setPen(QPen(QColor(232, 222, 192), 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(5.0, 0.0), QPointF(11.0, 0.0));
    p.setPen(QPen(QColor(150, 136, 104), 0.7, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10.0, 0.0), QPointF(37.0, -0.3));

    // Nib: a cut, ink-stained point with its slit.
    QPainterPath nib;
    nib.moveTo(0.0, 0.0);
    nib.lineTo(5.6, -1.3);
    nib.quadTo(6.4, 0.0, 5.6, 1.3);
    nib.closeSubpath();
    QLinearGradient nibFill(QPointF(0, 0), QPointF(6, 0));
    nibFill.setColorAt(0.0, QColor(104, 112, 176));
    nibFill.setColorAt(0.45, QColor(176, 160, 108));
    nibFill.setColorAt(1.0, QColor(226, 206, 140));
    p.setPen(QPen(QColor(96, 84, 52), 0.45));
    p.setBrush(nibFill);
    p.drawPath(nib);
    p.setPen(QPen(QColor(60, 52, 36), 0.35));
    p.drawLine(QPointF(0.4, 0.0), QPointF(3.6, 0.0));
    p.end();

    QImage img = big.scaled(n, n, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    img.setDotsPerMeterX(3780);
    img.setDotsPerMeterY(3780);
    return img;
}

// ---------------------------------------------------------------- main

bool writeIcon(const QString &path, const QImage &img)
{
    if (!writeFile(path, icoBytes(img)))
        return false;
    // The game loads these through Qt's ico plugin; refuse to leave behind a
    // file it cannot read.
    QImageReader reader(path, "ico");
    const QImage back = reader.read();
    if (back.isNull() || back.size() != img.size()) {
        std::fprintf(stderr, "genassets: %s does not read back: %s\n", qPrintable(path),
                     qPrintable(reader.errorString()));
        return false;
    }
    return true;
}

bool writePng(const QString &path, const QImage &img)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!img.save(path, "PNG")) {
        std::fprintf(stderr, "genassets: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char **argv)
{
    // Only for the plugin search path used by the read-back check; no
    // window system is needed.
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: genassets <repository root>\n");
        return 2;
    }
    const QDir root(QString::fromLocal8Bit(argv[1]));
    auto at = [&root](const char *rel) { return root.filePath(QString::fromLatin1(rel)); };

    bool ok = true;
    ok &= writeIcon(at("icon/ban.ico"), cellIcon(Disc::None, false));
    ok &= writeIcon(at("icon/kuro.ico"), cellIcon(Disc::Black, false));
    ok &= writeIcon(at("icon/siro.ico"), cellIcon(Disc::White, false));
    ok &= writeIcon(at("icon/akakuro.ico"), cellIcon(Disc::Black, true));
    ok &= writeIcon(at("icon/akasiro.ico"), cellIcon(Disc::White, true));
    ok &= writeFile(at("SE/oku.jov"), wavBytes(placeSound(), kRate));
    ok &= writeFile(at("SE/BANG.jov"), wavBytes(bangSound(), kRate));
    ok &= writePng(at("shell/res/kobanto.png"), windowIcon());
    ok &= writePng(at("shell/res/pen.png"), quillPicture());
    return ok ? 0 : 1;
}
