// Writes the program's pictures and sounds into the source tree.
//
//   genassets <repo root>
//
// Everything is drawn or synthesised here, from fixed numbers and a
// fixed-seed noise generator, so a rerun reproduces the committed files
// byte for byte.  Run it through the regen_assets target after changing a
// drawing, then commit the results.

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QString>

#include <cstdio>
#include <vector>

#include "tools/pictures.h"
#include "tools/sounds.h"

namespace {

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
    ok &= writePng(at("windowbase/res/kobanto.png"), windowIcon());
    ok &= writePng(at("windowbase/res/pen.png"), quillPicture());
    // The desktop's application icon, installed into the hicolor theme.
    for (int n : {16, 32, 48, 64, 128, 256})
        ok &= writePng(root.filePath(QStringLiteral("dist/icons/hicolor/%1x%1/apps/kobanto.png").arg(n)), appIcon(n));
    ok &= writeFile(at("dist/icons/hicolor/scalable/apps/kobanto.svg"), appIconSvg().toUtf8());
    return ok ? 0 : 1;
}
