#include "match/boardfocus.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>

#include "match/cellimage.h"
#include "rules/board.h"
#include "rules/match.h"

namespace {
// Stands out on the green of an empty cell, on both discs and on the red of
// the last move's mark.
const QColor cursorColour(255, 0, 255);
constexpr int cursorWidth = 2;

BoardFocus *boardOf(const QWidget *cell)
{
    QWidget *window = cell->parentWidget();
    return window ? window->findChild<BoardFocus *>(QString(), Qt::FindDirectChildrenOnly) : nullptr;
}

// A cell: a button named after its place and contents, pressed as a click.
class CellAccessible : public QAccessibleWidget {
public:
    explicit CellAccessible(QWidget *w) : QAccessibleWidget(w, QAccessible::Button) {}

    QAccessible::State state() const override
    {
        QAccessible::State s = QAccessibleWidget::state();
        s.focusable = true;
        const BoardFocus *board = boardOf(widget());
        const auto *cell = static_cast<const CellImage *>(widget());
        s.focused = board && board->cursorShown() && board->cursor() == cell->index();
        return s;
    }
    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString &name) override
    {
        if (name == pressAction())
            BoardFocus::press(static_cast<CellImage *>(widget()));
    }
    // Read when asked, never announced as a change: Qt's name-change report
    // is one Orca cannot read, and the move itself is announced.
    QString text(QAccessible::Text t) const override
    {
        const BoardFocus *board = boardOf(widget());
        if (t == QAccessible::Name && board)
            return board->cellName(static_cast<const CellImage *>(widget())->index());
        return QAccessibleWidget::text(t);
    }
};

// The board: while the cursor shows, the focus within it is the cursor's cell.
class BoardAccessible : public QAccessibleWidget {
public:
    explicit BoardAccessible(QWidget *w) : QAccessibleWidget(w, QAccessible::Grouping, QStringLiteral("盤面")) {}

    QAccessibleInterface *focusChild() const override
    {
        const auto *board = static_cast<const BoardFocus *>(widget());
        if (board->cursorShown())
            return QAccessible::queryAccessibleInterface(board->cell(board->cursor()));
        return QAccessibleWidget::focusChild();
    }
};

QAccessibleInterface *boardFactory(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *w = static_cast<QWidget *>(object);
    if (className == QLatin1String("CellImage"))
        return new CellAccessible(w);
    if (className == QLatin1String("BoardFocus"))
        return new BoardAccessible(w);
    return nullptr;
}
}  // namespace

void BoardFocus::installAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(boardFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

BoardFocus::BoardFocus(QWidget *window, CellImage *const (&cells)[64], Contents contents)
    : QWidget(window), m_contents(std::move(contents))
{
    installAccessibility();

    for (int k = 0; k < 64; ++k) {
        m_cells[k] = cells[k];
        m_named[k] = 2;
        // A mouse press puts the keyboard cursor away: mouse play never shows it.
        m_cells[k]->installEventFilter(this);
    }
    setGeometry(cells[0]->geometry().united(cells[63]->geometry()));
    setFocusPolicy(Qt::StrongFocus);
    // Clicks and pointer moves go on to the cells underneath.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    refresh();
}

QString BoardFocus::cellName(int index, Disc value)
{
    const QString content = value == Black   ? QStringLiteral("黒")
                            : value == White ? QStringLiteral("白")
                                             : QStringLiteral("空き");
    return Board::cellName(index) + QLatin1Char(' ') + content;
}

void BoardFocus::refreshCell(int index)
{
    // Only a real change is named again: a redraw touches all 64 cells, a
    // move changes a few.
    const Disc value = m_contents(index);
    if (m_named[index] == value)
        return;
    m_named[index] = value;
    m_names[index] = cellName(index, value);
}

void BoardFocus::refresh()
{
    for (int k = 0; k < 64; ++k)
        refreshCell(k);
}

void BoardFocus::follow(const Match *match)
{
    connect(match, &Match::moved, this,
            [this](int, CellSet changed) { changed.forEach([this](int k) { refreshCell(k); }); });
    connect(match, &Match::newGame, this, &BoardFocus::refresh);
}

bool BoardFocus::cursorShown() const { return m_keyUsed && hasFocus(); }

void BoardFocus::press(CellImage *cell)
{
    if (cell->isEnabled())
        emit cell->clicked(cell->index());
}

void BoardFocus::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Left:
        return showOrMove(0, -1);
    case Qt::Key_Right:
        return showOrMove(0, 1);
    case Qt::Key_Up:
        return showOrMove(-1, 0);
    case Qt::Key_Down:
        return showOrMove(1, 0);
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        // Never play a cell the user cannot see: the first key only shows it.
        if (!m_keyUsed)
            return showOrMove(0, 0);
        press(m_cells[m_cursor]);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

void BoardFocus::showOrMove(int rowStep, int colStep)
{
    if (m_keyUsed) {
        const int row = qBound(0, m_cursor / 8 + rowStep, 7);
        const int col = qBound(0, m_cursor % 8 + colStep, 7);
        m_cursor = row * 8 + col;
    }
    m_keyUsed = true;
    update();
    announceCursor();
}

void BoardFocus::announceCursor()
{
    if (!cursorShown())
        return;
    QAccessibleEvent event(m_cells[m_cursor], QAccessible::Focus);
    QAccessible::updateAccessibility(&event);
}

void BoardFocus::focusInEvent(QFocusEvent *event)
{
    QWidget::focusInEvent(event);
    update();
    // After the board's own focus announcement, which follows this event.
    QPointer<BoardFocus> self(this);
    QTimer::singleShot(0, this, [self] {
        if (self)
            self->announceCursor();
    });
}

void BoardFocus::focusOutEvent(QFocusEvent *event)
{
    QWidget::focusOutEvent(event);
    update();
}

bool BoardFocus::eventFilter(QObject *watched, QEvent *event)
{
    if (m_keyUsed && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)) {
        m_keyUsed = false;
        update();
    }
    return QWidget::eventFilter(watched, event);
}

void BoardFocus::paintEvent(QPaintEvent *)
{
    if (!cursorShown())
        return;
    const QRect cell = m_cells[m_cursor]->geometry().translated(-pos());
    QPainter p(this);
    const int w = cursorWidth;
    p.fillRect(cell.left(), cell.top(), cell.width(), w, cursorColour);
    p.fillRect(cell.left(), cell.bottom() - w + 1, cell.width(), w, cursorColour);
    p.fillRect(cell.left(), cell.top(), w, cell.height(), cursorColour);
    p.fillRect(cell.right() - w + 1, cell.top(), w, cell.height(), cursorColour);
}
