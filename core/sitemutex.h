#pragma once

#include "threadannotations.h"

#include <QMutexLocker>
#include <QRecursiveMutex>

// The one lock over the site trees' structure and the devices' state. Unit
// threads hold it for the whole body of a slot; the GUI thread holds it for
// structural changes of the trees and while it reads or evaluates device
// state. It is recursive so that helpers may lock again inside a locked
// caller. Never hold it while waiting for another thread.
QRecursiveMutex& siteMutex();

// Holds the site mutex for the lifetime of the object.
class SiteLocker
{
public:
    SiteLocker() : m_locker(&siteMutex()) { announceAcquire(&siteMutex()); }
    ~SiteLocker()
    {
        if (m_locked)
            announceRelease(&siteMutex());
    }
    SiteLocker(const SiteLocker&) = delete;
    SiteLocker& operator=(const SiteLocker&) = delete;

    void unlock()
    {
        if (m_locked)
            announceRelease(&siteMutex());
        m_locked = false;
        m_locker.unlock();
    }
    void relock()
    {
        m_locker.relock();
        m_locked = true;
        announceAcquire(&siteMutex());
    }

private:
    QMutexLocker m_locker;
    bool m_locked = true;
};
