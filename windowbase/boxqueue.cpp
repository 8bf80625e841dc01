#include "windowbase/boxqueue.h"

#include <QPointer>

#include "windowbase/msgbox.h"

BoxQueue::BoxQueue(QObject *parent) : QObject(parent) {}

void BoxQueue::post(std::function<void()> fn)
{
    if (m_stopped)
        return;
    m_items.push_back(std::move(fn));
    scheduleRun();
}

void BoxQueue::stop()
{
    m_stopped = true;
    m_items.clear();
}

void BoxQueue::scheduleRun()
{
    // Never inside the poster's own signal: a socket does not report data
    // that arrives while one of its readyRead handlers is still running.
    if (m_runScheduled)
        return;
    m_runScheduled = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_runScheduled = false;
            run();
        },
        Qt::QueuedConnection);
}

void BoxQueue::run()
{
    if (m_running || m_stopped || m_items.empty())
        return;
    QPointer<BoxQueue> self(this);
    if (MsgBox::openCount() == 0) {
        m_running = true;
        while (!m_items.empty() && MsgBox::openCount() == 0) {
            std::function<void()> fn = std::move(m_items.front());
            m_items.pop_front();
            fn();
            if (!self || m_stopped)
                return;
        }
        m_running = false;
        if (m_items.empty())
            return;
    }
    // A box is open (the owner's or another window's): go on once every box
    // has closed.
    if (m_waitingForBoxes)
        return;
    m_waitingForBoxes = true;
    MsgBox::onAllClosed([self] {
        if (!self)
            return;
        self->m_waitingForBoxes = false;
        self->run();
    });
}
