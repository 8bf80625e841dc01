#pragma once
// What a screen reader should say while the focus stays where it is: each
// utterance a hidden notification object of the window, reported shown. The
// parts said while one event is handled (a move, the counts, whose turn) are
// spoken together once that event is done, so the listener hears one
// utterance per event and never a queue of stale ones. Parts that may wait
// (chat lines) do not cut off an utterance still being spoken.
#include <QElapsedTimer>
#include <QList>
#include <QStringList>
#include <QWidget>
#include <functional>

class QTimer;

class Announcer : public QWidget {
    Q_OBJECT
public:
    // The window's announcer, made at its first use.
    static Announcer *of(QWidget *window);

    // Adds a part to what is said once the running event is handled; an
    // empty part says only the summary.
    void say(const QString &part);
    // A part that may wait (a chat line): said with the running event's
    // parts, or, while the last utterance is still being spoken, once it is
    // done. Of those waiting only the latest few are said, the rest counted.
    void sayLater(const QString &part);
    // Asked just before speaking: the parts the state after the event
    // decides (whose turn, the result). A part already said is not repeated.
    void setSummary(std::function<QStringList()> summary) { m_summary = std::move(summary); }
    // Speaks what was said so far now rather than once the event is done.
    void flush();
    // The last utterance, and the notification object that carries it.
    QString text() const { return m_text; }
    QWidget *lastUtterance() const { return m_utterances.isEmpty() ? nullptr : m_utterances.last(); }

    // A caption as it is spoken: without the spaces that spread a painted
    // caption ("パ ス" is "パス"); spaces next to Latin text stay.
    static QString spoken(const QString &caption);

    // The accessible interfaces of the announcer and of every window (a
    // frame, whose name is its caption). Before the first window is made.
    static void installAccessibility();

signals:
    // One utterance, as the screen reader is told it.
    void announced(const QString &text);

private:
    explicit Announcer(QWidget *window);
    void postFlush();
    // Drops the oldest part of its kind when more than keep are held.
    bool trim(bool mayWait, int keep);

    struct Part {
        QString text;
        bool mayWait;
    };
    QList<Part> m_parts;
    int m_skipped = 0;  // parts that may wait, dropped since the last utterance
    std::function<QStringList()> m_summary;
    QString m_text;
    // The latest utterances, oldest first. Each keeps its text: the screen
    // reader reads the name when it gets to the report, which may be after
    // the next utterance.
    QList<QWidget *> m_utterances;
    bool m_pending = false;  // something was said since the last utterance
    bool m_flushPosted = false;
    // While a screen reader listens: when it should be done with the last
    // utterance, on m_clock.
    QElapsedTimer m_clock;
    qint64 m_speakingUntil = 0;
    QTimer *m_wait = nullptr;
};
