#include "windowbase/announcer.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QTimer>
#include <algorithm>

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
// Parts that may wait kept for one utterance: a flood of chat is cut to its
// latest lines and a count of the others.
constexpr int keptLater = 3;

// About how long a screen reader takes to say text.
qint64 speakingMs(const QString &text) { return std::min<qint64>(5000, 300 + 110 * text.size()); }

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

// A text box reached by Tab selects its text, which Qt reports before the
// focus: a screen reader then takes the box for one already presented and
// says nothing of it on the first visit. While one listens, the text is
// selected once the focus has been reported.
class SelectAfterFocus : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::FocusIn || !QAccessible::isActive())
            return false;
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        auto *box = qobject_cast<QLineEdit *>(watched);
        if (!box || (reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason))
            return false;
        QFocusEvent plain(QEvent::FocusIn, Qt::OtherFocusReason);
        QCoreApplication::sendEvent(box, &plain);
        if (!box->text().isEmpty())
            QMetaObject::invokeMethod(box, &QLineEdit::selectAll, Qt::QueuedConnection);
        return true;
    }
};
}  // namespace

void Announcer::installAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(factory);
        qApp->installEventFilter(new SelectAfterFocus(qApp));
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
    m_clock.start();
    m_wait = new QTimer(this);
    m_wait->setSingleShot(true);
    connect(m_wait, &QTimer::timeout, this, &Announcer::flush);
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
        m_parts << Part{part, false};
    trim(false, keptParts);
    m_pending = true;
    postFlush();
}

void Announcer::sayLater(const QString &part)
{
    m_parts << Part{part, true};
    if (trim(true, keptLater))
        ++m_skipped;
    postFlush();
}

bool Announcer::trim(bool mayWait, int keep)
{
    const auto kind = [mayWait](const Part &p) { return p.mayWait == mayWait; };
    if (std::count_if(m_parts.begin(), m_parts.end(), kind) <= keep)
        return false;
    m_parts.erase(std::find_if(m_parts.begin(), m_parts.end(), kind));
    return true;
}

void Announcer::postFlush()
{
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
    if (!m_pending && m_parts.isEmpty())
        return;
    // Only parts that may wait: not while the last utterance is being said.
    const qint64 speaking = m_speakingUntil - m_clock.elapsed();
    if (!m_pending && speaking > 0) {
        if (!m_wait->isActive())
            m_wait->start(int(speaking));
        return;
    }
    m_wait->stop();
    m_pending = false;
    QStringList parts;
    if (m_skipped > 0)
        parts << QStringLiteral("チャット %1 行省略").arg(std::exchange(m_skipped, 0));
    for (const Part &p : std::exchange(m_parts, {}))
        parts << p.text;
    if (m_summary)
        parts << m_summary();
    parts.removeAll(QString());
    parts.removeDuplicates();
    m_text = parts.join(QStringLiteral("、"));
    m_utterances << new Utterance(this, m_text);
    if (m_utterances.size() > keptUtterances)
        delete m_utterances.takeFirst();
    if (QAccessible::isActive()) {
        m_speakingUntil = m_clock.elapsed() + speakingMs(m_text);
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
