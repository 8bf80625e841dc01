#include "engine/cellimage.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QMouseEvent>
#include <QPixmap>
#include <QSet>
#include <cstdio>

namespace {
bool g_drawing = true;

const QPixmap &emptyCell()
{
    // Shown when a picture file cannot be read: a plain green cell keeps the
    // board readable and playable.
    static const QPixmap pm = [] {
        QImage img(32, 32, QImage::Format_RGB32);
        img.fill(QColor(0, 128, 0));
        for (int i = 0; i < 32; ++i) {
            img.setPixel(i, 31, qRgb(0, 0, 0));
            img.setPixel(31, i, qRgb(0, 0, 0));
        }
        return QPixmap::fromImage(img);
    }();
    return pm;
}

void reportOnce(const QString &path)
{
    static QSet<QString> reported;
    if (reported.contains(path))
        return;
    reported.insert(path);
    std::fprintf(stderr, "kobanto: cannot read picture %s; showing an empty cell\n", qPrintable(path));
}
}  // namespace

void CellImage::setDrawingEnabled(bool enabled) { g_drawing = enabled; }
bool CellImage::drawingEnabled() { return g_drawing; }

CellImage::CellImage(int index, QWidget *parent) : QLabel(parent), m_index(index)
{
    setAccessibleName(QStringLiteral("マス %1").arg(index));
    setScaledContents(false);
}

void CellImage::loadPicture(const QString &path)
{
    m_file = path;
    if (!g_drawing)
        return;
    QImageReader reader(path, "ico");
    QImage img = reader.read();
    if (img.isNull()) {
        reportOnce(path);
        setPixmap(emptyCell());
        return;
    }
    setPixmap(QPixmap::fromImage(std::move(img)));
}

void CellImage::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    QLabel::mousePressEvent(event);
}

void CellImage::mouseReleaseEvent(QMouseEvent *event)
{
    const bool wasPressed = m_pressed;
    m_pressed = false;
    QLabel::mouseReleaseEvent(event);
    if (wasPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && isEnabled())
        emit clicked(m_index);
}
