#include "windowbase/announcer.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>
#include <QTimer>

namespace {
// One utterance, never painted: read by Orca as "notification <text>" when
// it is reported shown.
class Utterance : public QWidget {
public:
    Utterance(QWidget *parent, const QString &text) : QWidget(parent), m_text(text)
    {
        hide();
        setFocusPolicy(Qt::NoFocus);
    }
    const QString m_text;
};

// Qt's own interface for a plain widget is a "filler" to a screen reader.
class UtteranceAccessible : public QAccessibleWidget {
public:
    explicit UtteranceAccessible(QWidget *w) : QAccessibleWidget(w, QAccessible::Notification) {}
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Name ? static_cast<const Utterance *>(widget())->m_text : QAccessibleWidget::text(t);
    }
};

// Utterances kept: a screen reader that lags behind reads the older ones
// still; one that lags further has nothing stale left to read.
constexpr int keptUtterances = 4;
// Parts kept for one utterance: events handled without a return to the event
// loop (a replay) leave only their latest parts, never a queue of stale ones.
constexpr int keptParts = 6;

QAccessibleInterface *factory(const QString &className, QObject *object)
{
    if (!object || !object->isWidgetType())
        return nullptr;
    auto *w = static_cast<QWidget *>(object);
    if (className == QLatin1String("QWidget") && dynamic_cast<Utterance *>(w))
        return new UtteranceAccessible(w);
    // A plain widget is a "filler" to a screen reader, which then has no
    // window title to read.
    if (className == QLatin1String("KWindow") && w->isWindow())
        return new QAccessibleWidget(w, QAccessible::Window);
    return nullptr;
}

bool wide(QChar c) { return c.unicode() > 0x7f; }
}  // namespace

void Announcer::installAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        return true;
    }();
    Q_UNUSED(installed);
}

Announcer::Announcer(QWidget *window) : QWidget(window)
{
    installAccessibility();
    setObjectName(QStringLiteral("announcer"));
    // Never painted, never in the Tab order: only its reports are read.
    hide();
    setFocusPolicy(Qt::NoFocus);
}

Announcer *Announcer::of(QWidget *window)
{
    if (auto *a = window->findChild<Announcer *>(QString(), Qt::FindDirectChildrenOnly))
        return a;
    return new Announcer(window);
}

void Announcer::say(const QString &part)
{
    if (!part.isEmpty())
        m_parts << part;
    if (m_parts.size() > keptParts)
        m_parts.removeFirst();
    m_pending = true;
    if (m_flushPosted)
        return;
    m_flushPosted = true;
    QPointer<Announcer> self(this);
    QTimer::singleShot(0, this, [self] {
        if (self)
            self->flush();
    });
}

void Announcer::flush()
{
    m_flushPosted = false;
    if (!m_pending)
        return;
    m_pending = false;
    QStringList parts = m_parts;
    m_parts.clear();
    if (m_summary)
        parts << m_summary();
    parts.removeAll(QString());
    parts.removeDuplicates();
    m_text = parts.join(QStringLiteral("、"));
    m_utterances << new Utterance(this, m_text);
    if (m_utterances.size() > keptUtterances)
        delete m_utterances.takeFirst();
    if (QAccessible::isActive()) {
        QAccessibleEvent shown(m_utterances.last(), QAccessible::ObjectShow);
        QAccessible::updateAccessibility(&shown);
    }
    emit announced(m_text);
}

QString Announcer::spoken(const QString &caption)
{
    QString out;
    for (int i = 0; i < caption.size(); ++i) {
        const bool between = i > 0 && i + 1 < caption.size() && wide(caption[i - 1]) && wide(caption[i + 1]);
        if (caption[i] == QLatin1Char(' ') && between)
            continue;
        out += caption[i];
    }
    return out;
}
