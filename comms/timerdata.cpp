#include "timerdata.h"

bool TimerData::runsOn(int dayOfWeek) const
{
    switch (dayOfWeek) {
    case 1: return dayMon;
    case 2: return dayTue;
    case 3: return dayWed;
    case 4: return dayThu;
    case 5: return dayFri;
    case 6: return daySat;
    case 7: return daySun;
    default: return false;
    }
}

void TimerData::setAllDays(bool on)
{
    dayMon = dayTue = dayWed = dayThu = dayFri = daySat = daySun = on;
}
