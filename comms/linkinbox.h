#pragma once

#include "kx4data.h"

#include <QtGlobal>

#include <deque>
#include <mutex>

// What the gateway client has read and its control unit has not yet taken,
// handed from the client's thread to the unit's. A delivery is the records
// of some devices and, where the image goes along as a whole, the image;
// both read from the client's image as it stood. A heartbeat that finds the
// last delivery waiting a heartbeat's too takes its place: its image holds
// every record of the one before, and it brings the records of both. Every
// other delivery (a read reply, a register write the gateway pushes) waits
// in its turn and is never merged. A loss of the link takes the place of
// all that waits and stays in line as a delivery of its own, so the unit
// meets it before anything the next connection read, however long it was
// busy.
//
// The unit is woken once for what waits, and again only once it has told
// the client's thread that it is done, which that thread hears after all
// the unit sent it meanwhile. So however fast a gateway sends heartbeats,
// one image waits here while the unit and the window work, and the unit
// takes the newest.
class LinkInbox
{
public:
    struct Delivery
    {
        Kx4Image::Raw image{};
        // Bit n: the record of device n, taken in ascending order.
        quint64 devices = 0;
        bool wholeImage = false;
        bool heartbeat = false;
        // The link was lost here: no records, and what follows is another
        // connection's.
        bool loss = false;
    };

    // From the client's thread. True when the unit must be woken.
    bool put(const uchar* image, quint64 devices, bool wholeImage, bool heartbeat);
    // From the unit's thread: every delivery waiting, in order.
    std::deque<Delivery> take();
    // How many deliveries wait; safe from any thread.
    int waiting();
    // From the client's thread, at the loss of the link: what was read on
    // it goes with it, and the loss waits in its place. True when the unit
    // must be woken.
    bool lose();
    // From the client's thread, once the unit is done with what it took.
    // True when deliveries came meanwhile: the unit must be woken again.
    bool done();

private:
    // A standard mutex, whose locking ThreadSanitizer sees.
    std::mutex m_mutex;
    std::deque<Delivery> m_waiting;
    // Woken, and not yet done.
    bool m_woken = false;
};
