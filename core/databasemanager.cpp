#include "databasemanager.h"
#include "stampkey.h"
#include "corelogging.h"

#include "apppaths.h"
#include "logwriter.h"
#include "renameover.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QSet>
#include <QThread>
#include <QTimer>
#include <QVector>

#include <cerrno>
#include <cstring>
#include <limits>
#include <tuple>

#include <unistd.h>

DatabaseManager* g_databaseManager = nullptr;

namespace {

// The tables the program reads and writes: the file ships with them, and
// the program makes none.
const char* const RequiredTables[] = {"users", "rights", "logAlarm", "logUserAction", "logVoltage"};

// SQLite opens any file and reads it only at the first statement: a file
// that is no database, or an empty one, would pass the opening and fail at
// the log-in. A lock another program holds is no reason to stop here.
bool isProgramDatabase(const QSqlDatabase& db, QString* error)
{
    enum { Busy = 5, Locked = 6 };
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("select lower(name) from sqlite_master where type = 'table'"))) {
        const int code = query.lastError().nativeErrorCode().toInt() & 0xff;
        if (code == Busy || code == Locked)
            return true;
        *error = query.lastError().text();
        return false;
    }
    QSet<QString> present;
    while (query.next())
        present.insert(query.value(0).toString());
    QStringList missing;
    for (const char* table : RequiredTables) {
        if (!present.contains(QString::fromLatin1(table).toLower()))
            missing << QLatin1String(table);
    }
    if (missing.isEmpty())
        return true;
    *error = QCoreApplication::translate("DatabaseManager", "It lacks the program's tables: %1.")
                 .arg(missing.join(QLatin1String(", ")));
    return false;
}

} // namespace

DatabaseManager::DatabaseManager(QObject* parent)
    : QObject(parent)
    , m_checkpointTimer(new QTimer(this))
{
    m_checkpointTimer->setInterval(CheckpointIntervalMs);
    connect(m_checkpointTimer, &QTimer::timeout, this, &DatabaseManager::checkpoint);
}

// The upkeep's connection goes with the manager, once its thread has ended.
DatabaseManager::~DatabaseManager()
{
    if (QSqlDatabase::contains(QLatin1String(UpkeepConnection)))
        QSqlDatabase::removeDatabase(QLatin1String(UpkeepConnection));
}

void DatabaseManager::createConnection()
{
    database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(QSqlDatabase::defaultConnection));
    const QString path = AppPaths::database();
    bool ok = false;
    // The driver would create an empty file, without the program's tables.
    if (!QFileInfo::exists(path)) {
        m_failure = QCoreApplication::translate("DatabaseManager", "The file does not exist.");
    } else {
        finishConversion(path);
        database.setDatabaseName(path);
        ok = database.open() && isProgramDatabase(database, &m_failure);
    }
    if (!ok) {
        if (m_failure.isEmpty())
            m_failure = database.lastError().text();
        database.close();
        qCWarning(lcCore) << "Database" << path << "not opened:" << m_failure;
        m_state.store(Failed, std::memory_order_release);
        return;
    }
    if (QCoreApplication::instance())
        database.driver()->moveToThread(QCoreApplication::instance()->thread());
    m_state.store(Open, std::memory_order_release);
}

void DatabaseManager::executeQuery(QString)
{
}

void DatabaseManager::stopped()
{
    qCDebug(lcCore) << "stopped";
}

namespace {

// The single value of a pragma; -1 (with the error logged) when it fails.
qint64 pragmaValue(QSqlQuery& query, const QString& pragma)
{
    if (!query.exec(QStringLiteral("PRAGMA ") + pragma) || !query.next()) {
        qCWarning(lcCore) << "Database:" << pragma << "failed:" << query.lastError().text();
        return -1;
    }
    const qint64 value = query.value(0).toLongLong();
    // A statement left running would keep VACUUM and DETACH out.
    query.finish();
    return value;
}

bool runLogged(QSqlQuery& query, const QString& statement)
{
    if (query.exec(statement))
        return true;
    qCWarning(lcCore) << "Database:" << statement << "failed:" << query.lastError().text();
    return false;
}

// SQLite's auto_vacuum value for giving free pages back in steps.
constexpr int IncrementalVacuum = 2;

// What the conversion of an older file adds to it: the rows changed since
// the copy's snapshot, noted by a trigger per table and change.
const QLatin1String ChangesTable("lumetra_upkeep_changes");
const QLatin1String TriggerPrefix("lumetra_upkeep_");
// The copy's schema on the connection that brings it up to date.
const QLatin1String CopySchema("lumetra_copy");
constexpr const char* ConversionConnection = "lumetra-conversion";

QString quoted(const QString& name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

QString literal(const QString& text)
{
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
}

// A transaction that reads, then writes. A deferred one holds a snapshot
// from its first read; a log row committed after it makes the first write
// fail at once with "database is locked", past the busy timeout. Taking the
// write lock first waits its turn instead.
bool beginWriting(const QSqlDatabase& db)
{
    QSqlQuery query(db);
    return runLogged(query, QStringLiteral("BEGIN IMMEDIATE"));
}

// The first column of every row; empty (with the error logged) when it fails.
QStringList column(QSqlQuery& query, const QString& statement, bool* ok)
{
    QStringList values;
    *ok = runLogged(query, statement);
    while (*ok && query.next())
        values << query.value(0).toString();
    query.finish();
    return values;
}

// The program's tables in `schema`. Each has an integer key, which its
// rows keep in the copy.
QStringList tables(QSqlQuery& query, const QString& schema, bool* ok)
{
    return column(query,
                  QStringLiteral("select name from %1.sqlite_master where type = 'table' and name not like 'sqlite%' "
                                 "and name <> '%2'")
                      .arg(schema, ChangesTable),
                  ok);
}

// From now on no change is noted; those noted stay.
bool stopNotingChanges(QSqlQuery& query, const QString& schema)
{
    bool ok = false;
    const QStringList triggers = column(
        query,
        QStringLiteral("select name from %1.sqlite_master where type = 'trigger' and name like '%2%'").arg(schema, TriggerPrefix),
        &ok);
    for (const QString& trigger : triggers)
        ok = ok && runLogged(query, QStringLiteral("drop trigger %1.%2").arg(schema, quoted(trigger)));
    return ok;
}

bool removeChangeNotes(QSqlQuery& query, const QString& schema)
{
    return stopNotingChanges(query, schema)
        && runLogged(query, QStringLiteral("drop table if exists %1.%2").arg(schema, ChangesTable));
}

// From now on every change to a row of the file is noted, whoever makes it.
bool noteChanges(const QSqlDatabase& db)
{
    QSqlDatabase connection = db;
    QSqlQuery query(db);
    bool ok = false;
    const QStringList names = tables(query, QStringLiteral("main"), &ok);
    ok = ok && beginWriting(db) && removeChangeNotes(query, QStringLiteral("main"))
        && runLogged(query, QStringLiteral("create table %1(id integer primary key, tbl text not null, "
                                           "rid integer not null)").arg(ChangesTable));
    struct Event
    {
        const char* name;
        const char* rows;
    };
    const Event events[] = {{"insert", "(%1, new.rowid)"},
                            {"update", "(%1, old.rowid), (%1, new.rowid)"},
                            {"delete", "(%1, old.rowid)"}};
    for (const QString& table : names) {
        for (const Event& event : events) {
            const QString name = QLatin1String(event.name);
            ok = ok
                && runLogged(query, QStringLiteral("create trigger %1 after %2 on %3 begin insert into %4(tbl, rid) "
                                                   "values %5; end")
                                        .arg(quoted(TriggerPrefix + table + QLatin1Char('_') + name), name,
                                             quoted(table), ChangesTable,
                                             QString::fromLatin1(event.rows).arg(literal(table))));
        }
    }
    if (ok)
        return connection.commit();
    connection.rollback();
    return false;
}

// Brings up to `limit` noted changes into the copy, each row as the file
// holds it now; -1 when it fails. Applied again after a failure, a change
// gives the same copy.
int applyChanges(const QSqlDatabase& db, int limit)
{
    QSqlDatabase connection = db;
    QSqlQuery query(db);
    if (!beginWriting(db))
        return -1;
    bool ok = query.exec(QStringLiteral("select id, tbl, rid from main.%1 order by id limit %2").arg(ChangesTable).arg(limit));
    QVector<std::tuple<qint64, QString, qint64>> changes;
    while (ok && query.next())
        changes.append({query.value(0).toLongLong(), query.value(1).toString(), query.value(2).toLongLong()});
    query.finish();
    QHash<QString, std::pair<QSqlQuery, QSqlQuery>> statements;
    for (const auto& [id, table, rid] : changes) {
        auto it = statements.find(table);
        if (it == statements.end()) {
            it = statements.insert(table, {QSqlQuery(db), QSqlQuery(db)});
            ok = ok && it->first.prepare(QStringLiteral("delete from %1.%2 where rowid = ?").arg(CopySchema, quoted(table)))
                && it->second.prepare(QStringLiteral("insert into %1.%2 select * from main.%2 where rowid = ?")
                                          .arg(CopySchema, quoted(table)));
        }
        it->first.addBindValue(rid);
        it->second.addBindValue(rid);
        ok = ok && it->first.exec() && it->second.exec();
        if (!ok) {
            qCWarning(lcCore) << "Database conversion: change to" << table << "not copied:" << it->first.lastError().text()
                              << it->second.lastError().text() << query.lastError().text();
            break;
        }
    }
    statements.clear();
    if (!ok || !connection.commit()) {
        connection.rollback();
        return -1;
    }
    if (changes.isEmpty())
        return 0;
    const bool forgotten = runLogged(
        query, QStringLiteral("delete from main.%1 where id <= %2").arg(ChangesTable).arg(std::get<0>(changes.last())));
    return forgotten ? changes.size() : -1;
}

} // namespace

bool DatabaseManager::prepareForUse()
{
    QSqlQuery query;
    // Only ever fails when no transaction is open, which is the normal case.
    query.exec(QStringLiteral("end transaction;"));

    bool ok = runLogged(query, QStringLiteral("PRAGMA busy_timeout = %1").arg(BusyTimeoutMs));
    if (!query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) || !query.next()
        || query.value(0).toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
        qCWarning(lcCore) << "Database: write-ahead log not enabled:" << query.lastError().text();
        ok = false;
    }
    query.finish();
    ok = runLogged(query, QStringLiteral("PRAGMA synchronous=FULL")) && ok;
    // Whichever connection starts the log anew leaves no more of it on disk.
    runLogged(query, QStringLiteral("PRAGMA journal_size_limit = %1").arg(LogWriter::WalSizeLimitBytes));
    // A checkpoint copies the log into the file and syncs it: hundreds of
    // milliseconds the commit that set it off would keep the GUI thread.
    // The upkeep does it on its own thread, and runs only when all is well.
    return ok && runLogged(query, QStringLiteral("PRAGMA wal_autocheckpoint = 0"));
}

void DatabaseManager::restoreAutoCheckpoint()
{
    QSqlQuery query;
    runLogged(query, QStringLiteral("PRAGMA wal_autocheckpoint = %1").arg(AutoCheckpointPages));
}

void DatabaseManager::startUpkeep()
{
    UpkeepNext next = UpkeepNext::Failed;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(UpkeepConnection));
        db.setDatabaseName(AppPaths::database());
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(UpkeepBusyTimeoutMs));
        if (db.open()) {
            // Timers stop on their own thread, before it ends.
            connect(QThread::currentThread(), &QThread::finished, m_checkpointTimer, &QTimer::stop,
                    Qt::DirectConnection);
            m_checkpointTimer->start();
            QSqlQuery limit(db);
            runLogged(limit, QStringLiteral("PRAGMA journal_size_limit = %1").arg(LogWriter::WalSizeLimitBytes));
            addLogIndexes(db);
            next = beginUpkeep(db);
        } else {
            qCWarning(lcCore) << "Database upkeep: not opened, the program's connection copies its write-ahead log "
                                 "itself:" << db.lastError().text();
            if (QCoreApplication::instance())
                QMetaObject::invokeMethod(QCoreApplication::instance(), &DatabaseManager::restoreAutoCheckpoint,
                                          Qt::QueuedConnection);
        }
    }
    if (next == UpkeepNext::Steps)
        upkeepStep();
    else if (next == UpkeepNext::Copying)
        copyStep();
    else
        endUpkeep(next == UpkeepNext::Done);
}

// The sort indexes of the alarm and user-action logs, as the shipped schema
// has them. Each is built in a statement of its own, so the logs' rows,
// which wait in their queue meanwhile, go in between; reading goes on
// through the write-ahead log. A failure is logged and the log sorts all
// the same, only slower.
void DatabaseManager::addLogIndexes(const QSqlDatabase& db)
{
    static const struct
    {
        const char* table;
        const char* columns[3];
    } logs[] = {{"logAlarm", {"source", "reason", "info"}}, {"logUserAction", {"user", "subject", "info"}}};
    QSqlQuery query(db);
    for (const auto& log : logs) {
        const QLatin1String table(log.table);
        for (const char* column : log.columns) {
            runLogged(query, QStringLiteral("CREATE INDEX IF NOT EXISTS %1_%2 ON %1(%2)").arg(table, QLatin1String(column)));
        }
        addStampIndex(query, table);
    }
}

// A log's days and its Date/Time order go by the stamp's time-order key;
// the index on the stored text, which older files have, serves neither.
void DatabaseManager::addStampIndex(QSqlQuery& query, const QString& table)
{
    runLogged(query, QStringLiteral("CREATE INDEX IF NOT EXISTS %1_stamp ON %1(%2)")
                         .arg(table, StampKey::sql(QStringLiteral("datetime"))));
    runLogged(query, QStringLiteral("DROP INDEX IF EXISTS %1_datetime").arg(table));
}

DatabaseManager::UpkeepNext DatabaseManager::beginUpkeep(const QSqlDatabase& db)
{
    QSqlQuery query(db);
    const qint64 pages = pragmaValue(query, QStringLiteral("page_count"));
    const qint64 freePages = pragmaValue(query, QStringLiteral("freelist_count"));
    const qint64 autoVacuum = pragmaValue(query, QStringLiteral("auto_vacuum"));
    if (pages < 0 || freePages < 0 || autoVacuum < 0)
        return UpkeepNext::Failed;
    // A conversion under way goes on whatever the file's free pages.
    const ConversionState pending = conversionState(db);
    if (pending == ConversionState::Failed)
        return UpkeepNext::Failed;
    if (pending == ConversionState::CopyReady)
        return resumeConversion(db) ? UpkeepNext::Done : UpkeepNext::Failed;
    if (pending == ConversionState::CopyMissing && !abandonConversion(db))
        return UpkeepNext::Failed;
    if (pages == 0 || double(freePages) / double(pages) <= VacuumFreeShare)
        return UpkeepNext::Done;
    if (autoVacuum == IncrementalVacuum)
        return UpkeepNext::Steps;
    return beginConversion(db) ? UpkeepNext::Copying : UpkeepNext::Failed;
}

QString DatabaseManager::conversionFile(const QString& file)
{
    return file + QLatin1String(".converted");
}

// The compacted copy while its rows are written (copyStep).
struct DatabaseManager::Copy
{
    QStringList tables;
    int table = 0;
    // The key of the last row of the table copied so far.
    qint64 lastKey = std::numeric_limits<qint64>::min();
    // The copy's file, to flush it.
    QFile file;
};

namespace {

QString partFile(const QString& file)
{
    return DatabaseManager::conversionFile(file) + QLatin1String(".part");
}

// SQLite makes a new file readable by everyone; the copy is to take the
// file's place, so it is made empty first with the file's own permissions
// (SQLite writes into an empty file as into a new one).
bool createEmptyLike(const QString& path, const QString& original)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || !file.setPermissions(QFileInfo(original).permissions())) {
        qCWarning(lcCore) << "Database upkeep: the copy could not be made:" << path << file.errorString();
        return false;
    }
    return true;
}

// The copy's tables and indexes, made empty in `path` as the file has them,
// with free pages given back in steps from now on. The planner's statistics
// table is made too where the file has one: the switch copies its rows.
bool createCopySchema(const QSqlDatabase& db, const QString& path)
{
    QSqlQuery query(db);
    bool ok = false;
    const qint64 pageSize = pragmaValue(query, QStringLiteral("page_size"));
    const QStringList statements =
        column(query,
               QStringLiteral("select sql from main.sqlite_master where sql is not null and type in ('table', 'index') "
                              "and name not like 'sqlite%' and name <> '%1' and tbl_name <> '%1' "
                              "order by type = 'index', rowid")
                   .arg(ChangesTable),
               &ok);
    const bool statistics = ok
        && !column(query, QStringLiteral("select name from main.sqlite_master where name = 'sqlite_stat1'"), &ok).isEmpty();
    ok = ok && pageSize > 0;
    {
        QSqlDatabase copy = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(ConversionConnection));
        copy.setDatabaseName(path);
        ok = ok && copy.open();
        if (ok) {
            QSqlQuery build(copy);
            ok = runLogged(build, QStringLiteral("PRAGMA page_size = %1").arg(pageSize))
                && runLogged(build, QStringLiteral("PRAGMA auto_vacuum = INCREMENTAL"));
            for (const QString& statement : statements)
                ok = ok && runLogged(build, statement);
            ok = ok && (!statistics || runLogged(build, QStringLiteral("ANALYZE")));
        }
        copy.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(ConversionConnection));
    return ok;
}

// The copy's data reach the disk: flushed a step at a time, no flush of the
// copy is ever large enough to hold a commit of the program's own rows
// behind it for long.
bool flushCopy(QFile& copy)
{
    if (::fdatasync(copy.handle()) == 0)
        return true;
    qCWarning(lcCore) << "Database upkeep: the copy could not be written to the disk:" << std::strerror(errno);
    return false;
}

} // namespace

// The change notes and the copy left from an earlier run.
DatabaseManager::ConversionState DatabaseManager::conversionState(const QSqlDatabase& db)
{
    QSqlQuery query(db);
    bool ok = false;
    const bool noted =
        !column(query, QStringLiteral("select name from main.sqlite_master where name = '%1'").arg(ChangesTable), &ok)
             .isEmpty();
    if (!ok)
        return ConversionState::Failed;
    if (!noted)
        return ConversionState::None;
    return QFileInfo::exists(conversionFile(db.databaseName())) ? ConversionState::CopyReady
                                                                 : ConversionState::CopyMissing;
}

// A copy made in an earlier run that could not take the file's place yet:
// the changes noted since are brought into it in steps.
bool DatabaseManager::resumeConversion(const QSqlDatabase& db)
{
    QSqlQuery query(db);
    m_converting = runLogged(query, QStringLiteral("attach database %1 as %2")
                                        .arg(literal(conversionFile(db.databaseName())), CopySchema));
    return m_converting;
}

// No copy goes on: the notes of changes go, and with them what a copy left.
// At the start only what takes no time: the copy is set aside as an
// unfinished one, and no change is noted any more; the notes (a table that
// may be large) and the file (a large one) go with the next upkeep, beside
// the program. The copy goes aside first: one left under its own name while
// the changes were no longer noted would be taken for one brought up to
// date, and the rows written since would be lost when it took the file's
// place. A copy that cannot be set aside stays as it is, its changes still
// noted, and the running program brings them in.
bool DatabaseManager::abandonConversion(const QSqlDatabase& db, bool atStart)
{
    const QString file = db.databaseName();
    if (atStart && !renameOver(conversionFile(file), partFile(file))) {
        qCWarning(lcCore) << "Database: the compacted copy could not be set aside; it is kept and brought up to date:"
                          << conversionFile(file) << std::strerror(errno);
        return false;
    }
    QSqlQuery query(db);
    QSqlDatabase connection = db;
    const QString main = QStringLiteral("main");
    const bool ok = beginWriting(db)
        && (atStart ? stopNotingChanges(query, main) : removeChangeNotes(query, main)) && connection.commit();
    if (!ok)
        connection.rollback();
    if (!atStart) {
        QFile::remove(partFile(file));
        QFile::remove(conversionFile(file));
    }
    return ok;
}

// The copy is written beside the file, its schema first; from just before
// its first rows on, every change to a row of the file is noted. Its rows
// follow a step at a time (copyStep), each step flushed to the disk and
// followed by a pause: the program's own commits never wait behind the
// flush of a whole file. The rows a step reads are as the file holds them
// then; the changes noted bring each row up to date.
bool DatabaseManager::beginConversion(const QSqlDatabase& db)
{
    qCInfo(lcCore) << "Database upkeep: a compacted copy of the file is made, to give free pages back in steps from "
                      "now on; it takes the file's place at the next start";
    const QString file = db.databaseName();
    const QString building = partFile(file);
    QFile::remove(building);
    QFile::remove(conversionFile(file));
    QSqlQuery query(db);
    auto copy = std::make_unique<Copy>();
    copy->file.setFileName(building);
    bool ok = false;
    copy->tables = tables(query, QStringLiteral("main"), &ok);
    ok = ok && createEmptyLike(building, file) && createCopySchema(db, building) && noteChanges(db)
        && runLogged(query, QStringLiteral("attach database %1 as %2").arg(literal(building), CopySchema))
        // Until it is whole the copy is of no use: it is written without a
        // journal and flushed by the steps themselves.
        && runLogged(query, QStringLiteral("PRAGMA %1.journal_mode = OFF").arg(CopySchema))
        && runLogged(query, QStringLiteral("PRAGMA %1.synchronous = OFF").arg(CopySchema))
        && copy->file.open(QIODevice::ReadOnly);
    if (!ok) {
        qCWarning(lcCore) << "Database upkeep: the compacted copy was not begun";
        runLogged(query, QStringLiteral("detach database %1").arg(CopySchema));
        abandonConversion(db);
        return false;
    }
    m_copy = std::move(copy);
    return true;
}

// Up to ConversionCopyRows rows of one table into the copy, in key order
// from where the last step ended, flushed to the disk; then a pause, or the
// copy's end.
void DatabaseManager::copyStep()
{
    QSqlDatabase db = QSqlDatabase::database(QLatin1String(UpkeepConnection), false);
    Copy& copy = *m_copy;
    bool ok = true;
    if (copy.table < copy.tables.size()) {
        const QString table = quoted(copy.tables.at(copy.table));
        QSqlQuery query(db);
        ok = query.prepare(QStringLiteral("insert into %1.%2 select * from main.%2 where rowid > ? order by rowid limit %3")
                               .arg(CopySchema, table)
                               .arg(ConversionCopyRows));
        query.addBindValue(copy.lastKey);
        ok = ok && query.exec();
        const int copied = ok ? query.numRowsAffected() : 0;
        query.finish();
        if (!ok)
            qCWarning(lcCore) << "Database upkeep: rows of" << table << "not copied:" << query.lastError().text();
        if (ok && copied > 0) {
            ok = query.exec(QStringLiteral("select max(rowid) from %1.%2").arg(CopySchema, table)) && query.next();
            copy.lastKey = query.value(0).toLongLong();
            query.finish();
        }
        if (copied < ConversionCopyRows) {
            ++copy.table;
            copy.lastKey = std::numeric_limits<qint64>::min();
        }
        ok = ok && flushCopy(copy.file);
    }
    if (ok && copy.table < copy.tables.size()) {
        QTimer::singleShot(ConversionPauseMs, this, &DatabaseManager::copyStep);
        return;
    }
    endUpkeep(endCopy(db, ok));
}

// The whole copy takes its name, and from then on follows the file's
// changes (checkpoint) until it takes the file's place at the next start.
bool DatabaseManager::endCopy(const QSqlDatabase& db, bool ok)
{
    const QString file = db.databaseName();
    std::unique_ptr<Copy> copy = std::move(m_copy);
    copy->file.close();
    QSqlQuery query(db);
    ok = runLogged(query, QStringLiteral("detach database %1").arg(CopySchema)) && ok;
    ok = ok && renameOver(partFile(file), conversionFile(file)) && resumeConversion(db);
    if (!ok) {
        qCWarning(lcCore) << "Database upkeep: the compacted copy was not made";
        abandonConversion(db);
    }
    return ok;
}

// Changes not brought in now stay noted, for the next start at the latest.
void DatabaseManager::conversionStep()
{
    if (applyChanges(QSqlDatabase::database(QLatin1String(UpkeepConnection), false), ConversionStepChanges) < 0)
        m_converting = false;
}

bool DatabaseManager::finishConversion(const QString& file, int backlogLimit)
{
    const QString copy = conversionFile(file);
    if (!QFileInfo::exists(copy))
        return true;
    // The file is not there to be replaced: the copy, whole, is all there is.
    if (!QFileInfo::exists(file))
        return renameOver(copy, file);
    QElapsedTimer clock;
    clock.start();
    bool ok = false;
    bool startOver = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(ConversionConnection));
        db.setDatabaseName(file);
        ok = db.open();
        QSqlQuery query(db);
        ok = ok && runLogged(query, QStringLiteral("attach database %1 as %2").arg(literal(copy), CopySchema));
        // Whether the noted changes can be brought in within the start's
        // time: the keys of the notes only grow, so their span bounds them.
        // Each end is read on its own, where the key's tree ends; together
        // in one query they would read every note.
        qint64 backlog = -1;
        if (ok
            && query.exec(QStringLiteral("select coalesce((select max(id) from main.%1) - (select min(id) from main.%1) "
                                         "+ 1, 0)")
                              .arg(ChangesTable))
            && query.next())
            backlog = query.value(0).toLongLong();
        query.finish();
        startOver = ok && (backlog < 0 || backlog > backlogLimit);
        for (int applied = 1; ok && !startOver && applied > 0;) {
            applied = applyChanges(db, ConversionStepChanges);
            ok = applied >= 0;
            startOver = applied > 0 && clock.elapsed() > SwitchBudgetMs;
        }
        // Not noted by triggers: the key counters and the planner's statistics.
        for (const QLatin1String table : {QLatin1String("sqlite_sequence"), QLatin1String("sqlite_stat1")}) {
            if (!ok || startOver)
                break;
            bool read = false;
            const bool present =
                !column(query, QStringLiteral("select name from main.sqlite_master where name = '%1'").arg(table), &read)
                     .isEmpty();
            ok = read
                && (!present
                    || (runLogged(query, QStringLiteral("delete from %1.%2").arg(CopySchema, table))
                        && runLogged(query, QStringLiteral("insert into %1.%2 select * from main.%2").arg(CopySchema, table))));
        }
        query.finish();
        ok = runLogged(query, QStringLiteral("detach database %1").arg(CopySchema)) && ok;
        if (startOver) {
            qCInfo(lcCore) << "Database: too many changes since the compacted copy was made to bring them in at the "
                              "start; the running program makes a new one";
            ok = false;
            abandonConversion(db, true);
        }
        query = QSqlQuery();
        db.close();
        // Run with the write-ahead log, as the program runs the file.
        db.setDatabaseName(copy);
        ok = ok && db.open();
        query = QSqlQuery(db);
        ok = ok && query.exec(QStringLiteral("PRAGMA journal_mode = WAL")) && query.next()
            && query.value(0).toString() == QLatin1String("wal");
        query = QSqlQuery();
        db.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(ConversionConnection));
    if (startOver)
        return false;
    // Another program that has the file open keeps its write-ahead log
    // there; the copy's own must have gone into it when it closed.
    ok = ok && !QFileInfo::exists(file + QLatin1String("-wal")) && !QFileInfo::exists(file + QLatin1String("-shm"))
        && !QFileInfo::exists(copy + QLatin1String("-wal"));
    if (ok && renameOver(copy, file)) {
        qCInfo(lcCore) << "Database: the compacted copy took the file's place";
        return true;
    }
    qCWarning(lcCore) << "Database: the compacted copy takes the file's place at a later start:" << copy
                      << (ok ? std::strerror(errno) : "");
    return false;
}

// One step: up to UpkeepStepPages pages given back in one transaction. The
// driver steps a pragma once per run, and each step of incremental_vacuum
// gives back one page.
void DatabaseManager::upkeepStep()
{
    qint64 freePages = -1;
    {
        QSqlDatabase db = QSqlDatabase::database(QLatin1String(UpkeepConnection), false);
        QSqlQuery query(db);
        bool ok = db.transaction() && query.prepare(QStringLiteral("PRAGMA incremental_vacuum"));
        for (int page = 0; ok && page < UpkeepStepPages; ++page)
            ok = query.exec();
        // A run cut short is still open and would hold the commit back.
        query.finish();
        ok = ok && db.commit();
        if (!ok) {
            qCWarning(lcCore) << "Database upkeep: step failed:" << query.lastError().text() << db.lastError().text();
            db.rollback();
        } else {
            freePages = pragmaValue(query, QStringLiteral("freelist_count"));
        }
    }
    if (freePages > 0)
        QTimer::singleShot(UpkeepPauseMs, this, &DatabaseManager::upkeepStep);
    else
        endUpkeep(freePages == 0);
}

void DatabaseManager::endUpkeep(bool ok)
{
    emit upkeepDone(ok);
}

// Passive: copies what it can, waiting for neither readers nor the writer.
void DatabaseManager::checkpoint()
{
    if (m_converting)
        conversionStep();
    QSqlQuery query(QSqlDatabase::database(QLatin1String(UpkeepConnection), false));
    const bool ok = query.exec(QStringLiteral("PRAGMA wal_checkpoint(PASSIVE)"));
    if (!ok && !m_checkpointFailed)
        qCWarning(lcCore) << "Database: checkpoint failed:" << query.lastError().text();
    m_checkpointFailed = !ok;
}
