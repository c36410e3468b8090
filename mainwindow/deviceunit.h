#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class QThread;

// One device unit and the thread it runs on. The unit has no parent and is
// owned here; the thread is a child of `threadParent` but is always finished
// before anything can destroy it. stop() runs the unit's stop step, where it
// has one (a unit that owns a timer on its thread, or that must take what
// was read for it first), ends the thread, waits for it and only then
// deletes the unit.
class DeviceUnit
{
public:
    DeviceUnit(std::unique_ptr<QObject> unit, const QString& threadName, QObject* threadParent);
    ~DeviceUnit();

    DeviceUnit(const DeviceUnit&) = delete;
    DeviceUnit& operator=(const DeviceUnit&) = delete;

    template<class T>
    T* unit() const { return static_cast<T*>(m_unit.get()); }
    QThread* thread() const { return m_thread; }

    // Called before the thread is asked to quit, while it still runs. Timers
    // must be stopped by the thread that started them, so the step hands a
    // slot of the unit to that thread and waits (a blocking queued call).
    void setStopStep(std::function<void()> step) { m_stopStep = std::move(step); }

    void start();
    void stop();

private:
    std::unique_ptr<QObject> m_unit;
    QThread* m_thread = nullptr;
    std::function<void()> m_stopStep;
};
