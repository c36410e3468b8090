#include "deviceunit.h"

#include "threadannotations.h"

#include <QMetaObject>
#include <QThread>

DeviceUnit::DeviceUnit(std::unique_ptr<QObject> unit, const QString& threadName, QObject* threadParent)
    : m_unit(std::move(unit))
    , m_thread(new QThread(threadParent))
{
    m_thread->setObjectName(threadName);
    announceThreadEnd(m_thread);
    m_unit->moveToThread(m_thread);
}

DeviceUnit::~DeviceUnit()
{
    stop();
}

void DeviceUnit::start()
{
    m_thread->start(QThread::InheritPriority);
}

void DeviceUnit::stop()
{
    if (!m_unit)
        return;
    if (m_thread->isRunning() && m_stopStep)
        m_stopStep();
    endThread(m_thread);
    m_unit.reset();
}
