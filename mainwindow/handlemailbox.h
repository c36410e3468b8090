#pragma once

#include "node.h"

#include <QObject>

#include <deque>
#include <functional>
#include <mutex>

// Deliveries from the units' threads to the GUI thread, run there in the
// order the units sent them. A unit sends one per device and second; posted
// one event each, a live site's second cost the GUI thread an event, its
// allocations and their trip between the cores per device. Here the first
// delivery of a burst posts one event, and that event runs the deliveries
// waiting when it starts: what arrives meanwhile waits for the next event,
// so the window returns to its own events between bursts. Deliveries are
// taken one at a time, so an event loop started by a delivery (a modal
// dialog) runs the next ones in order too.
class HandleMailbox : public QObject
{
    Q_OBJECT
public:
    explicit HandleMailbox(QObject* parent = nullptr);

    // From any thread.
    void post(std::function<void()> delivery);

private:
    void runWaiting();

    // A standard mutex, whose locking ThreadSanitizer sees.
    std::mutex m_mutex;
    std::deque<std::function<void()>> m_waiting;
    bool m_eventPosted = false;
};

// The node of a unit's signal is taken into a handle on the sending thread,
// where it is known to live, and `deliver` runs on the mailbox's thread with
// the node the handle still finds: after a reopen a stale delivery finds
// nothing rather than a new node made at a freed node's address.
template<typename Sender, typename... Args, typename Deliver>
void queueAsHandle(Sender* sender, void (Sender::*signal)(Node*, Args...), HandleMailbox* mailbox, Deliver deliver)
{
    QObject::connect(
        sender, signal, mailbox,
        [mailbox, deliver](Node* node, Args... args) {
            mailbox->post([deliver, handle = NodeHandle(node), args...] {
                if (Node* live = handle.get())
                    deliver(live, args...);
            });
        },
        Qt::DirectConnection);
}
