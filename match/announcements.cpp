#include "match/announcements.h"

#include <QPushButton>

#include "match/matchwindow.h"
#include "windowbase/announcer.h"

MatchAnnouncements::MatchAnnouncements(MatchWindow *window) : QObject(window), m_window(window)
{
    Announcer::of(window)->setSummary([this] { return summary(); });
    // "パ ス" is painted spread out and spoken as one word.
    for (QPushButton *b : window->findChildren<QPushButton *>(QString(), Qt::FindDirectChildrenOnly))
        b->setAccessibleName(Announcer::spoken(b->text()));
}

MatchAnnouncements *MatchAnnouncements::of(MatchWindow *window)
{
    if (auto *a = window->findChild<MatchAnnouncements *>(QString(), Qt::FindDirectChildrenOnly))
        return a;
    return new MatchAnnouncements(window);
}

void MatchAnnouncements::setOpponent(const QString &name, std::function<qint16()> colour)
{
    m_opponent = name;
    m_opponentColour = std::move(colour);
}

QString MatchAnnouncements::cellText(int index)
{
    return QChar(u'A' + index % 8) + QString::number(index / 8 + 1);
}

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
    const qint16 colour = m_window->Board[index / 8][index % 8];
    m_moved = true;
    Announcer::of(m_window)->say(moveText(nameOf(colour), index, colour));
}

void MatchAnnouncements::passed()
{
    const qint16 colour = m_window->turnColor;
    Announcer::of(m_window)->say(passText(nameOf(colour), colour));
}

void MatchAnnouncements::ended() { Announcer::of(m_window)->say(QString()); }

QStringList MatchAnnouncements::summary()
{
    QStringList parts;
    const bool over = m_window->gameOver();
    const QString label = Announcer::spoken(m_window->Label1->text());
    if (over)
        parts << label;
    if (m_moved || over) {
        const MatchWindow::Counts n = m_window->countDiscs();
        parts << countsText(n.black, n.white);
    }
    m_moved = false;
    parts << (over ? Announcer::spoken(m_window->Label2->text()) : label);
    return parts;
}
