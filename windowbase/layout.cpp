#include "windowbase/layout.h"

#include <QCoreApplication>
#include <QFontDatabase>
#include <QImageReader>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QWidget>

namespace Twips {
QRect rect(int left, int top, int width, int height) { return QRect(px(left), px(top), px(width), px(height)); }
QSize size(int width, int height) { return QSize(px(width), px(height)); }
}  // namespace Twips

namespace Layout {
const char *const fontFamily = "ＭＳ Ｐゴシック";

static QString &programDirOverride()
{
    static QString dir;
    return dir;
}

void setupFonts()
{
    // IPAPGothic has the same metrics as the designed face; the others keep
    // Japanese text readable where it is missing.
    QFont::insertSubstitutions(
        QString::fromUtf8(fontFamily),
        {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic"), QStringLiteral("Noto Sans CJK JP"),
         QStringLiteral("VL PGothic"), QStringLiteral("TakaoPGothic"), QStringLiteral("Droid Sans Fallback")});
}

QFont font(double points, bool bold)
{
    QFont f(QString::fromUtf8(fontFamily));
    if (points > 0)
        f.setPointSizeF(points);
    f.setBold(bold);
    return f;
}

QPixmap builtInPicture(const QString &resourcePath)
{
    QImageReader reader(resourcePath, "png");
    reader.setAutoDetectImageFormat(false);
    return QPixmap::fromImage(reader.read());
}

void setProgramDir(const QString &dir) { programDirOverride() = dir; }

QString programPath(const QString &backslashLiteral)
{
    QString dir = programDirOverride().isEmpty() ? QCoreApplication::applicationDirPath() : programDirOverride();
    QString rel = backslashLiteral;
    rel.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return dir + rel;
}

void place(QWidget *w, int left, int top, int width, int height)
{
    w->setGeometry(Twips::rect(left, top, width, height));
}

void setColors(QWidget *w, const QColor &background, const QColor &text)
{
    QPalette p = w->palette();
    if (background.isValid()) {
        p.setColor(QPalette::Window, background);
        p.setColor(QPalette::Base, background);
        w->setAutoFillBackground(true);
    }
    if (text.isValid()) {
        p.setColor(QPalette::WindowText, text);
        p.setColor(QPalette::Text, text);
    }
    w->setPalette(p);
}

void setFixedClientSize(QWidget *window, int widthTwips, int heightTwips)
{
    window->setFixedSize(Twips::size(widthTwips, heightTwips));
}

namespace {
// The frame style draws its border in the text colour, which a white-on-black
// label would lose against the window: the border is drawn over in black.
class FramedLabel : public QLabel {
public:
    using QLabel::QLabel;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QLabel::paintEvent(event);
        QPainter p(this);
        p.setPen(Rgb::black());
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};
}  // namespace

QLabel *label(QWidget *parent, int l, int t, int w, int h, const QString &text, const LabelStyle &style)
{
    auto *lab = style.framed ? new FramedLabel(text, parent) : new QLabel(text, parent);
    place(lab, l, t, w, h);
    if (style.points > 0 || style.bold)
        lab->setFont(font(style.points, style.bold));
    if (style.framed) {
        lab->setFrameStyle(QFrame::Box | QFrame::Plain);
        lab->setLineWidth(1);
    }
    lab->setIndent(0);  // a framed label would otherwise push its text down
    lab->setAlignment(style.centred ? (Qt::AlignHCenter | Qt::AlignTop) : (Qt::AlignLeft | Qt::AlignTop));
    setColors(lab, style.background, style.text);
    return lab;
}

namespace {
// A button whose caption wraps onto further lines when it is wider than the
// button, as the narrow "モード選択" button needs. The caption itself stays
// whole, so screen readers read it as one word.
class CaptionButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        if (fontMetrics().horizontalAdvance(text()) <= width() - 6) {
            QPushButton::paintEvent(event);
            return;
        }
        QStylePainter p(this);
        QStyleOptionButton opt;
        initStyleOption(&opt);
        const QString caption = opt.text;
        opt.text.clear();
        p.drawControl(QStyle::CE_PushButton, opt);
        p.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText));
        p.drawText(rect().adjusted(2, 2, -2, -2), Qt::AlignCenter | Qt::TextWrapAnywhere, caption);
    }
};
}  // namespace

QPushButton *button(QWidget *parent, int l, int t, int w, int h, const QString &text, double points, bool bold)
{
    auto *b = new CaptionButton(text, parent);
    place(b, l, t, w, h);
    if (points > 0 || bold)
        b->setFont(font(points, bold));
    b->setAutoDefault(false);
    return b;
}

QWidget *line(QWidget *parent, int x1, int y1, int x2, int y2, int widthPx)
{
    auto *ln = new QWidget(parent);
    const int half = widthPx / 2;
    const int left = Twips::px(qMin(x1, x2)), top = Twips::px(qMin(y1, y2));
    const int right = Twips::px(qMax(x1, x2)), bottom = Twips::px(qMax(y1, y2));
    if (y1 == y2)
        ln->setGeometry(left - half, top - half, right - left + widthPx, widthPx);
    else
        ln->setGeometry(left - half, top - half, widthPx, bottom - top + widthPx);
    setColors(ln, Rgb::black(), QColor());
    ln->setAttribute(Qt::WA_TransparentForMouseEvents);
    return ln;
}
}  // namespace Layout
