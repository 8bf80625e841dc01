#pragma once
#include <QImage>
#include <QString>

enum class Disc { None, Black, White };

// One 32 x 32 board square, optionally holding a disc and the last-move mark.
QImage cellIcon(Disc disc, bool lastMove);
// The 64 x 64 window icon: the starting position on a 2 x 2 piece of board.
QImage windowIcon();
// The same picture as the application icon at n x n pixels, for the desktop.
QImage appIcon(int n);
// The same picture again as a scalable (SVG) document.
QString appIconSvg();
// The 32 x 32 quill of the opening screen.
QImage quillPicture();
