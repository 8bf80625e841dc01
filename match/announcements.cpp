#include "match/announcements.h"

#include <QPushButton>

#include "rules/match.h"
#include "windowbase/announcer.h"

MatchAnnouncements::MatchAnnouncements(QWidget *window) : QObject(window), m_announcer(Announcer::of(window))
{
    m_announcer->setSummary([this] { return std::exchange(m_after, {}) << std::exchange(m_status, {}); });
    // "パ ス" is painted spread out and spoken as one word.
    for (QPushButton *b : window->findChildren<QPushButton *>(QString(), Qt::FindDirectChildrenOnly))
        b->setAccessibleName(Announcer::spoken(b->text()));
}

void MatchAnnouncements::setOpponent(const QString &name, std::function<Disc()> colour)
{
    m_opponent = name;
    m_opponentColour = std::move(colour);
}

void MatchAnnouncements::follow(const Match *match, std::function<QString(Disc, bool)> result)
{
    connect(match, &Match::moved, this, [this, match](int cell, CellSet, int, Disc colour) {
        moved(cell, colour, match->board().counts(), match->board().turnColor());
    });
    connect(match, &Match::passed, this, &MatchAnnouncements::passed);
    connect(match, &Match::ended, this, [this, match, result](Disc winner, bool byResignation) {
        ended(byResignation ? QStringLiteral("投了") : QStringLiteral("終局"), match->board().counts(),
              result(winner, byResignation));
    });
    connect(match, &Match::newGame, this, [this, match] { newGame(match->board().turnColor()); });
}

QString MatchAnnouncements::colourText(Disc colour)
{
    return colour == Black ? QStringLiteral("黒") : QStringLiteral("白");
}

QString MatchAnnouncements::moveText(const QString &name, int index, Disc colour)
{
    const QString move = Board::cellName(index) + QStringLiteral(" に") + colourText(colour);
    return name.isEmpty() ? move : name + QStringLiteral("は ") + move;
}

QString MatchAnnouncements::passText(const QString &name, Disc colour)
{
    return (name.isEmpty() ? colourText(colour) : name) + QStringLiteral("はパス");
}

QString MatchAnnouncements::countsText(int black, int white)
{
    return QStringLiteral("黒 %1 白 %2").arg(black).arg(white);
}

QString MatchAnnouncements::turnText(Disc colour) { return colourText(colour) + QStringLiteral("番"); }

QString MatchAnnouncements::nameOf(Disc colour) const
{
    return m_opponentColour && m_opponentColour() == colour ? m_opponent : QString();
}

void MatchAnnouncements::moved(int index, Disc colour, Board::Counts n, Disc next)
{
    m_after = {countsText(n.black, n.white), turnText(next)};
    m_announcer->say(moveText(nameOf(colour), index, colour));
}

void MatchAnnouncements::passed(Disc colour)
{
    m_after = {turnText(opponentOf(colour))};
    m_announcer->say(passText(nameOf(colour), colour));
}

void MatchAnnouncements::ended(const QString &how, Board::Counts n, const QString &result)
{
    m_after = {how, countsText(n.black, n.white), result};
    m_announcer->say(QString());
}

void MatchAnnouncements::newGame(Disc next)
{
    // The window's first game is set up before it shows: its title and
    // greeting say enough.
    const bool skip = std::exchange(m_skipNewGame, false);
    if (!m_greeted || skip)
        return;
    m_after = {turnText(next)};
    m_announcer->say(QStringLiteral("新しい対局"));
}

void MatchAnnouncements::status(const QString &text)
{
    if (!m_greeted || text.isEmpty())
        return;
    m_status = text;
    m_announcer->say(QString());
}

void MatchAnnouncements::greet(const QString &status)
{
    if (std::exchange(m_greeted, true) || status.isEmpty())
        return;
    m_after.clear();
    m_status = status;
    m_announcer->say(QString());
}

void MatchAnnouncements::chat(const QString &line) { m_announcer->sayLater(line); }

void MatchAnnouncements::chatSent() { m_announcer->say(QStringLiteral("送信しました")); }
