#include "handlemailbox.h"

#include <QPointer>

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
    size_t budget = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        budget = m_waiting.size();
        m_eventPosted = false;
    }
    // A delivery may end the window, and this with it.
    const QPointer<HandleMailbox> alive(this);
    for (; budget > 0 && alive; --budget) {
        std::function<void()> next;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            // An event loop inside an earlier delivery may have run these.
            if (m_waiting.empty())
                return;
            next = std::move(m_waiting.front());
            m_waiting.pop_front();
        }
        next();
    }
}
