#include "match/announcements.h"

#include <QEvent>
#include <QPointer>
#include <QPushButton>

#include "match/matchwindow.h"
#include "windowbase/announcer.h"

MatchAnnouncements::MatchAnnouncements(MatchWindow *window)
    : QObject(window), m_window(window), m_announcer(Announcer::of(window))
{
    m_announcer->setSummary([this] { return summary(); });
    window->installEventFilter(this);
    // "パ ス" is painted spread out and spoken as one word.
    for (QPushButton *b : window->findChildren<QPushButton *>(QString(), Qt::FindDirectChildrenOnly))
        b->setAccessibleName(Announcer::spoken(b->text()));
}

MatchAnnouncements *MatchAnnouncements::of(MatchWindow *window)
{
    // Asked at every move: the last window's is at hand without a search.
    static QPointer<MatchAnnouncements> last;
    if (last && last->m_window == window)
        return last;
    last = window->findChild<MatchAnnouncements *>(QString(), Qt::FindDirectChildrenOnly);
    if (!last)
        last = new MatchAnnouncements(window);
    return last;
}

void MatchAnnouncements::setOpponent(const QString &name, std::function<qint16()> colour)
{
    m_opponent = name;
    m_opponentColour = std::move(colour);
}

QString MatchAnnouncements::cellText(int index) { return QChar(u'A' + index % 8) + QString::number(index / 8 + 1); }

QString MatchAnnouncements::colourText(qint16 colour)
{
    return colour == 1 ? QStringLiteral("黒") : QStringLiteral("白");
}

QString MatchAnnouncements::moveText(const QString &name, int index, qint16 colour)
{
    const QString move = cellText(index) + QStringLiteral(" に") + colourText(colour);
    return name.isEmpty() ? move : name + QStringLiteral("は ") + move;
}

QString MatchAnnouncements::passText(const QString &name, qint16 colour)
{
    return (name.isEmpty() ? colourText(colour) : name) + QStringLiteral("はパス");
}

QString MatchAnnouncements::countsText(int black, int white)
{
    return QStringLiteral("黒 %1 白 %2").arg(black).arg(white);
}

QString MatchAnnouncements::nameOf(qint16 colour) const
{
    return m_opponentColour && m_opponentColour() == colour ? m_opponent : QString();
}

void MatchAnnouncements::moved(int index)
{
    const qint16 colour = m_window->board().at(index);
    m_moved = true;
    m_announcer->say(moveText(nameOf(colour), index, colour));
}

void MatchAnnouncements::passed()
{
    const qint16 colour = m_window->board().turnColor();
    m_announcer->say(passText(nameOf(colour), colour));
}

void MatchAnnouncements::ended() { m_announcer->say(QString()); }

void MatchAnnouncements::newGame()
{
    // The window's first game is set up before it shows: its title says enough.
    if (!m_window->isVisible())
        return;
    m_newGame = true;
    m_announcer->say(QStringLiteral("新しい対局"));
}

bool MatchAnnouncements::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::WindowActivate && !m_greeted) {
        m_greeted = true;
        const QString status = Announcer::spoken(m_window->Label2->text());
        if (!status.isEmpty()) {
            m_greeting = true;
            m_announcer->say(status);
        }
    }
    return QObject::eventFilter(watched, event);
}

QStringList MatchAnnouncements::summary()
{
    if (m_greeting) {
        m_greeting = false;
        return {};
    }
    QStringList parts;
    const bool over = m_window->gameOver();
    const QString label = Announcer::spoken(m_window->Label1->text());
    if (over)
        parts << label;
    if (m_moved || over) {
        const Board::Counts n = m_window->board().counts();
        parts << countsText(n.black, n.white);
    }
    m_moved = false;
    parts << (over ? Announcer::spoken(m_window->Label2->text()) : label);
    if (m_newGame)
        parts << Announcer::spoken(m_window->Label2->text());
    m_newGame = false;
    return parts;
}
