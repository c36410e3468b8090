#include "writebatch.h"
#include "corelogging.h"
#include "threadannotations.h"

#include <QCoreApplication>
#include <QDebug>
#include <QEvent>
#include <QSqlDatabase>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

namespace {

// What work run on the writer's thread gave, handed back under a standard
// mutex: its locking is visible to ThreadSanitizer, Qt's own is not.
class Answer
{
public:
    void give(bool result)
    {
        std::lock_guard<std::mutex> locker(m_mutex);
        m_done = true;
        m_result = result;
        m_arrived.notify_all();
    }
    // False when it did not come within `msecs` (-1: until it comes) or
    // was false.
    bool wait(int msecs)
    {
        std::unique_lock<std::mutex> locker(m_mutex);
        if (msecs < 0)
            m_arrived.wait(locker, [this] { return m_done; });
        else
            m_arrived.wait_for(locker, std::chrono::milliseconds(msecs), [this] { return m_done; });
        if (!m_done)
            qCWarning(lcCore) << "Log rows: the writer did not answer within" << msecs << "ms, they wait on";
        return m_done && m_result;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    bool m_done = false;
    bool m_result = false;
};

// Used on the GUI thread only.
WriteBatch* g_current = nullptr;
WriteBatch* g_madeOnUse = nullptr;

void endMadeOnUse()
{
    delete std::exchange(g_madeOnUse, nullptr);
}

} // namespace

WriteBatch::WriteBatch()
{
    qRegisterMetaType<LogWrittenRows>();
    qRegisterMetaType<LogWrittenRows>("WriteBatch::WrittenRows");
    m_previous = g_current;
    g_current = this;
}

WriteBatch::~WriteBatch()
{
    if (QCoreApplication::instance())
        finish();
    else
        lastChance();
    if (g_current == this)
        g_current = m_previous.data();
}

WriteBatch& WriteBatch::instance()
{
    if (!g_current) {
        g_madeOnUse = new WriteBatch;
        qAddPostRoutine(endMadeOnUse);
    }
    return *g_current;
}

void WriteBatch::finishCurrent()
{
    if (g_current)
        g_current->finish();
}

WriteBatch::Receipt WriteBatch::append(const QString& statement, const QVariantList& values)
{
    Receipt receipt;
    if (m_counters.pending.load() >= MaxQueuedRows)
        return receipt;
    const bool here = QThread::currentThread() == thread();
    if (here)
        follow();
    std::lock_guard<std::mutex> locker(m_handOver);
    receipt.ticket = ++m_lastTicket;
    ++m_counters.pending;
    if (here || (m_writer && m_detoured == 0)) {
        handOver(receipt.ticket, statement, values);
    } else {
        // Only this thread may find the default connection's file and start
        // a writer for it.
        ++m_detoured;
        QMetaObject::invokeMethod(
            this, [this, ticket = receipt.ticket, statement, values] { handOverHere(ticket, statement, values); },
            Qt::QueuedConnection);
    }
    return receipt;
}

// Under m_handOver.
void WriteBatch::handOver(quint64 ticket, const QString& statement, const QVariantList& values)
{
    LogWriter* writer = m_writer.get();
    if (m_thread || QThread::currentThread() != writer->thread())
        writer->post([writer, ticket, statement, values] { writer->take(ticket, statement, values); });
    else
        writer->take(ticket, statement, values);
}

void WriteBatch::handOverHere(quint64 ticket, const QString& statement, const QVariantList& values)
{
    follow();
    std::lock_guard<std::mutex> locker(m_handOver);
    handOver(ticket, statement, values);
    --m_detoured;
}

bool WriteBatch::commit()
{
    follow();
    const bool done = onWriter([](LogWriter& writer) { return writer.commit(); }, CommitWaitMs);
    deliver();
    return done;
}

void WriteBatch::finish()
{
    {
        std::lock_guard<std::mutex> locker(m_handOver);
        retire(ExitBusyTimeoutMs);
    }
    deliver();
}

void WriteBatch::setCommitDelay(int msecs)
{
    m_commitDelayMs = msecs;
    applyDelays();
}

void WriteBatch::setRetryDelay(int msecs)
{
    m_retryDelayMs = msecs;
    applyDelays();
}

void WriteBatch::setStallAlertDelay(int msecs)
{
    m_stallAlertMs = msecs;
    applyDelays();
}

void WriteBatch::applyDelays()
{
    LogWriter* writer = m_writer.get();
    if (!writer)
        return;
    const auto apply = [writer, commit = m_commitDelayMs, retry = m_retryDelayMs, stall = m_stallAlertMs] {
        writer->setCommitDelay(commit);
        writer->setRetryDelay(retry);
        writer->setStallAlertDelay(stall);
    };
    if (m_thread)
        writer->post(apply);
    else
        apply();
}

// The writer writes to the file the default connection has open. While that
// connection is closed it keeps to the last one.
void WriteBatch::follow()
{
    const QSqlDatabase db = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
    const QString file = db.isOpen() ? db.databaseName() : QString();
    if (m_writer && (file.isEmpty() || file == m_file))
        return;
    {
        std::lock_guard<std::mutex> locker(m_handOver);
        retire(0);
        start(file);
    }
    deliver();
}

// On a thread of its own rather than the database manager's: the upkeep's
// one-time rewrite of an old file would hold the rows for its whole length,
// and the batch works without the manager (tests, benches).
void WriteBatch::start(const QString& file)
{
    m_file = file;
    m_writer = std::make_unique<LogWriter>(m_counters);
    connectWriter();
    applyDelays();
    if (file.isEmpty())
        return;
    m_thread = std::make_unique<QThread>();
    m_thread->setObjectName(QStringLiteral("LogWriterThread"));
    m_writer->moveToThread(m_thread.get());
    announceThreadEnd(m_thread.get());
    m_thread->start();
    // Opening reads nothing from the file yet: no lock, no sync to wait for,
    // on a thread that has nothing else to do.
    QString error;
    if (onWriter([&file, &error](LogWriter& writer) { return writer.openOwn(file, &error); }, -1)) {
        // Ahead of Qt's own routine, which closes every connection.
        if (this == g_madeOnUse) {
            qRemovePostRoutine(endMadeOnUse);
            qAddPostRoutine(endMadeOnUse);
        }
        return;
    }
    endThread(m_thread.get());
    m_thread.reset();
    qCWarning(lcCore) << "Log writer: its own connection to" << file
                      << "did not open, log rows are written on the GUI thread:" << error;
    m_writer = std::make_unique<LogWriter>(m_counters);
    connectWriter();
    applyDelays();
}

// Queued, also on this thread: `commit` tells what its write did by
// delivering them before it returns.
void WriteBatch::connectWriter()
{
    LogWriter* writer = m_writer.get();
    connect(writer, &LogWriter::written, this, &WriteBatch::written, Qt::QueuedConnection);
    connect(writer, &LogWriter::refused, this, &WriteBatch::refused, Qt::QueuedConnection);
    connect(writer, &LogWriter::stalled, this, &WriteBatch::stalled, Qt::QueuedConnection);
    connect(writer, &LogWriter::readOnly, this, &WriteBatch::readOnly, Qt::QueuedConnection);
    connect(writer, &LogWriter::resumed, this, &WriteBatch::resumed, Qt::QueuedConnection);
    connect(writer, &LogWriter::lost, this, &WriteBatch::lost, Qt::QueuedConnection);
}

// Rows left for the writer's file are written there, waiting `busyTimeoutMs`
// for a lock; the default connection has another file open by now when the
// writer used it, and those rows are dropped. Under m_handOver; what the
// writer did is told once that is released.
void WriteBatch::retire(int busyTimeoutMs)
{
    if (!m_writer)
        return;
    const QSqlDatabase db = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
    const bool ownFile = m_thread || db.databaseName() == m_file;
    if (!ownFile && m_counters.pending.load() > 0)
        qCWarning(lcCore) << "Log rows for" << m_file << "dropped, another database is open:" << m_counters.pending;
    onWriter(
        [busyTimeoutMs, ownFile](LogWriter& writer) {
            if (ownFile)
                writer.finish(busyTimeoutMs);
            else
                writer.drop();
            return true;
        },
        -1);
    if (m_thread) {
        endThread(m_thread.get());
        m_thread.reset();
    }
    m_writer.reset();
}

// The application object is going and delivers no call any more: the
// writer's thread is ended, and what it had not written is lost. Only a
// batch nobody finished comes here.
void WriteBatch::lastChance()
{
    if (!m_writer)
        return;
    if (m_thread) {
        endThread(m_thread.get());
        m_thread.reset();
        QSqlDatabase::removeDatabase(QLatin1String(LogWriter::OwnConnection));
    } else {
        m_writer->finish(ExitBusyTimeoutMs);
    }
    if (m_counters.pending.load() > 0)
        qCWarning(lcCore) << "Log rows lost, the log writer was not finished:" << m_counters.pending;
    m_writer.reset();
}

// Runs `work` on the writer's thread and waits at most `msecs` (-1: until it
// is done) for its result; false when it did not come in time.
bool WriteBatch::onWriter(const std::function<bool(LogWriter&)>& work, int msecs)
{
    if (!m_thread)
        return work(*m_writer);
    // Shared: the writer may answer after this call has given up.
    auto answer = std::make_shared<Answer>();
    LogWriter* writer = m_writer.get();
    writer->post([writer, work, answer] { answer->give(work(*writer)); });
    return answer->wait(msecs);
}

// The writer's events and the rows they carry come through Qt's event
// queue, whose hand-off ThreadSanitizer does not see; the writer announces
// each.
bool WriteBatch::event(QEvent* event)
{
    announceAcquire(&m_counters);
    return QObject::event(event);
}

// What the writer did, told on this thread in its order.
void WriteBatch::deliver()
{
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}
