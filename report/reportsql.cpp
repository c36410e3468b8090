#include "reportsql.h"
#include "picturecache.h"
#include "reportlogging.h"
#include "sqlitetemplimit.h"
#include "sqlitevaluelimit.h"

#include <QDebug>
#include <QRegularExpression>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTextCodec>

#include <sqlite3.h>

#include <atomic>
#include <chrono>
#include <utility>

namespace {

int recordLimitValue = ReportSql::DefaultRecordLimit;
qint64 stepLimitValue = ReportSql::DefaultStepLimit;
qint64 timeLimitValue = ReportSql::DefaultTimeLimitMs;
ReportSql::Clock clockValue;
int valueLimitValue = ReportSql::DefaultValueBytes;
qint64 tempLimitValue = ReportSql::DefaultTempBytes;
constexpr qint64 BytesPerMegabyte = 1024 * 1024;
// How often counting or skipping rows lets the events through.
constexpr int SliceMs = 50;
// How many of SQLite's virtual-machine steps go between two looks at the
// clock while one statement step runs: some microseconds, or where each row
// calls costly functions, a fraction of a second.
constexpr int StepsBetweenLooks = 1000;

qint64 nowNs()
{
    if (clockValue)
        return clockValue();
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool isSqlite(const QString& driverName)
{
    return driverName.startsWith(QLatin1String("QSQLITE"));
}

// Near enough what a value holds in memory.
qint64 sizeInMemory(const QVariant& value)
{
    constexpr qint64 Small = 16;
    switch (value.userType()) {
    case QMetaType::QByteArray:
        return Small + value.toByteArray().size();
    case QMetaType::QString:
        return Small + 2 * value.toString().size();
    default:
        return Small;
    }
}

// A report reads. Its connection is opened read-only, which still lets a
// statement attach another file, making it if need be, or copy the whole
// database to any file (VACUUM INTO): the statements may only read.
int onlyReading(void*, int action, const char*, const char*, const char*, const char*)
{
    switch (action) {
    case SQLITE_SELECT:
    case SQLITE_READ:
    case SQLITE_FUNCTION:
    case SQLITE_RECURSIVE:
        return SQLITE_OK;
    default:
        return SQLITE_DENY;
    }
}

} // namespace

void ReportSql::setRecordLimit(int records)
{
    recordLimitValue = records;
}

int ReportSql::recordLimit()
{
    return recordLimitValue;
}

void ReportSql::setStepLimit(qint64 steps)
{
    stepLimitValue = steps;
}

void ReportSql::setTimeLimit(qint64 milliseconds)
{
    timeLimitValue = milliseconds;
}

void ReportSql::setClock(Clock clock)
{
    clockValue = std::move(clock);
}

void ReportSql::setValueLimit(int bytes)
{
    valueLimitValue = bytes;
}

void ReportSql::setTempLimit(qint64 bytes)
{
    tempLimitValue = bytes;
}

std::shared_ptr<SqliteTempLimit> ReportSql::makeTempLimit()
{
    return std::make_shared<SqliteTempLimit>(tempLimitValue);
}

ReportSql::ReportSql(QString dbType, QString dbName, QString dbHost, QString dbUser,
                     QString dbPassword, int dbPort, QString dbConnectionName, QObject* parent)
    : QObject(parent)
    , m_connectionName(privateConnectionName(dbConnectionName))
    , m_dbName(dbName)
{
    m_db = QSqlDatabase::addDatabase(dbType, m_connectionName);
    if (isSqlite(dbType))
        m_db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_OPEN_URI"));
    m_db.setDatabaseName(dbName);
    m_db.setHostName(dbHost);
    m_db.setUserName(dbUser);
    m_db.setPassword(dbPassword);
    if (dbPort != 0)
        m_db.setPort(dbPort);
}

ReportSql::~ReportSql()
{
    // Every handle on the connection must be gone before it is removed.
    m_query.reset();
    if (m_watched)
        sqlite3_progress_handler(m_watched, 0, nullptr, nullptr);
    m_db = QSqlDatabase();
    QSqlDatabase::removeDatabase(m_connectionName);
    m_valueLimit.reset();
    m_tempLimit.reset();
}

QString ReportSql::privateConnectionName(const QString& wanted) const
{
    // A template cannot know which names the program uses, and taking one
    // over would silently re-point that connection, so a name that is
    // empty or already taken gets a unique one of our own.
    if (!wanted.isEmpty() && !QSqlDatabase::contains(wanted))
        return wanted;
    static std::atomic<int> serial{0};
    QString name;
    do {
        name = QStringLiteral("ReportSql_%1").arg(++serial);
    } while (QSqlDatabase::contains(name));
    return name;
}

namespace {

bool isMySql(const QString& driverName)
{
    return driverName.contains(QLatin1String("MYSQL"));
}

} // namespace

bool ReportSql::sendsSetNames(const QString& driverName, const QString& dbCoding)
{
    static const QRegularExpression plainName(QStringLiteral("^[A-Za-z0-9_]+$"));
    return isMySql(driverName) && plainName.match(dbCoding).hasMatch();
}

void ReportSql::setNames(const QString& dbCoding)
{
    if (sendsSetNames(m_db.driverName(), dbCoding))
        m_query->exec(QStringLiteral("set names '%1'").arg(dbCoding));
    else if (!dbCoding.isEmpty() && isMySql(m_db.driverName()))
        qCWarning(lcReport) << "dbCoding is not a character set name, not sent:" << dbCoding;
}

// The SQLite connection behind an open database; null for other drivers.
static sqlite3* sqliteOf(const QSqlDatabase& db)
{
    const QVariant handle = db.driver()->handle();
    return qstrcmp(handle.typeName(), "sqlite3*") == 0 ? *static_cast<sqlite3* const*>(handle.data()) : nullptr;
}

bool ReportSql::onlyReads()
{
    sqlite3* db = sqliteOf(m_db);
    return db && sqlite3_set_authorizer(db, onlyReading, nullptr) == SQLITE_OK;
}

// A single step of a statement may run as long as the query likes (a sort
// before its first row, a count over rows that never end): SQLite asks
// between its own steps whether to go on, and so the window answers, and
// Cancel or the program's end stops it, then as well.
void ReportSql::watchSteps()
{
    m_watched = sqliteOf(m_db);
    if (m_watched)
        sqlite3_progress_handler(m_watched, StepsBetweenLooks, &ReportSql::stepProgress, this);
}

int ReportSql::stepProgress(void* self)
{
    auto* sql = static_cast<ReportSql*>(self);
    if (sql->m_interrupted)
        return 1;
    sql->m_stepsWithoutRecord += StepsBetweenLooks;
    if (sql->m_stepsWithoutRecord > stepLimitValue) {
        sql->stop(tr("The data source %1 was stopped: its query took more than %2 steps without giving a "
                     "record, more than a report waits for.").arg(sql->objectName()).arg(stepLimitValue));
    } else if (sql->workedMs() > timeLimitValue) {
        sql->stop(tr("The data source %1 was stopped: its query worked longer than %2 s, more than a report "
                     "waits for.").arg(sql->objectName(), QString::number(timeLimitValue / 1000.0)));
    } else if (!sql->sliceDone()) {
        sql->m_interrupted = true;
    }
    return sql->m_interrupted ? 1 : 0;
}

void ReportSql::stop(const QString& reason)
{
    m_interrupted = true;
    giveReason(reason);
}

// A text or blob past the bound fails as the query makes it (a printf of
// half a gigabyte fails at once) or reads it from a table.
void ReportSql::limitValues()
{
    sqlite3* db = sqliteOf(m_db);
    if (!db)
        return;
    m_valueLimit = std::make_unique<SqliteValueLimit>(db, valueLimitValue);
    if (!m_valueLimit->isValid())
        qCWarning(lcReport) << "The report's printf() may give NULL for a text longer than a value may be";
}

// Sorts and temporary tables go to files, which the limit holds, never to
// memory, which nothing would.
void ReportSql::keepTempOnDisk()
{
    QSqlQuery pragma(m_db);
    if (!pragma.exec(QStringLiteral("PRAGMA temp_store = FILE")))
        qCWarning(lcReport).noquote() << "The report's temporary storage may grow in memory:" << pragma.lastError().text();
}

void ReportSql::giveReason(const QString& reason)
{
    m_reason = reason;
    qCWarning(lcReport).noquote() << reason << "Query:" << m_queryText;
}

namespace {

QString errorText(const QSqlError& error)
{
    return error.databaseText().isEmpty() ? error.driverText() : error.databaseText();
}

} // namespace

// A reason is given once: a bound that stopped the query, or the failure
// that came first. A query the rendering stopped says nothing.
void ReportSql::readingFailed(const QSqlError& error)
{
    if (!m_reason.isEmpty())
        return;
    if (m_interrupted) {
        qCDebug(lcReport) << "The query was stopped before its records were read";
        return;
    }
    const QString source = objectName();
    if (m_tempLimit && m_tempLimit->exceeded())
        giveReason(tr("The data source %1 was stopped: its query needs more than %2 MB of temporary storage, more "
                      "than a report takes.").arg(source).arg(m_tempLimit->limit() / BytesPerMegabyte));
    else if (error.nativeErrorCode() == QString::number(SQLITE_AUTH) && isSqlite(m_db.driverName()))
        giveReason(tr("The data source %1 was not read: its query does more than read, and a report only reads.").arg(source));
    // The driver runs none of the statements then, and SQLite has no error
    // of its own to tell ("not an error").
    else if (error.nativeErrorCode() == QString::number(SQLITE_MISUSE) && isSqlite(m_db.driverName()))
        giveReason(tr("The data source %1 was not read: its query holds a second statement, and a data source holds "
                      "only one.").arg(source));
    else if (error.nativeErrorCode() == QString::number(SQLITE_TOOBIG) && isSqlite(m_db.driverName()))
        giveReason(tr("The data source %1 was stopped: its query gives a value of more than %2 MB, more than a "
                      "report prints.").arg(source).arg(valueLimitValue / BytesPerMegabyte));
    else
        giveReason(tr("The data source %1 was not read: %2.").arg(source, errorText(error)));
}

// Its temporary files are held to the limit: a sort of rows that never end
// would fill the disk the database is on.
void ReportSql::limitTempFiles()
{
    if (!m_tempLimit)
        m_tempLimit = makeTempLimit();
    if (m_tempLimit->isValid())
        m_db.setDatabaseName(m_tempLimit->uriFor(m_dbName));
    else
        qCWarning(lcReport) << "The report's temporary files could not be limited";
}

bool ReportSql::openQuery(QString sqlQuery, QString dbCoding, QString charsetCoding)
{
    m_queryText = sqlQuery;
    m_recordCount = 0;
    m_ran = false;
    m_reason.clear();
    m_interrupted = false;
    if (isSqlite(m_db.driverName()))
        limitTempFiles();
    if (m_db.open()) {
        qCDebug(lcReport) << "open DB";
    } else {
        qCWarning(lcReport).noquote() << "Failed open DB" << m_db.lastError().text();
        giveReason(tr("The data source %1 was not read: its database %2 could not be opened (%3).")
                       .arg(objectName(), m_dbName, errorText(m_db.lastError())));
    }
    if (m_db.isOpen() && isSqlite(m_db.driverName()))
        keepTempOnDisk();
    // Every pass over the rows reads them as the count found them, however
    // long the report takes: the logs go on being written meanwhile.
    if (m_db.isOpen() && m_db.driver()->hasFeature(QSqlDriver::Transactions) && !m_db.transaction())
        qCWarning(lcReport).noquote() << "The report's rows may change while it renders:" << m_db.lastError().text();
    if (m_db.isOpen() && isSqlite(m_db.driverName()) && !onlyReads()) {
        qCWarning(lcReport) << "The report's database connection could not be kept to reading; its query is not run";
        m_db.close();
        giveReason(tr("The data source %1 was not read: its connection could not be kept to reading.").arg(objectName()));
    }
    if (m_db.isOpen() && isSqlite(m_db.driverName())) {
        watchSteps();
        limitValues();
    }

    m_query = std::make_unique<QSqlQuery>(m_db);
    m_query->setForwardOnly(true);
    setNames(dbCoding);
    m_codec = charsetCoding.isEmpty() ? nullptr : QTextCodec::codecForName(charsetCoding.toLocal8Bit());
    if (!charsetCoding.isEmpty() && !m_codec)
        qCWarning(lcReport) << "charsetCoding names no codec, not applied:" << charsetCoding;

    m_slice.start();
    if (!execute()) {
        readingFailed(m_query->lastError());
        return false;
    }
    m_ran = true;
    m_columns = m_query->record();
    countRecords();
    return true;
}

// The count is asked for every value read: it is found once, reading the
// rows through without keeping them.
void ReportSql::countRecords()
{
    const int limit = recordLimitValue;
    int count = 0;
    bool complete = false;
    m_slice.start();
    // A count cancelled, stopped or failed leaves no records: nothing but
    // the reason is printed then.
    while (sliceDone()) {
        if (!fetchNext()) {
            complete = !m_interrupted && !m_query->lastError().isValid();
            break;
        }
        m_stepsWithoutRecord = 0;
        if (count == limit) {
            giveReason(tr("The data source %1 was stopped: its query gives more than %2 records, more than "
                          "a report prints.").arg(objectName()).arg(limit));
            break;
        }
        ++count;
    }
    if (m_query->lastError().isValid())
        readingFailed(m_query->lastError());
    m_recordCount = complete ? count : 0;
    m_kept.clear();
    m_keptBytes = 0;
    m_at = m_recordCount;
}

bool ReportSql::sliceDone()
{
    if (!m_keepGoing || m_slice.elapsed() < SliceMs)
        return true;
    // The events are the program's work, not the query's.
    const bool working = m_workingSince.has_value();
    if (working)
        stopWorking();
    const bool keepGoing = m_keepGoing();
    if (working)
        startWorking();
    m_slice.start();
    return keepGoing;
}

bool ReportSql::execute()
{
    if (m_tempLimit)
        m_tempLimit->clearExceeded();
    m_workedNs = 0;
    m_stepsWithoutRecord = 0;
    startWorking();
    const bool ran = m_query->exec(m_queryText);
    stopWorking();
    return ran;
}

bool ReportSql::fetchNext()
{
    startWorking();
    const bool fetched = m_query->next();
    stopWorking();
    return fetched;
}

void ReportSql::startWorking()
{
    m_workingSince = nowNs();
}

void ReportSql::stopWorking()
{
    m_workedNs += nowNs() - *m_workingSince;
    m_workingSince.reset();
}

qint64 ReportSql::workedMs() const
{
    constexpr qint64 NsPerMs = 1'000'000;
    return (m_workedNs + (m_workingSince ? nowNs() - *m_workingSince : 0)) / NsPerMs;
}

void ReportSql::restart()
{
    m_kept.clear();
    m_keptBytes = 0;
    m_at = -1;
    if (!execute() && !m_interrupted)
        qCWarning(lcReport).noquote() << m_query->lastError().text();
}

void ReportSql::keepRow()
{
    KeptRow row;
    row.values.resize(m_columns.count());
    for (int i = 0; i < row.values.size(); ++i) {
        row.values[i] = m_query->value(i);
        row.bytes += sizeInMemory(row.values[i]);
    }
    m_keptBytes += row.bytes;
    m_kept.push_back(std::move(row));
    while (m_kept.size() > 1 && m_keptBytes > KeptRowBytes) {
        m_keptBytes -= m_kept.front().bytes;
        m_kept.pop_front();
    }
}

const QVector<QVariant>* ReportSql::row(int recNo)
{
    const int first = m_at - int(m_kept.size()) + 1;
    if (recNo >= first && recNo <= m_at)
        return &m_kept[size_t(recNo - first)].values;
    if (recNo < first || !m_query->isActive())
        restart();
    while (m_at < recNo) {
        if (!sliceDone() || !fetchNext())
            return nullptr;
        m_stepsWithoutRecord = 0;
        ++m_at;
        keepRow();
    }
    return &m_kept.back().values;
}

// Its temporary files go with the statement; the rows at hand stay.
void ReportSql::release()
{
    if (m_query)
        m_query->finish();
}

int ReportSql::getRecordCount()
{
    return m_ran ? m_recordCount : 0;
}

QVariant ReportSql::valueAt(const QString& fieldName, int recNo)
{
    if (!m_ran) {
        qCWarning(lcReport) << "Query is not active";
        return QVariant();
    }
    if (recNo < 0 || getRecordCount() <= recNo) {
        qCWarning(lcReport) << "recNo more than recordCount";
        return QVariant();
    }
    const int column = m_columns.indexOf(fieldName);
    if (column < 0) {
        qCWarning(lcReport) << "No column" << fieldName << "in the report query";
        return QVariant();
    }
    const QVector<QVariant>* values = row(recNo);
    return values ? values->value(column) : QVariant();
}

// The events go through while the query runs: a codec of the process's
// would convert every other part's text (file names among it) meanwhile.
QString ReportSql::getFieldValue(QString fieldName, int recNo)
{
    const QVariant value = valueAt(fieldName, recNo);
    if (m_codec && value.userType() == QMetaType::QByteArray)
        return m_codec->toUnicode(value.toByteArray());
    return value.toString();
}

QImage ReportSql::getFieldImage(QString fieldName, int recNo)
{
    const QVariant value = valueAt(fieldName, recNo);
    if (!value.isValid())
        return QImage();
    // The picture's format is recognised from its own bytes.
    QString tooLarge;
    return PictureCache::decode(value.toByteArray(), QByteArray(), &tooLarge);
}

// A plain substring test: a source without a name is named in every
// reference.
QString ReportSql::referenceColumn(const QString& reference) const
{
    const QString source = objectName();
    if (!reference.contains(source))
        return QString();
    QString column = reference;
    column.remove(QLatin1Char('[')).remove(QLatin1Char(']'));
    return column.remove(source + QLatin1Char('.'));
}

QString ReportSql::getReferenceValue(const QString& reference, int recNo)
{
    const QString column = referenceColumn(reference);
    return column.isEmpty() ? QString() : getFieldValue(column, recNo);
}

QImage ReportSql::getReferenceImage(const QString& reference, int recNo)
{
    const QString column = referenceColumn(reference);
    return column.isEmpty() ? QImage() : getFieldImage(column, recNo);
}
