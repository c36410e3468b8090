#include "alarmlogfeed.h"

#include "logtable.h"

#include <QDateTime>
#include <QThread>

#include <algorithm>

AlarmLogFeed::AlarmLogFeed(const QString& insertStatement, QObject* parent)
    : QObject(parent)
    , m_insert(insertStatement)
    , m_batch(WriteBatch::instance())
    , m_clock(NightlyCleanup::defaultClock())
{
    m_flush.setSingleShot(true);
    m_flush.setInterval(FlushDelayMs);
    connect(&m_flush, &QTimer::timeout, this, &AlarmLogFeed::arrived);
    connect(&m_batch, &WriteBatch::written, this, &AlarmLogFeed::forget);
    connect(&m_batch, &WriteBatch::refused, this, &AlarmLogFeed::forgetRefused);
}

void AlarmLogFeed::setClock(NightlyCleanup::Clock clock)
{
    std::lock_guard<std::mutex> locker(m_mutex);
    m_clock = std::move(clock);
    m_stampSecond = -1;
}

// Under m_mutex. The system clock's text is made once a second: local
// time costs a look at the time zone each time.
QString AlarmLogFeed::stamp()
{
    const QLatin1String format(LogTable::kStampFormat);
    if (m_clock)
        return m_clock().toString(format);
    const qint64 second = QDateTime::currentMSecsSinceEpoch() / 1000;
    if (second != m_stampSecond) {
        m_stampSecond = second;
        m_stampText = QDateTime::fromSecsSinceEpoch(second).toString(format);
    }
    return m_stampText;
}

// From another thread the row goes to the writer under the mutex, so that
// its ticket is known here before the writer can tell it written. This
// thread hears of written rows only after the call, or of earlier rows
// within it (when the writer changes files), and must not hold the mutex.
void AlarmLogFeed::add(const QString& source, const QString& reason, const QString& message)
{
    const bool here = QThread::currentThread() == thread();
    std::unique_lock<std::mutex> locker(m_mutex);
    const QString stamp = this->stamp();
    if (here)
        locker.unlock();
    const quint64 ticket = m_batch.append(m_insert, {stamp, source, reason, message}).ticket;
    if (here)
        locker.lock();
    std::vector<LogModel::Arrival>& waiting = m_waiting.rows;
    if (ticket) {
        m_unwritten.insert(ticket);
        if (waiting.size() >= size_t(MaxWaitingRows)) {
            // The older half at once: the view reads the table anew anyway.
            const auto kept = waiting.begin() + MaxWaitingRows / 2;
            m_waiting.missedUpTo = (kept - 1)->ticket;
            waiting.erase(waiting.begin(), kept);
        }
        // In the order of the tickets, which two threads may take the other way round.
        const auto at = std::upper_bound(waiting.begin(), waiting.end(), ticket,
                                         [](quint64 t, const LogModel::Arrival& a) { return t < a.ticket; });
        waiting.insert(at, {ticket, {QVariant(), stamp, source, reason, message}});
    } else {
        m_waiting.turnedAway = true;
    }
    if (m_flushAsked)
        return;
    m_flushAsked = true;
    if (here)
        m_flush.start();
    else
        QMetaObject::invokeMethod(&m_flush, QOverload<>::of(&QTimer::start), Qt::QueuedConnection);
}

AlarmLogFeed::Batch AlarmLogFeed::take()
{
    std::lock_guard<std::mutex> locker(m_mutex);
    Batch batch;
    std::swap(batch, m_waiting);
    m_flushAsked = false;
    return batch;
}

// A row written before the view took it goes there with its key.
void AlarmLogFeed::forgetWritten()
{
    std::lock_guard<std::mutex> locker(m_mutex);
    std::vector<LogModel::Arrival>& waiting = m_waiting.rows;
    waiting.erase(std::remove_if(waiting.begin(), waiting.end(),
                                 [](const LogModel::Arrival& row) { return row.cells[0].isValid(); }),
                  waiting.end());
}

void AlarmLogFeed::forget(const WriteBatch::WrittenRows& rows)
{
    std::lock_guard<std::mutex> locker(m_mutex);
    std::vector<LogModel::Arrival>& waiting = m_waiting.rows;
    for (const WriteBatch::WrittenRow& row : rows) {
        if (!m_unwritten.remove(row.ticket))
            continue;
        const auto at = std::lower_bound(waiting.begin(), waiting.end(), row.ticket,
                                         [](const LogModel::Arrival& a, quint64 t) { return a.ticket < t; });
        if (at != waiting.end() && at->ticket == row.ticket)
            at->cells[0] = row.key;
    }
}

void AlarmLogFeed::forgetRefused(quint64 ticket, const QString& error)
{
    bool ours = false;
    {
        std::lock_guard<std::mutex> locker(m_mutex);
        ours = m_unwritten.remove(ticket);
    }
    if (ours)
        emit refused(error);
}
