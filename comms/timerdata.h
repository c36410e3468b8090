#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>

// One weekly relay timer: switches one relay of one IO card on at the start
// minute and off at the end minute on each enabled weekday.
struct TimerData
{
    QString name;
    QDateTime from;   // only the "hh:mm" of it counts
    QDateTime to;     // only the "hh:mm" of it counts
    bool onSent = false;   // ON already sent for the current start minute
    bool offSent = false;  // OFF already sent for the current end minute
    bool active = false;
    bool dayMon = false;
    bool dayTue = false;
    bool dayWed = false;
    bool dayThu = false;
    bool dayFri = false;
    bool daySat = false;
    bool daySun = false;
    QString IP;        // address text of the gateway that owns the card
    QString cardName;  // shown only
    int cardNo = 0;    // device number of the IO card
    int relayNo = 0;   // 1..8

    // dayOfWeek as QDate::dayOfWeek(): 1 = Monday … 7 = Sunday.
    bool runsOn(int dayOfWeek) const;
    void setAllDays(bool on);
};

Q_DECLARE_METATYPE(TimerData)
