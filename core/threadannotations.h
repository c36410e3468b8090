#pragma once

#include <QThread>

// Hand-offs that ThreadSanitizer cannot see by itself: Qt's own mutexes and
// wait conditions wait on futexes, which it does not model. In a build
// without the sanitizer these vanish. GCC tells of the sanitizer by a macro,
// clang only through __has_feature.
#if defined(__SANITIZE_THREAD__)
#define LUMETRA_THREAD_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define LUMETRA_THREAD_SANITIZER 1
#endif
#endif

#if defined(LUMETRA_THREAD_SANITIZER)
#include <sanitizer/tsan_interface.h>
inline void announceAcquire(void* token) { __tsan_acquire(token); }
inline void announceRelease(void* token) { __tsan_release(token); }
#else
inline void announceAcquire(void*) {}
inline void announceRelease(void*) {}
#endif

// Makes the end of a thread visible as such: everything the thread did
// happens before the return of endThread(). Call announceThreadEnd() right
// after creating the thread.
inline void announceThreadEnd(QThread* thread)
{
    QObject::connect(thread, &QThread::finished, thread, [thread] { announceRelease(thread); },
                     Qt::DirectConnection);
}

inline void endThread(QThread* thread)
{
    thread->quit();
    thread->wait();
    announceAcquire(thread);
}
