#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QSqlDatabase>
#include <QSqlRecord>
#include <QString>
#include <QVariant>
#include <QVector>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

class QSqlError;
class QSqlQuery;
class QTextCodec;
class SqliteTempLimit;
class SqliteValueLimit;
struct sqlite3;

// One SQL data source of a report page: a connection of its own and the
// query run on it. Field texts read column values of a record through it,
// database-image fields read pictures.
//
// A connection name that is empty or already registered is replaced by one
// private to this object, so a report can never take over or close the
// program's own (default) connection, whose logs must keep running while a report is printed; the
// connection is removed again when the object is destroyed.
//
// A report only reads: an SQLite connection is opened read-only and runs
// nothing but queries that read (no attaching, no copying the database
// elsewhere).
//
// The rows are counted and read forward, never held all at once: a query
// may give millions, or never end. Rows go by inside one read transaction,
// so every pass over them sees the same rows; the last few read stay at hand
// (a data group's footer reads its first record again), and a record before
// them runs the query again from its start.
//
// An SQLite query is held to five bounds: its records, the steps it takes
// without giving a record (a sort, or a count, over rows that never end),
// the time it works, the size of one value, and the bytes of its temporary
// files (a sort's, put on disk as it goes). A query stopped at one, refused,
// or failed gives no records; its page prints why.
class ReportSql : public QObject
{
    Q_OBJECT
public:
    // A query giving more records than this is stopped, and its report page
    // prints why instead of its records. Tests lower the bound.
    static constexpr int DefaultRecordLimit = 10'000'000;
    static void setRecordLimit(int records);
    static int recordLimit();
    // SQLite's virtual-machine steps a query may take without giving a
    // record: a hundred for each record of DefaultRecordLimit. Tests lower
    // the bound.
    static constexpr qint64 DefaultStepLimit = 1'000'000'000;
    static void setStepLimit(qint64 steps);
    // The time one run of a query may work, counting its records or reading
    // them, whatever its records and steps: a query that gives a record only
    // now and then, or whose rows each cost much, ends too. The largest
    // source a report takes, a sort of DefaultRecordLimit records of 200
    // bytes, works about half a minute. The time the program's events take
    // meanwhile, and the report's own between two records, does not count.
    // Tests lower the bound.
    static constexpr qint64 DefaultTimeLimitMs = 120'000;
    static void setTimeLimit(qint64 milliseconds);
    // The clock the time bound reads, in nanoseconds from any start. Tests
    // drive it, so that what the bound stops does not depend on how busy the
    // machine is; an empty one puts the steady clock back.
    using Clock = std::function<qint64()>;
    static void setClock(Clock clock);
    // The bytes of one value (a text, a picture): a longer one stops the
    // query as it is made or read, before it takes the memory and the time
    // it asks for. Tests lower the bound.
    static constexpr int DefaultValueBytes = 16 * 1024 * 1024;
    static void setValueLimit(int bytes);
    // The bytes the temporary files of a query may hold together: a sort of
    // DefaultRecordLimit records of 200 bytes each. Tests lower the bound.
    static constexpr qint64 DefaultTempBytes = qint64(2) * 1024 * 1024 * 1024;
    static void setTempLimit(qint64 bytes);
    // A limit of that many bytes for the temporary files of sources that
    // share it (those of one report), which hold it together.
    static std::shared_ptr<SqliteTempLimit> makeTempLimit();
    // Rows at hand behind the last one read, by their size in memory.
    static constexpr qint64 KeptRowBytes = 16 * 1024 * 1024;

    ReportSql(QString dbType, QString dbName, QString dbHost, QString dbUser, QString dbPassword,
              int dbPort, QString dbConnectionName, QObject* parent = nullptr);
    ~ReportSql() override;

    // The limit its temporary files count against, set before openQuery;
    // else a limit of its own.
    void shareTempLimit(std::shared_ptr<SqliteTempLimit> limit) { m_tempLimit = std::move(limit); }

    // Called about every 50 ms while rows are counted or read: lets the
    // program's events through; false stops the rows (a cancelled report,
    // the program's end).
    using KeepGoing = std::function<bool()>;
    void setKeepGoing(KeepGoing keepGoing) { m_keepGoing = std::move(keepGoing); }

    // Opens the connection, runs `sqlQuery` and counts its records; true
    // when the query ran. The codec `charsetCoding` names converts the
    // values that come as bytes to text; the process's codecs stay as they
    // are.
    bool openQuery(QString sqlQuery, QString dbCoding, QString charsetCoding);
    // Why the source gives no records, which its page prints in their place:
    // it was stopped at a bound, refused, or could not be read. Empty when it
    // gave its records or the rendering stopped it.
    QString noRecordsReason() const { return m_reason; }

    // The report is done with the source for now: its query lets go of
    // what it holds (a sort's temporary files), keeping the rows at hand; a
    // record past them runs it again.
    void release();

    int getRecordCount();
    QString getFieldValue(QString fieldName, int recNo);
    QImage getFieldImage(QString fieldName, int recNo);

    // A field-text reference such as "[ds.b]" read at `recNo`: the empty
    // text (or a null image) when the reference does not contain this
    // source's object name (every reference contains an empty one);
    // otherwise the named column's value.
    QString getReferenceValue(const QString& reference, int recNo);
    QImage getReferenceImage(const QString& reference, int recNo);
    // The column a reference names: brackets and "<object name>." removed;
    // empty when the reference does not name this source.
    QString referenceColumn(const QString& reference) const;

    // The name the connection is registered under.
    QString connectionName() const { return m_connectionName; }

    // Whether a "set names" statement is sent for this driver and character
    // set: only to MySQL servers, and only for a plain character-set name,
    // since the name goes into the statement text.
    static bool sendsSetNames(const QString& driverName, const QString& dbCoding);

private:
    QString privateConnectionName(const QString& wanted) const;
    bool onlyReads();
    // Lets the events through within one long step of a statement too.
    void watchSteps();
    static int stepProgress(void* self);
    void stop(const QString& reason);
    // No value longer than the bound is made or read.
    void limitValues();
    void limitTempFiles();
    void keepTempOnDisk();
    // The page's reason why the query gave no records, and the log's line.
    void giveReason(const QString& reason);
    void readingFailed(const QSqlError& error);
    void setNames(const QString& dbCoding);
    void countRecords();
    // Lets the events through once a slice is over; false to stop.
    bool sliceDone();
    // The query's calls, timed as its work: a run from its start, and its
    // next record.
    bool execute();
    bool fetchNext();
    void startWorking();
    void stopWorking();
    qint64 workedMs() const;
    // The value of `fieldName` at `recNo`; invalid (with the reason logged)
    // when there is nothing to read.
    QVariant valueAt(const QString& fieldName, int recNo);
    // The row `recNo`, read on to or from the query's start; null when the
    // query ends before it or reading stops.
    const QVector<QVariant>* row(int recNo);
    void restart();
    void keepRow();

    QString m_connectionName;
    QString m_dbName;
    // Go after the connection that opens its files, and calls functions,
    // through them.
    std::shared_ptr<SqliteTempLimit> m_tempLimit;
    std::unique_ptr<SqliteValueLimit> m_valueLimit;
    QSqlDatabase m_db;
    std::unique_ptr<QSqlQuery> m_query;
    QString m_queryText;
    int m_recordCount = 0;
    // Whether the query ran and was counted: its records can be read.
    bool m_ran = false;
    QString m_reason;
    QTextCodec* m_codec = nullptr;
    KeepGoing m_keepGoing;
    QElapsedTimer m_slice;
    // The SQLite connection whose steps are watched, whether a step was
    // stopped because the rows are to stop, and the steps taken since the
    // query's last record (or its start).
    sqlite3* m_watched = nullptr;
    bool m_interrupted = false;
    qint64 m_stepsWithoutRecord = 0;
    // The time the run under way has worked in the calls that ended, and
    // when the call running now started (none between calls, and while the
    // events go through).
    qint64 m_workedNs = 0;
    std::optional<qint64> m_workingSince;
    // The query's columns, and the rows at hand: the last one read is the
    // query's current row, numbered m_at.
    QSqlRecord m_columns;
    struct KeptRow
    {
        QVector<QVariant> values;
        qint64 bytes = 0;
    };
    std::deque<KeptRow> m_kept;
    qint64 m_keptBytes = 0;
    int m_at = -1;
};
