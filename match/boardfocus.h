#pragma once
// The board as one keyboard stop: a transparent layer over the 64 cells that
// takes the focus, moves a cursor with the arrow keys and plays the cursor's
// cell with Enter or Space through the cells' own click. It also keeps each
// cell's accessible name ("D3 黒") in step with the board, and gives the
// cells and the board their accessible interfaces.
#include <QWidget>
#include <functional>

#include "rules/board.h"

class CellImage;
class Match;

class BoardFocus : public QWidget {
    Q_OBJECT
public:
    // What lies on a cell.
    using Contents = std::function<Disc(int index)>;
    BoardFocus(QWidget *window, CellImage *const (&cells)[64], Contents contents);

    // The cells' and the board's accessible interfaces. Before the first cell
    // is made: an interface asked for once is kept for the cell's lifetime.
    static void installAccessibility();

    // Read the board again: every cell's name follows it.
    void refresh();
    // Reads the board again after each move and new game of match.
    void follow(const Match *match);

    int cursor() const { return m_cursor; }
    // The frame is on screen: a key has been used and the board has the focus.
    bool cursorShown() const;
    CellImage *cell(int index) const { return m_cells[index]; }

    // "A1".."H8" (column letter, row number), a space, the contents.
    static QString cellName(int index, Disc value);
    // The cell's name as the board stands at the last refresh.
    QString cellName(int index) const { return m_names[index]; }
    // A cell played by keyboard or by an assistive tool: exactly its click,
    // and only while the cell takes clicks.
    static void press(CellImage *cell);

    // The cursor's place at the first key, until moved: the board's centre.
    static constexpr int startCell = 27;

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void refreshCell(int index);
    void showOrMove(int rowStep, int colStep);
    void announceCursor();

    CellImage *m_cells[64] = {};
    Contents m_contents;
    qint16 m_named[64];  // the contents each cell's name tells; 2 before the first
    QString m_names[64];
    int m_cursor = startCell;
    bool m_keyUsed = false;
};
