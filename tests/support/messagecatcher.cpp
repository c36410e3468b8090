#include "messagecatcher.h"

#include <atomic>

namespace {
std::atomic<MessageCatcher*> g_activeCatcher{nullptr};
}

MessageCatcher::MessageCatcher()
{
    m_outer = g_activeCatcher.exchange(this);
    m_previous = qInstallMessageHandler(&MessageCatcher::handler);
}

MessageCatcher::~MessageCatcher()
{
    qInstallMessageHandler(m_previous);
    g_activeCatcher.store(m_outer);
}

void MessageCatcher::handler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    MessageCatcher* catcher = g_activeCatcher.load();
    if (!catcher)
        return;
    {
        QMutexLocker locker(&catcher->m_mutex);
        catcher->m_messages.append(message);
    }
    if (catcher->m_previous)
        catcher->m_previous(type, context, message);
}

QStringList MessageCatcher::messages() const
{
    QMutexLocker locker(&m_mutex);
    return m_messages;
}

bool MessageCatcher::contains(const QString& fragment) const
{
    QMutexLocker locker(&m_mutex);
    for (const QString& message : m_messages) {
        if (message.contains(fragment))
            return true;
    }
    return false;
}

void MessageCatcher::clear()
{
    QMutexLocker locker(&m_mutex);
    m_messages.clear();
}

QStringList MessageCatcher::wiringFaults() const
{
    static const char* const faults[] = {
        "Cannot queue arguments",
        "does not belong to the calling thread",
        "QObject::connect: No such signal",
        "QObject::connect: No such slot",
        "QObject::connect: Cannot connect",
        "QObject: Cannot create children for a parent that is in a different thread",
        "QBasicTimer can only be used with threads started with QThread",
        "Timers cannot be started from another thread",
    };
    QStringList found;
    QMutexLocker locker(&m_mutex);
    for (const QString& message : m_messages) {
        for (const char* fault : faults) {
            if (message.contains(QLatin1String(fault)))
                found.append(message);
        }
    }
    return found;
}
