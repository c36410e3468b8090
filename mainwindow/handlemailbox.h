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
// so the window returns to its own events between bursts. An event loop
// started by a delivery (a modal dialog) runs the rest of the round first,
// then what came after, in order.
class HandleMailbox : public QObject
{
    Q_OBJECT
public:
    explicit HandleMailbox(QObject* parent = nullptr);

    // From any thread.
    void post(std::function<void()> delivery);

    // `deliver(node, args...)` on the mailbox's thread, with `node` taken
    // into a handle here, where it is known to live: after a reopen a stale
    // delivery finds nothing rather than a new node made at a freed node's
    // address.
    template<typename Deliver, typename... Args>
    void postAsHandle(Node* node, Deliver deliver, Args... args)
    {
        post([deliver, handle = NodeHandle(node), args...] {
            if (Node* live = handle.get())
                deliver(live, args...);
        });
    }

private:
    void runWaiting();

    // A standard mutex, whose locking ThreadSanitizer sees.
    std::mutex m_mutex;
    std::deque<std::function<void()>> m_waiting;
    bool m_eventPosted = false;
    // The round being run (GUI thread only): taken from m_waiting under one
    // lock per event rather than one per delivery.
    std::deque<std::function<void()>> m_round;
};

// Each `signal` of `sender` reaches `deliver` through `mailbox`, its node as
// a handle.
template<typename Sender, typename... Args, typename Deliver>
void queueAsHandle(Sender* sender, void (Sender::*signal)(Node*, Args...), HandleMailbox* mailbox, Deliver deliver)
{
    QObject::connect(
        sender, signal, mailbox,
        [mailbox, deliver](Node* node, Args... args) { mailbox->postAsHandle(node, deliver, args...); },
        Qt::DirectConnection);
}
