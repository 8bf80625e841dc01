#pragma once
// Work that must wait while a message box is open: socket events, timer
// ticks. Each box runs a nested event loop, so without this a handler could
// start in the middle of another one that is waiting for the user's answer.
// Items run from the event loop, one at a time, in the order posted.
#include <QObject>
#include <deque>
#include <functional>

class BoxQueue : public QObject {
    Q_OBJECT
public:
    explicit BoxQueue(QObject *parent);

    // Queues fn; it runs after everything posted before it, once the item
    // running and every open box are done. Ignored after stop().
    void post(std::function<void()> fn);
    int size() const { return static_cast<int>(m_items.size()); }
    // Drops what waits and takes nothing more: the owner is going.
    void stop();

private:
    void scheduleRun();
    void run();

    std::deque<std::function<void()>> m_items;
    bool m_stopped = false;
    bool m_running = false;
    bool m_waitingForBoxes = false;
    bool m_runScheduled = false;
};
