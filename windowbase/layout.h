#pragma once
// Geometry, fonts, colours and paths shared by every window.
#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QRect>
#include <QSize>
#include <QString>

class QLabel;
class QPushButton;
class QWidget;

namespace Twips {
// The windows are designed in twips; the screen has 15 of them per pixel.
constexpr int perPixel = 15;
constexpr int px(int twips) { return twips / perPixel; }
QRect rect(int left, int top, int width, int height);
QSize size(int width, int height);
}  // namespace Twips

namespace Rgb {
inline QColor black() { return QColor(0, 0, 0); }
inline QColor white() { return QColor(255, 255, 255); }
inline QColor lightGrey() { return QColor(192, 192, 192); }
inline QColor blue() { return QColor(0, 0, 255); }
inline QColor green() { return QColor(0, 255, 0); }
inline QColor darkGreen() { return QColor(0, 128, 0); }
}  // namespace Rgb

namespace Layout {
// The family every window asks for; substitutes are registered by setupFonts().
extern const char *const fontFamily;
void setupFonts();
QFont font(double points, bool bold = false);

// A PNG picture built into the program (":/res/..."). Read without probing
// the image format plugins, which would load every one of them at start-up.
QPixmap builtInPicture(const QString &resourcePath);

// "<program folder>" + a literal such as "\icon\kuro.ico".
QString programPath(const QString &backslashLiteral);
// Tests and the installed layout may point the program folder elsewhere.
void setProgramDir(const QString &dir);

void place(QWidget *w, int left, int top, int width, int height);
void setColors(QWidget *w, const QColor &background, const QColor &text);
void setFixedClientSize(QWidget *window, int widthTwips, int heightTwips);

struct LabelStyle {
    double points = 0;  // 0: the window's default font
    bool bold = false;
    bool framed = false;  // a single black border
    bool centred = false;
    QColor background;  // invalid: transparent / default
    QColor text;        // invalid: default
};
QLabel *label(QWidget *parent, int l, int t, int w, int h, const QString &text, const LabelStyle &style);
QPushButton *button(QWidget *parent, int l, int t, int w, int h, const QString &text, double points = 0,
                    bool bold = false);
// A black line of the given pixel width between two points, horizontal or vertical.
QWidget *line(QWidget *parent, int x1, int y1, int x2, int y2, int widthPx);
}  // namespace Layout
