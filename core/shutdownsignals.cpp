#include "shutdownsignals.h"
#include "corelogging.h"

#include <QDebug>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int Handled[] = {SIGTERM, SIGINT, SIGHUP};
// Read end, write end; the handler reaches it without a lock.
int g_pipe[2] = {-1, -1};

} // namespace

ShutdownSignals::ShutdownSignals(QObject* parent)
    : QObject(parent)
{
    if (g_pipe[0] >= 0 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        qCWarning(lcCore) << "Shutdown signals not handled:" << (g_pipe[0] >= 0 ? "handled already" : strerror(errno));
        return;
    }
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &ShutdownSignals::readPipe);
    struct sigaction action = {};
    action.sa_handler = &ShutdownSignals::handle;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i)
        sigaction(Handled[i], &action, &m_previous[i]);
}

ShutdownSignals::~ShutdownSignals()
{
    if (!m_notifier)
        return;
    for (int i = 0; i < 3; ++i)
        sigaction(Handled[i], &m_previous[i], nullptr);
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void ShutdownSignals::handle(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char number = static_cast<unsigned char>(signalNumber);
    // A full pipe already holds a request to end.
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &number, 1);
    errno = savedErrno;
}

void ShutdownSignals::readPipe()
{
    unsigned char numbers[16];
    ssize_t count = 0;
    while ((count = ::read(g_pipe[0], numbers, sizeof numbers)) > 0) {
        for (ssize_t i = 0; i < count; ++i) {
            qCInfo(lcCore) << "Signal" << numbers[i] << "received, the program ends";
            emit received(numbers[i]);
        }
    }
}
