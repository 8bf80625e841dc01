// The program's pictures, drawn from fixed numbers.
#include "tools/pictures.h"

#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QStringList>

namespace {

constexpr int kCell = 32;
const QColor kFelt(0, 128, 0);
const QColor kGrid(0, 44, 0);

QImage blank(int w, int h)
{
    QImage img(w, h, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    img.setDotsPerMeterX(3780);
    img.setDotsPerMeterY(3780);
    return img;
}

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

}  // namespace

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

namespace {
// The window icon's design in a 64 x 64 frame; larger icons scale the painter.
void paintStartingPosition(QPainter &p)
{
    const int n = 64;
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
}

QString svgDisc(qreal cx, qreal cy, const char *gradient, const char *edge)
{
    const qreal r = 12.3;
    return QStringLiteral(
               "  <circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"#000\" fill-opacity=\"0.314\"/>\n"
               "  <circle cx=\"%4\" cy=\"%5\" r=\"%3\" fill=\"url(#%6)\" stroke=\"%7\" "
               "stroke-width=\"0.8\"/>\n")
        .arg(cx + r * 0.07)
        .arg(cy + r * 0.09)
        .arg(r)
        .arg(cx)
        .arg(cy)
        .arg(QLatin1String(gradient), QLatin1String(edge));
}

// One gradient per disc: its centre and light spot are in the page's
// coordinates, as in the pixel pictures.
QString svgGradient(const QString &id, qreal cx, qreal cy, bool black)
{
    const qreal r = 12.3;
    QString s = QStringLiteral(
                    "    <radialGradient id=\"%1\" gradientUnits=\"userSpaceOnUse\" cx=\"%2\" cy=\"%3\" "
                    "r=\"%4\" fx=\"%5\" fy=\"%6\">\n")
                    .arg(id)
                    .arg(cx)
                    .arg(cy)
                    .arg(r * 1.15)
                    .arg(cx - r * 0.38)
                    .arg(cy - r * 0.40);
    const char *stops = black ? "0:#767676 0.4:#2a2a2a 1:#060606" : "0:#ffffff 0.55:#ecece8 1:#b0b0ac";
    for (const QString &stop : QString::fromLatin1(stops).split(QLatin1Char(' '))) {
        const QStringList part = stop.split(QLatin1Char(':'));
        s += QStringLiteral("      <stop offset=\"%1\" stop-color=\"%2\"/>\n").arg(part[0], part[1]);
    }
    return s + QStringLiteral("    </radialGradient>\n");
}
}  // namespace

QImage windowIcon()
{
    QImage img = blank(64, 64);
    QPainter p(&img);
    paintStartingPosition(p);
    p.end();
    return img;
}

QImage appIcon(int n)
{
    // Drawn at 256 pixels and averaged down, so the thin grid lines stay
    // even at the small sizes.
    QImage big = blank(256, 256);
    QPainter p(&big);
    p.scale(4.0, 4.0);
    paintStartingPosition(p);
    p.end();
    if (n == 256)
        return big;
    QImage img = big.scaled(n, n, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    img.setDotsPerMeterX(3780);
    img.setDotsPerMeterY(3780);
    return img;
}

QString appIconSvg()
{
    QString s = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"64\" height=\"64\" viewBox=\"0 0 64 64\">\n"
        "  <defs>\n");
    s += svgGradient(QStringLiteral("w1"), 16, 16, false) + svgGradient(QStringLiteral("b1"), 48, 16, true);
    s += svgGradient(QStringLiteral("b2"), 16, 48, true) + svgGradient(QStringLiteral("w2"), 48, 48, false);
    s += QStringLiteral(
        "  </defs>\n"
        "  <rect width=\"64\" height=\"64\" fill=\"#002c00\"/>\n"
        "  <rect x=\"1\" y=\"1\" width=\"30\" height=\"30\" fill=\"#008000\"/>\n"
        "  <rect x=\"33\" y=\"1\" width=\"30\" height=\"30\" fill=\"#008000\"/>\n"
        "  <rect x=\"1\" y=\"33\" width=\"30\" height=\"30\" fill=\"#008000\"/>\n"
        "  <rect x=\"33\" y=\"33\" width=\"30\" height=\"30\" fill=\"#008000\"/>\n");
    s += svgDisc(16, 16, "w1", "#545450") + svgDisc(48, 16, "b1", "#000000");
    s += svgDisc(16, 48, "b2", "#000000") + svgDisc(48, 48, "w2", "#545450");
    return s + QStringLiteral("</svg>\n");
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
