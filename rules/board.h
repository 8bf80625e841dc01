#pragma once
// One game of Reversi as a value, with no widgets: the 64 cells, the side to
// move, the moves played and the pass flag, and the rules that change them.
// Cells are numbered row * 8 + column, row 0 at the top.
#include <QStringList>
#include <QtGlobal>

// What a cell holds, which side is to move, who won (Empty: a draw). The
// values are the windows' own (1 black, -1 white, 0 empty), so the two sides
// are each other's negation and a disc still compares with those numbers.
enum Disc : qint16 { Empty = 0, Black = 1, White = -1 };

// The other side.
constexpr Disc opponentOf(Disc side) { return Disc(-side); }

// A set of cells: bit k for cell k.
class CellSet {
public:
    constexpr CellSet() = default;
    constexpr explicit CellSet(quint64 bits) : m_bits(bits) {}
    quint64 bits() const { return m_bits; }
    bool isEmpty() const { return m_bits == 0; }
    bool has(int cell) const { return (m_bits >> cell) & 1U; }
    int count() const;
    void add(int cell) { m_bits |= quint64(1) << cell; }
    CellSet &operator|=(CellSet other)
    {
        m_bits |= other.m_bits;
        return *this;
    }
    bool operator==(CellSet other) const { return m_bits == other.m_bits; }
    bool operator!=(CellSet other) const { return m_bits != other.m_bits; }
    // Calls f(cell) for every cell, lowest first.
    template <class F>
    void forEach(F f) const
    {
        for (quint64 b = m_bits; b != 0; b &= b - 1)
            f(lowest(b));
    }

private:
    static int lowest(quint64 bits);
    quint64 m_bits = 0;
};

class Board {
public:
    // The starting position: white on 27 and 36, black on 28 and 35, black to move.
    Board();

    // Eight rows of 'B' black, 'W' white and '.' empty (anything else is
    // empty). Unless given, the moves played follow the discs: all but the
    // four of the start.
    static Board fromRows(const QStringList &rows, Disc turnColor, int moveCount = -1);
    QStringList rows() const;
    // A cell as players name it: column letter, row number ("A1" .. "H8").
    static QString cellName(int cell);

    Disc at(int cell) const { return m_cells[cell]; }
    Disc at(int row, int col) const { return m_cells[row * 8 + col]; }
    Disc turnColor() const { return m_turnColor; }
    int moveCount() const { return m_moveCount; }
    // Set by a pass until the next move.
    bool passFlag() const { return m_passFlag; }
    // Sixty moves have been played: the game is over. Passes do not count.
    bool full() const { return m_moveCount >= 60; }

    // The discs the side to move would flip by playing on cell: every run of
    // opponent discs next to it, in each of the eight directions, closed by a
    // disc of its own before any empty cell or the edge. Empty for an
    // occupied cell.
    CellSet flips(int cell) const;
    bool hasMove(Disc color) const;

    // Plays cell for the side to move and hands the turn over. Returns the
    // cells that changed (the cell itself and its flips); empty when the move
    // is refused, and then nothing has changed.
    CellSet play(int cell);
    // Hands the turn over after a pass. False when the previous turn was a
    // pass too: neither side can move, the game is over and nothing changes.
    bool pass();

    struct Counts {
        int black = 0;
        int white = 0;
    };
    Counts counts() const;
    // By the discs on the board: the side ahead, Empty when equal.
    Disc result() const;

    bool operator==(const Board &other) const;
    bool operator!=(const Board &other) const { return !(*this == other); }

private:
    Disc m_cells[64] = {};
    Disc m_turnColor = Black;
    qint16 m_moveCount = 0;
    bool m_passFlag = false;
};
