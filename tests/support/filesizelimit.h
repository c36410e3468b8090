#pragma once

#include <QtGlobal>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>

// Caps every file the process writes at `bytes` (RLIM_INFINITY caps nothing)
// for one scope, as a full disk stops a write: the write fails with EFBIG,
// no SIGXFSZ. The limit and the signal's handler come back with the scope.
class FileSizeLimit
{
    Q_DISABLE_COPY(FileSizeLimit)
public:
    explicit FileSizeLimit(rlim_t bytes)
        : m_handler(std::signal(SIGXFSZ, SIG_IGN))
    {
        if (getrlimit(RLIMIT_FSIZE, &m_previous) != 0)
            return;
        rlimit limit = m_previous;
        limit.rlim_cur = std::min(bytes, limit.rlim_max);
        m_set = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        if (m_set)
            setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_handler);
    }
    // False when the limit could not be set: a test would prove nothing.
    bool isSet() const { return m_set; }

private:
    void (*m_handler)(int);
    rlimit m_previous{};
    bool m_set = false;
};
