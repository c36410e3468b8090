#include "handlemailbox.h"

#include <QPointer>

#include <iterator>

HandleMailbox::HandleMailbox(QObject* parent)
    : QObject(parent)
{
}

void HandleMailbox::post(std::function<void()> delivery)
{
    bool postEvent = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_waiting.push_back(std::move(delivery));
        postEvent = !m_eventPosted;
        m_eventPosted = true;
    }
    if (postEvent)
        QMetaObject::invokeMethod(this, &HandleMailbox::runWaiting, Qt::QueuedConnection);
}

void HandleMailbox::runWaiting()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_round.empty()) {
            m_round.swap(m_waiting);
        } else {
            // What a round left is ahead of what waited: an event loop
            // inside one of its deliveries brought this event.
            std::move(m_waiting.begin(), m_waiting.end(), std::back_inserter(m_round));
            m_waiting.clear();
        }
        m_eventPosted = false;
    }
    // A delivery may end the window, and this with it.
    const QPointer<HandleMailbox> alive(this);
    for (size_t budget = m_round.size(); budget > 0 && alive && !m_round.empty(); --budget) {
        const std::function<void()> next = std::move(m_round.front());
        m_round.pop_front();
        next();
    }
}
