#include "databasemanager.h"
#include "messagecatcher.h"
#include "scopedhook.h"
#include "sqlitedisk.h"
#include "sqlrows.h"
#include "testhome.h"
#include "writebatch.h"

#include <QSignalSpy>
#include <QSqlQuery>
#include <QtTest>

class TestWriteBatch : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(SqliteDisk::install()); }
    void lockKeepsNoGuiThreadWaiting();
    void smallDiskIsNotHeldByTheWriteAheadLog();
    void withoutItsOwnConnectionRowsAreWrittenHere();
    void rowsCountUntilWrittenNotUntilTold();
};

// Another connection holds the database. The GUI connection here would wait
// out the whole lock: with the rows written there, `append` would not return
// and the lock, released from this thread, would never go. The writer's own
// connection meets the lock instead; every row arrives in order once it goes.
void TestWriteBatch::lockKeepsNoGuiThreadWaiting()
{
    TestHome home;
    QVERIFY(home.isValid() && home.openDatabase() && DatabaseManager::prepareForUse());
    QVERIFY(QSqlQuery().exec(QStringLiteral("PRAGMA busy_timeout = 600000")));
    QSqlDatabase holder = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
    holder.setDatabaseName(home.filePath(QStringLiteral("brenik.db")));
    QVERIFY(holder.open() && QSqlQuery(holder).exec(QStringLiteral("BEGIN EXCLUSIVE")));
    WriteBatch& batch = WriteBatch::instance();
    const ScopedHook retry(batch, &WriteBatch::setRetryDelay, 10, WriteBatch::RetryDelayMs);
    QSignalSpy written(&batch, &WriteBatch::written);
    MessageCatcher catcher;

    QVector<quint64> tickets;
    for (int row = 0; row < 3; ++row)
        tickets += batch.append(QStringLiteral("insert into logAlarm(info) values(?)"), {row}).ticket;
    QCOMPARE(tickets, (QVector<quint64>{1, 2, 3}));
    QTRY_VERIFY(catcher.contains(QStringLiteral("Log rows not written, kept to try again")));
    QVERIFY(!batch.commit());
    QCOMPARE(batch.pendingRows(), 3);

    QVERIFY(QSqlQuery(holder).exec(QStringLiteral("ROLLBACK")));
    // The news of rows written comes queued, after the rows have left the count.
    const auto arrived = [&written] {
        QVector<quint64> tickets;
        for (const QList<QVariant>& signal : qAsConst(written))
            for (const WriteBatch::WrittenRow& row : signal.first().value<WriteBatch::WrittenRows>())
                tickets += row.ticket;
        return tickets;
    };
    QTRY_COMPARE(batch.pendingRows(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(arrived(), tickets, 60000);
    QCOMPARE(sqlRows(QStringLiteral("select info from logAlarm order by id")), (QStringList{"0", "1", "2"}));
    holder.close();
    holder = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("holder"));
}

// Alarms in bursts fill a small disk, which ends holding rows, not a
// write-ahead log of them. Later rows wait, the stall told as a full disk,
// and go in, in order, once room comes back.
void TestWriteBatch::smallDiskIsNotHeldByTheWriteAheadLog()
{
    TestHome home;
    QVERIFY(home.isValid() && home.openDatabase() && DatabaseManager::prepareForUse());
    const QString database = home.filePath(QStringLiteral("brenik.db"));
    WriteBatch& batch = WriteBatch::instance();
    const ScopedHook retry(batch, &WriteBatch::setRetryDelay, 10, WriteBatch::RetryDelayMs);
    const ScopedHook stallAlert(batch, &WriteBatch::setStallAlertDelay, 0, WriteBatch::StallAlertMs);
    QSignalSpy stalled(&batch, &WriteBatch::stalled);
    QStringList rows;
    const auto alarms = [&](int count) {
        for (const int last = rows.size() + count; rows.size() < last;) {
            rows << QString::number(rows.size()).leftJustified(500, '.');
            batch.append(QStringLiteral("insert into logAlarm(info) values(?)"), {rows.last()});
        }
    };
    const qint64 room = 1024 * 1024;
    SqliteDisk::setRoom(database, QFileInfo(database).size() + QFileInfo(database + "-wal").size() + room);
    const auto noEnd = qScopeGuard([] { SqliteDisk::room = -1; });
    for (alarms(5); (batch.commit() || batch.commit()) && rows.size() < 10000;)
        alarms(5);
    QVERIFY(!stalled.isEmpty() && stalled.last().first().toString().contains(QStringLiteral("database or disk is full")));
    const auto logHeld = [&database] { return QFileInfo(database + "-wal").size(); };
    QVERIFY(logHeld() < room / 2);
    // Room that comes back bit by bit goes to rows, not to frames of a log
    // the file cannot take in.
    for (int step = 0; step < 40; ++step) {
        SqliteDisk::room += 8192;
        alarms(5);
        batch.commit();
    }
    QVERIFY(logHeld() < room / 2);
    // A backlog goes in a part at a time: in one transaction its log would
    // need as much room again as its rows, and keep it.
    alarms(1000);
    SqliteDisk::room += 2 * room;
    QTRY_COMPARE(batch.pendingRows(), 0);
    alarms(5);
    QTRY_COMPARE(batch.pendingRows(), 0);
    QVERIFY(logHeld() < room / 2);
    QCOMPARE(sqlRows(QStringLiteral("select info from logAlarm order by id")), rows);
}

// A database only the default connection can reach (in memory): a
// connection of the writer's own would open another one, so the rows are
// written on this thread, and why is logged.
void TestWriteBatch::withoutItsOwnConnectionRowsAreWrittenHere()
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    db.setDatabaseName(QStringLiteral(":memory:"));
    QVERIFY(db.open() && QSqlQuery().exec(QStringLiteral("create table logAlarm(id integer primary key, info)")));
    MessageCatcher catcher;
    WriteBatch& batch = WriteBatch::instance();
    const quint64 ticket = batch.append(QStringLiteral("insert into logAlarm(info) values(?)"), {"kept"}).ticket;
    QVERIFY(catcher.contains(QStringLiteral("log rows are written on the GUI thread")));
    QSignalSpy written(&batch, &WriteBatch::written);
    QVERIFY(batch.commit());
    QCOMPARE(written.size(), 1);
    QCOMPARE(written.first().first().value<WriteBatch::WrittenRows>().first().ticket, ticket);
    QCOMPARE(sqlRows(QStringLiteral("select info from logAlarm")), QStringList{"kept"});
    db.close();
}

// A row stops counting once on disk, not once the GUI thread hears of it: a
// window lagging behind a flood must not find its queue full of written rows.
void TestWriteBatch::rowsCountUntilWrittenNotUntilTold()
{
    TestHome home;
    QVERIFY(home.isValid() && home.openDatabase() && DatabaseManager::prepareForUse());
    WriteBatch& batch = WriteBatch::instance();
    for (int row = 0; row < 3; ++row)
        batch.append(QStringLiteral("insert into logAlarm(info) values(?)"), {row});
    // No event is handled on this thread meanwhile.
    const QDeadlineTimer deadline(10000);
    while (batch.pendingRows() > 0 && !deadline.hasExpired())
        QThread::yieldCurrentThread();
    QCOMPARE(batch.pendingRows(), 0);
}

QTEST_MAIN(TestWriteBatch)
#include "tst_writebatch.moc"
