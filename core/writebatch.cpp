#include "writebatch.h"
#include "corelogging.h"

#include <QCoreApplication>
#include <QDebug>
#include <QSqlDatabase>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

// What work run on the writer's thread gave, handed back under a standard
// mutex: its locking is visible to ThreadSanitizer, Qt's own is not.
class WriteBatch::Answer
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

WriteBatch::WriteBatch(QObject* parent)
    : QObject(parent)
    , m_outbox([this] { QMetaObject::invokeMethod(this, &WriteBatch::deliver, Qt::QueuedConnection); })
{
    qRegisterMetaType<WriteBatch::WrittenRows>("WriteBatch::WrittenRows");
}

WriteBatch::~WriteBatch()
{
    retire(ExitBusyTimeoutMs);
}

WriteBatch& WriteBatch::instance()
{
    static QPointer<WriteBatch> batch;
    if (!batch) {
        // Parented to the application so it goes before the connection does;
        // rows still waiting when the event loop ends are written then.
        batch = new WriteBatch(QCoreApplication::instance());
        if (QCoreApplication::instance())
            connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, batch.data(), &WriteBatch::commit);
    }
    return *batch;
}

WriteBatch::Receipt WriteBatch::append(const QString& statement, const QVariantList& values)
{
    Receipt receipt;
    if (m_pending >= MaxQueuedRows)
        return receipt;
    follow();
    receipt.ticket = ++m_lastTicket;
    ++m_pending;
    m_writer->hand(receipt.ticket, statement, values);
    return receipt;
}

bool WriteBatch::commit()
{
    follow();
    const bool done = waitForWriter(m_writer.get(), [](LogWriter& writer) { return writer.commit(); }, CommitWaitMs);
    deliver();
    return done;
}

void WriteBatch::setCommitDelay(int msecs)
{
    setDelay(&m_commitDelayMs, &LogWriter::setCommitDelay, msecs);
}

void WriteBatch::setRetryDelay(int msecs)
{
    setDelay(&m_retryDelayMs, &LogWriter::setRetryDelay, msecs);
}

void WriteBatch::setStallAlertDelay(int msecs)
{
    setDelay(&m_stallAlertMs, &LogWriter::setStallAlertDelay, msecs);
}

// Kept for the writers to come, and told the one there is.
void WriteBatch::setDelay(int* kept, void (LogWriter::*set)(int), int msecs)
{
    *kept = msecs;
    onWriter([set, msecs](LogWriter& writer) {
        (writer.*set)(msecs);
        return true;
    });
}

// The writer writes to the file the default connection has open. While that
// connection is closed it keeps to the last one.
void WriteBatch::follow()
{
    const QSqlDatabase db = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
    const QString file = db.isOpen() ? db.databaseName() : QString();
    if (m_writer && (file.isEmpty() || file == m_file))
        return;
    retire(0);
    start(file);
}

// On a thread of its own rather than the database manager's: the upkeep's
// one-time rewrite of an old file would hold the rows for its whole length,
// and the batch works without the manager (tests, benches).
void WriteBatch::start(const QString& file)
{
    m_file = file;
    if (!file.isEmpty()) {
        auto thread = std::make_unique<QThread>();
        thread->setObjectName(QStringLiteral("LogWriterThread"));
        auto writer = makeWriter();
        writer->moveToThread(thread.get());
        // Made before the thread starts, so that the thread sees it whole.
        connect(thread.get(), &QThread::finished, writer.get(), &LogWriter::serveRequests, Qt::DirectConnection);
        thread->start();
        // Opening reads nothing from the file yet: no lock, no sync to wait
        // for, on a thread that has nothing else to do.
        QString error;
        const bool opened = waitForWriter(
            writer.get(), [&file, &error](LogWriter& opening) { return opening.openOwn(file, &error); }, -1);
        if (opened) {
            m_thread = std::move(thread);
            m_writer = std::move(writer);
            return;
        }
        thread->quit();
        thread->wait();
        qCWarning(lcCore) << "Log writer: its own connection to" << file
                          << "did not open, log rows are written on the GUI thread:" << error;
    }
    m_writer = makeWriter();
}

std::unique_ptr<LogWriter> WriteBatch::makeWriter()
{
    auto writer = std::make_unique<LogWriter>(m_outbox);
    writer->setCommitDelay(m_commitDelayMs);
    writer->setRetryDelay(m_retryDelayMs);
    writer->setStallAlertDelay(m_stallAlertMs);
    return writer;
}

// Rows left for the writer's file are written there, waiting `busyTimeoutMs`
// for a lock, by a writer of its own; the default connection has another
// file open by now, and a writer using it drops them.
void WriteBatch::retire(int busyTimeoutMs)
{
    if (!m_writer)
        return;
    const QSqlDatabase db = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
    const bool ownFile = m_thread || db.databaseName() == m_file;
    if (!ownFile && m_pending > 0)
        qCWarning(lcCore) << "Log rows for" << m_file << "dropped, another database is open:" << m_pending;
    const auto last = [busyTimeoutMs, ownFile](LogWriter& writer) {
        if (ownFile)
            writer.finish(busyTimeoutMs);
        else
            writer.drop();
        return true;
    };
    if (m_thread) {
        // Served on the writer's thread as it ends at the latest: while the
        // application object goes no posted call is delivered any more.
        auto answer = std::make_shared<Answer>();
        m_writer->request(last, [answer](bool result) { answer->give(result); });
        m_thread->quit();
        m_thread->wait();
        answer->wait(0);
        m_thread.reset();
    } else {
        last(*m_writer);
    }
    m_writer.reset();
    deliver();
    m_pending = 0;
}

void WriteBatch::onWriter(LogWriter::Work work)
{
    if (!m_writer)
        return;
    if (m_thread)
        m_writer->request(std::move(work));
    else
        work(*m_writer);
}

// Runs `work` on `writer`'s thread and waits at most `msecs` (-1: until it
// is done) for its result; false when it did not come in time.
bool WriteBatch::waitForWriter(LogWriter* writer, const LogWriter::Work& work, int msecs)
{
    if (writer->thread() == thread())
        return work(*writer);
    // Shared: the writer may answer after this call has given up.
    auto answer = std::make_shared<Answer>();
    writer->request(work, [answer](bool result) { answer->give(result); });
    return answer->wait(msecs);
}

// What the writer did, told on this thread in its order.
void WriteBatch::deliver()
{
    for (LogEvent& event : m_outbox.take()) {
        switch (event.kind) {
        case LogEvent::Written:
            m_pending -= event.rows.size();
            emit written(event.rows);
            break;
        case LogEvent::Refused:
            emit refused(event.ticket, event.text);
            break;
        case LogEvent::Stalled:
            emit stalled(event.text);
            break;
        case LogEvent::Resumed:
            emit resumed();
            break;
        case LogEvent::Dropped:
            m_pending -= event.count;
            break;
        }
    }
}
