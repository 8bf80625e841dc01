#include "rules/board.h"

#include <algorithm>

int CellSet::count() const { return qPopulationCount(m_bits); }
int CellSet::lowest(quint64 bits) { return qCountTrailingZeroBits(bits); }

namespace {
constexpr int steps[8][2] = {{0, -1}, {0, 1}, {-1, 0}, {-1, 1}, {1, 0}, {1, 1}, {-1, -1}, {1, -1}};
constexpr char marks[] = "W.B";  // a cell's mark sits at its value + 1
}  // namespace

Board::Board()
{
    m_cells[27] = m_cells[36] = White;
    m_cells[28] = m_cells[35] = Black;
}

Board Board::fromRows(const QStringList &rows, Disc turnColor, int moveCount)
{
    Board b;
    int discs = 0;
    for (int k = 0; k < 64; ++k) {
        const QString row = rows.value(k / 8);
        const char mark = k % 8 < row.size() ? row.at(k % 8).toLatin1() : '.';
        b.m_cells[k] = mark == 'B' ? Black : mark == 'W' ? White : Empty;
        discs += b.m_cells[k] != Empty;
    }
    b.m_turnColor = turnColor;
    b.m_moveCount = static_cast<qint16>(moveCount < 0 ? discs - 4 : moveCount);
    return b;
}

QString Board::cellName(int cell) { return QChar(u'A' + cell % 8) + QString::number(cell / 8 + 1); }

QStringList Board::rows() const
{
    QStringList out;
    for (int row = 0; row < 8; ++row) {
        QString line;
        for (int col = 0; col < 8; ++col)
            line += QLatin1Char(marks[at(row, col) + 1]);
        out << line;
    }
    return out;
}

CellSet Board::flips(int cell) const
{
    CellSet all;
    if (m_cells[cell] != Empty)
        return all;
    const int row = cell / 8, col = cell % 8;
    for (const auto &step : steps) {
        CellSet run;
        int r = row + step[0], c = col + step[1];
        for (; r >= 0 && r < 8 && c >= 0 && c < 8 && at(r, c) == opponentOf(m_turnColor); r += step[0], c += step[1])
            run.add(r * 8 + c);
        // Closed by one of the mover's discs; an empty cell or the edge closes nothing.
        if (r >= 0 && r < 8 && c >= 0 && c < 8 && at(r, c) == m_turnColor)
            all |= run;
    }
    return all;
}

bool Board::hasMove(Disc color) const
{
    Board probe = *this;
    probe.m_turnColor = color;
    for (int k = 0; k < 64; ++k)
        if (!probe.flips(k).isEmpty())
            return true;
    return false;
}

CellSet Board::play(int cell)
{
    CellSet changed = flips(cell);
    if (changed.isEmpty())
        return changed;
    changed.add(cell);
    changed.forEach([this](int k) { m_cells[k] = m_turnColor; });
    m_turnColor = opponentOf(m_turnColor);
    ++m_moveCount;
    m_passFlag = false;
    return changed;
}

bool Board::pass()
{
    if (m_passFlag)
        return false;
    m_turnColor = opponentOf(m_turnColor);
    m_passFlag = true;
    return true;
}

Board::Counts Board::counts() const
{
    Counts n;
    for (Disc v : m_cells) {
        n.black += v == Black;
        n.white += v == White;
    }
    return n;
}

Disc Board::result() const
{
    const Counts n = counts();
    return n.black > n.white ? Black : n.white > n.black ? White : Empty;
}

bool Board::operator==(const Board &o) const
{
    return std::equal(std::begin(m_cells), std::end(m_cells), std::begin(o.m_cells)) && m_turnColor == o.m_turnColor &&
           m_moveCount == o.m_moveCount && m_passFlag == o.m_passFlag;
}
