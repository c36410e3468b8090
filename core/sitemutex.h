#pragma once

#include <mutex>

// The one lock over the site trees' structure and the devices' state. Unit
// threads hold it for the whole body of a slot; the GUI thread holds it for
// structural changes of the trees and while it reads or evaluates device
// state. It is recursive so that helpers may lock again inside a locked
// caller. Never hold it while waiting for another thread.
//
// A standard mutex rather than QRecursiveMutex: its locking is visible to
// ThreadSanitizer, which checks the units against the GUI thread.
std::recursive_mutex& siteMutex();

// Holds the site mutex for the lifetime of the object.
class SiteLocker
{
public:
    SiteLocker() : m_lock(siteMutex()) {}
    SiteLocker(const SiteLocker&) = delete;
    SiteLocker& operator=(const SiteLocker&) = delete;

    void unlock() { m_lock.unlock(); }
    void relock() { m_lock.lock(); }

private:
    std::unique_lock<std::recursive_mutex> m_lock;
};
