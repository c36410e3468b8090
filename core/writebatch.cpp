#include "writebatch.h"
#include "corelogging.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDebug>
#include <QMutex>
#include <QSqlDatabase>
#include <QWaitCondition>

#include <utility>

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
    const bool done = waitForWriter([](LogWriter& writer) { return writer.commit(); }, CommitWaitMs);
    deliver();
    return done;
}

void WriteBatch::setCommitDelay(int msecs)
{
    m_commitDelayMs = msecs;
    onWriter([msecs](LogWriter& writer) { writer.setCommitDelay(msecs); });
}

void WriteBatch::setRetryDelay(int msecs)
{
    m_retryDelayMs = msecs;
    onWriter([msecs](LogWriter& writer) { writer.setRetryDelay(msecs); });
}

void WriteBatch::setStallAlertDelay(int msecs)
{
    m_stallAlertMs = msecs;
    onWriter([msecs](LogWriter& writer) { writer.setStallAlertDelay(msecs); });
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
        thread->start();
        // Opening reads nothing from the file yet: no lock, no sync to wait for.
        bool opened = false;
        QString error;
        LogWriter* opening = writer.get();
        QMetaObject::invokeMethod(
            opening, [opening, &file, &opened, &error] { opened = opening->openOwn(file, &error); },
            Qt::BlockingQueuedConnection);
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
    };
    if (m_thread) {
        // On the writer's thread as it ends: no event is needed, and none
        // is delivered any more while the application object goes.
        LogWriter* writer = m_writer.get();
        connect(m_thread.get(), &QThread::finished, writer, [writer, last] { last(*writer); },
                Qt::DirectConnection);
        m_thread->quit();
        m_thread->wait();
        m_thread.reset();
    } else {
        last(*m_writer);
    }
    m_writer.reset();
    deliver();
    m_pending = 0;
}

void WriteBatch::onWriter(std::function<void(LogWriter&)> work)
{
    if (!m_writer)
        return;
    if (!m_thread) {
        work(*m_writer);
        return;
    }
    LogWriter* writer = m_writer.get();
    QMetaObject::invokeMethod(writer, [writer, work = std::move(work)] { work(*writer); }, Qt::QueuedConnection);
}

// Runs `work` on the writer and waits at most `msecs` for its result; false
// when it did not come in time.
bool WriteBatch::waitForWriter(const std::function<bool(LogWriter&)>& work, int msecs)
{
    if (!m_thread)
        return work(*m_writer);
    struct Answer
    {
        QMutex mutex;
        QWaitCondition arrived;
        bool done = false;
        bool result = false;
    };
    // Shared: the writer may answer after this call has given up.
    auto answer = std::make_shared<Answer>();
    LogWriter* writer = m_writer.get();
    QMetaObject::invokeMethod(
        writer,
        [writer, work, answer] {
            const bool result = work(*writer);
            QMutexLocker locker(&answer->mutex);
            answer->done = true;
            answer->result = result;
            answer->arrived.wakeAll();
        },
        Qt::QueuedConnection);
    const QDeadlineTimer deadline(msecs);
    QMutexLocker locker(&answer->mutex);
    while (!answer->done && answer->arrived.wait(&answer->mutex, deadline)) {
    }
    if (!answer->done)
        qCWarning(lcCore) << "Log rows: the writer did not answer within" << msecs << "ms, they wait on";
    return answer->done && answer->result;
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
