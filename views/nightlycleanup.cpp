#include "nightlycleanup.h"

#include "logtable.h"
#include "settingsfile.h"

#include <QSettings>

#include <limits>

namespace {

NightlyCleanup::Clock& defaultClockSlot()
{
    static NightlyCleanup::Clock clock;
    return clock;
}

} // namespace

NightlyCleanup::NightlyCleanup(const QString& keepDaysKey, const QString& lastClearKey)
    : m_keepDaysKey(keepDaysKey)
    , m_lastClearKey(lastClearKey)
    , m_clock(defaultClock())
{
}

void NightlyCleanup::setDefaultClock(Clock clock)
{
    defaultClockSlot() = std::move(clock);
}

NightlyCleanup::Clock NightlyCleanup::defaultClock()
{
    return defaultClockSlot();
}

int NightlyCleanup::keepDays(const QSettings& settings, const QString& key)
{
    return SettingsFile::intValue(settings, key, kDefaultKeepDays, 0, std::numeric_limits<int>::max());
}

void NightlyCleanup::load()
{
    const auto settings = LogTable::openSettings();
    m_lastClear = settings->value(m_lastClearKey, now().date().addDays(-kDefaultLastClearAge)).toDate();
}

void NightlyCleanup::setClock(Clock clock)
{
    m_clock = std::move(clock);
}

QDateTime NightlyCleanup::now() const
{
    return m_clock ? m_clock() : QDateTime::currentDateTime();
}

bool NightlyCleanup::isCleanupMinute() const
{
    const QTime time = now().time();
    return time.hour() == 0 && time.minute() == 0;
}

int NightlyCleanup::dueKeepDays() const
{
    const QDate today = now().date();
    // Once a day at most: with keep-days 0 every tick of the minute would
    // otherwise clear the whole log again.
    if (m_lastClear == today)
        return -1;

    const auto settings = LogTable::openSettings();
    const QVariant stored = settings->value(m_keepDaysKey);
    if (stored != m_storedKeepDays) {
        m_storedKeepDays = stored;
        m_keepDays = keepDays(*settings, m_keepDaysKey);
    }

    if (m_lastClear.isValid() && m_keepDays > m_lastClear.daysTo(today))
        return -1;
    return m_keepDays;
}

void NightlyCleanup::markDone()
{
    m_lastClear = now().date();
    SettingsFile::setValue(m_lastClearKey, m_lastClear);
}
