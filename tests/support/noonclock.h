#pragma once

#include <QDateTime>
#include <QElapsedTimer>

// Noon of the day the run began, running on from there. A test that pins the
// logs' clock to it (NightlyCleanup::setDefaultClock) meets neither midnight
// nor the clean-up's first minute after it, whenever it runs.
inline QDateTime noonOfTheRun()
{
    static const QDateTime noon(QDate::currentDate(), QTime(12, 0));
    static const QElapsedTimer running = [] {
        QElapsedTimer timer;
        timer.start();
        return timer;
    }();
    return noon.addMSecs(running.elapsed());
}
