#include "match/cellimage.h"

#include <QFile>
#include <QHash>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <QSet>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace {
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

CellImage::CellImage(int index, QWidget *parent) : QLabel(parent), m_index(index)
{
    setAccessibleName(QStringLiteral("マス %1").arg(index));
    setScaledContents(false);
}

namespace {
// Plain POSIX reads: a draw reads 65 small files, and QFile's bookkeeping
// costs more than the read itself.
QByteArray readFile(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return QByteArray();
    QByteArray bytes;
    char buf[8192];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0 || bytes.size() > (1 << 20))
            break;
        bytes.append(buf, static_cast<qsizetype>(n));
    }
    ::close(fd);
    return bytes;
}

// The file is read on every draw, so a picture changed on disk shows at the
// next draw; only the decoding is skipped while the bytes stay the same.
QPixmap readPicture(const QString &path)
{
    struct Decoded {
        QByteArray bytes;
        QPixmap pixmap;
    };
    static QHash<QString, Decoded> decoded;
    const QByteArray bytes = readFile(path);
    Decoded &d = decoded[path];
    if (!bytes.isEmpty() && bytes == d.bytes)
        return d.pixmap;
    QImage img = QImage::fromData(bytes, "ICO");
    if (img.isNull()) {
        reportOnce(path);
        d = Decoded{QByteArray(), emptyCell()};
    } else {
        d = Decoded{bytes, QPixmap::fromImage(std::move(img))};
    }
    return d.pixmap;
}
}  // namespace

void CellImage::loadPicture(const QString &path)
{
    m_file = path;
    const QPixmap pm = readPicture(path);
    // Same picture as shown: no repaint needed.
    if (pixmap().cacheKey() != pm.cacheKey())
        setPixmap(pm);
}

void CellImage::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.drawPixmap(0, 0, pixmap());
}

void CellImage::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    QLabel::mousePressEvent(event);
}

void CellImage::mouseDoubleClickEvent(QMouseEvent *event) { event->accept(); }

void CellImage::mouseReleaseEvent(QMouseEvent *event)
{
    const bool wasPressed = m_pressed;
    m_pressed = false;
    QLabel::mouseReleaseEvent(event);
    if (wasPressed && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && isEnabled())
        emit clicked(m_index);
}
