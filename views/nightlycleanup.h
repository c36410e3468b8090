#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QVariant>

#include <functional>

class QSettings;

// The nightly age clean-up of one log: keep-days and the day of the last
// clean-up live in setting.ini. On a tick in the first minute after
// midnight the log clears rows older than keep-days once at least keep-days
// days have passed since the last clean-up, and at most once a day.
class NightlyCleanup
{
public:
    using Clock = std::function<QDateTime()>;

    static constexpr int kDefaultKeepDays = 30;
    static constexpr int kDefaultLastClearAge = 31;

    NightlyCleanup(const QString& keepDaysKey, const QString& lastClearKey);

    // The keep-days stored under `key`: one that is negative or not a whole
    // number counts as kDefaultKeepDays and is named in the log.
    static int keepDays(const QSettings& settings, const QString& key);

    // Reads the last clean-up day (default: today minus 31 days).
    void load();

    // Tests run the night at any time of day.
    void setClock(Clock clock);
    // The clock every clean-up and alarm feed made from now on starts with;
    // empty, the system's. Tests pin the day with it.
    static void setDefaultClock(Clock clock);
    static Clock defaultClock();
    QDateTime now() const;

    // Whether `now()` lies in the first minute after midnight.
    bool isCleanupMinute() const;

    // The keep-days to clear with when a clean-up is due now, or -1.
    int dueKeepDays() const;

    // Records today as the day of the last clean-up.
    void markDone();

    QDate lastClear() const { return m_lastClear; }

private:
    QString m_keepDaysKey;
    QString m_lastClearKey;
    QDate m_lastClear;
    Clock m_clock;
    // The stored keep-days last read and what it counts as: each tick of the
    // minute reads the key, and a refused value is named once, not each time.
    mutable QVariant m_storedKeepDays;
    mutable int m_keepDays = kDefaultKeepDays;
};
