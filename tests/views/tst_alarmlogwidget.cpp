#include "alarmlogfeed.h"
#include "alarmlogmodel.h"
#include "alarmlogwidget.h"
#include "apppaths.h"
#include "databasealert.h"
#include "databasemanager.h"
#include "messagecatcher.h"
#include "modalanswerer.h"
#include "nightlycleanup.h"
#include "noonclock.h"
#include "operatorclick.h"
#include "pdfprobe.h"
#include "reportcapture.h"
#include "resources.h"
#include "scopedhook.h"
#include "sqlrows.h"
#include "stampkey.h"
#include "testhome.h"
#include "useractionlogdlg.h"
#include "voltagediagrammsdlg.h"
#include "writebatch.h"

#include <QAbstractButton>
#include <QDateEdit>
#include <QHeaderView>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlDriver>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <memory>

#include <sqlite3.h>

namespace {

QString stampDaysAgo(int days)
{
    return noonOfTheRun().addDays(-days).toString(QStringLiteral("dd.MM.yyyy hh:mm:ss "));
}

void addRow(const QVariant& stamp, const QString& source, const QString& reason, const QString& info)
{
    QSqlQuery query;
    query.prepare(QStringLiteral("insert into logAlarm (datetime, source, reason, info) values (?, ?, ?, ?)"));
    query.addBindValue(stamp);
    query.addBindValue(source);
    query.addBindValue(reason);
    query.addBindValue(info);
    QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
}

void addOldRows(int rows)
{
    QSqlDatabase::database().transaction();
    for (int i = 0; i < rows; ++i)
        addRow(stampDaysAgo(1), QStringLiteral("old"), QStringLiteral("State"), QStringLiteral("OK"));
    QSqlDatabase::database().commit();
}

void setSetting(const QString& key, const QVariant& value)
{
    QSettings settings(AppPaths::settings(), QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    settings.setValue(key, value);
}

QVariant setting(const QString& key)
{
    QSettings settings(AppPaths::settings(), QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    return settings.value(key);
}

void answerQuestion(QMessageBox::StandardButton button)
{
    answerNextModal([button](QWidget* dialog) {
        auto* box = qobject_cast<QMessageBox*>(dialog);
        QVERIFY(box);
        QCOMPARE(box->text(), QStringLiteral("Realy clear all log?"));
        QCOMPARE(box->windowTitle(), QStringLiteral("Warning"));
        if (button == QMessageBox::NoButton)
            box->close(); // the title-bar close button
        else
            QVERIFY(operatorClick(box->button(button)));
    });
}

} // namespace

class TestAlarmLogWidget : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void addRecordStoresStampAndShowsFirst();
    void refusedRowIsSetAside();
    void floodFillingTheQueueIsToldAsSuch();
    void rowsWaitWhileTheDatabaseIsLocked();
    void heartbeatRowsShareOneCommit();
    void reloadBeforeTheKeysShowsRowsOnce();
    void pageAfterTheCommitShowsRowsOnce_data();
    void pageAfterTheCommitShowsRowsOnce();
    void reloadAfterTheCommitShowsRowsOnce();
    void rowTakenAfterAPageReadSinceItsCommitShows();
    void filterControlsNarrowTheView();
    void longLogIsReadAsTheViewScrolls();
    void dateOrderIsTimeOrder_data();
    void dateOrderIsTimeOrder();
    void manyRowsOnTheDaysAreReadAndCounted();
    void rowsWrittenAfterTheClockWasSetBackStayInEverySort();
    void storedHeaderSortLeavesTheOrderToTheQuery();
    void viewUpToTodayFollowsMidnight();
    void clearAllAsksFirst_data();
    void clearAllAsksFirst();
    void nightlyCleanupRunsOncePerNight();
    void keepDaysZeroClearsOnce();
    void unusableKeepDaysCountAsThirty_data();
    void unusableKeepDaysCountAsThirty();
    void headerStateSurvivesRestart();
    void printAnswersFromTheFilteredView();
    void printWithoutTemplateWarns();
    void printsShippedTemplate();

private:
    QTableView* table(AlarmLogWidget& widget) { return widget.findChild<QTableView*>(QStringLiteral("tableLog")); }
    void showDays(AlarmLogWidget& widget, const QDate& from, const QDate& to);
    void clickHeader(AlarmLogWidget& widget, int section);
    QStringList shown(AlarmLogWidget& widget, int column);
    std::unique_ptr<TestHome> m_home;
    // The log's clock in every test: the shown days, the rows' stamps and the
    // tests' days agree whenever the run starts.
    const ScopedHook m_clock{&NightlyCleanup::setDefaultClock, &noonOfTheRun};
};

void TestAlarmLogWidget::initTestCase()
{
    initLumetraResources();
    m_home = std::make_unique<TestHome>();
    QVERIFY(m_home->isValid());
    QVERIFY(m_home->openDatabase());
}

void TestAlarmLogWidget::init()
{
    WriteBatch::instance().commit();
    QSqlQuery query;
    QVERIFY(query.exec(QStringLiteral("delete from logAlarm")));
    QVERIFY(query.exec(QStringLiteral("delete from logUserAction")));
    QVERIFY(query.exec(QStringLiteral("delete from sqlite_sequence")));
    QSettings settings(AppPaths::settings(), QSettings::IniFormat);
    settings.clear();
}

void TestAlarmLogWidget::cleanupTestCase()
{
    m_home.reset();
}

void TestAlarmLogWidget::showDays(AlarmLogWidget& widget, const QDate& from, const QDate& to)
{
    widget.findChild<QDateEdit*>(QStringLiteral("dtpFrom"))->setDate(from);
    widget.findChild<QDateEdit*>(QStringLiteral("dtpTo"))->setDate(to);
}

// A click on a header section, through the window system.
void TestAlarmLogWidget::clickHeader(AlarmLogWidget& widget, int section)
{
    QHeaderView* header = table(widget)->horizontalHeader();
    const QPoint at(header->sectionViewportPosition(section) + header->sectionSize(section) / 2, header->height() / 2);
    QTest::mouseClick(widget.windowHandle(), Qt::LeftButton, {}, header->viewport()->mapTo(&widget, at));
}

QStringList TestAlarmLogWidget::shown(AlarmLogWidget& widget, int column)
{
    const QAbstractItemModel* view = table(widget)->model();
    QStringList rows;
    for (int row = 0; row < view->rowCount(); ++row)
        rows << view->index(row, column).data().toString();
    return rows;
}

void TestAlarmLogWidget::addRecordStoresStampAndShowsFirst()
{
    addRow(QStringLiteral("05.03.2026 08:00:00 "), QStringLiteral("E1"), QStringLiteral("State"), QStringLiteral("OK"));
    AlarmLogWidget widget;
    widget.setClock([] { return QDateTime(QDate(2026, 3, 6), QTime(9, 5, 7)); });
    showDays(widget, QDate(2026, 3, 1), QDate(2026, 3, 6));
    QCOMPARE(table(widget)->model()->rowCount(), 1);

    widget.addRecord(QStringLiteral("Gateway 1"), QStringLiteral("Energizer 3"), QStringLiteral("Critical"));
    QVERIFY(WriteBatch::instance().commit());

    const QString stored = sqlRows(QStringLiteral("select datetime from logAlarm order by id desc limit 1")).value(0);
    QCOMPARE(stored, QStringLiteral("06.03.2026 09:05:07 "));
    QCOMPARE(stored.size(), 20);
    const QAbstractItemModel* view = table(widget)->model();
    QTRY_COMPARE(view->rowCount(), 2);
    QCOMPARE(view->index(0, 1).data().toString(), stored);
    QCOMPARE(view->index(0, 2).data().toString(), QStringLiteral("Gateway 1"));
    QCOMPARE(view->index(0, 3).data().toString(), QStringLiteral("Energizer 3"));
    QCOMPARE(view->index(0, 4).data().toString(), QStringLiteral("Critical"));
    // The key the database gave is in the model too.
    QCOMPARE(view->index(0, 0).data().toInt(), sqlRows(QStringLiteral("select max(id) from logAlarm")).value(0).toInt());
}

// A row the database refuses for itself (here its table is away) is told
// once, naming the table and why, and set aside: the other logs' rows, the
// commits and the clears go on, and nobody is told of a stall.
void TestAlarmLogWidget::refusedRowIsSetAside()
{
    AlarmLogWidget widget;
    VoltageDiagrammsDlg voltages;
    QSqlQuery query;
    QVERIFY(query.exec(QStringLiteral("alter table logVoltage rename to logVoltageAway")));
    MessageCatcher catcher;
    QStringList told;
    DatabaseAlert::reset();
    const ScopedHook notifier(&DatabaseAlert::setNotifier, [&told](const QString& text, bool) { told.append(text); });
    const ScopedHook stallAlert(WriteBatch::instance(), &WriteBatch::setStallAlertDelay, 0, WriteBatch::StallAlertMs);
    voltages.writeCheckPoint();
    widget.addRecord(QStringLiteral("E2"), QStringLiteral("State"), QStringLiteral("Critical"));
    voltages.writeCheckPoint();
    const bool committed = WriteBatch::instance().commit();
    QVERIFY(query.exec(QStringLiteral("alter table logVoltageAway rename to logVoltage")));
    QVERIFY(committed);
    QCOMPARE(catcher.messages().filter(QStringLiteral("set aside: \"logVoltage: no such table")).size(), 1);
    QVERIFY2(told.isEmpty(), qPrintable(told.join('\n')));
    QCOMPARE(sqlRows(QStringLiteral("select info from logAlarm order by id")), QStringList{"Critical"});
    QVERIFY(widget.clearLog(0));
}

// Rows come faster than the database takes them and fill the queue: the
// operator hears that, not that the database holds them back.
void TestAlarmLogWidget::floodFillingTheQueueIsToldAsSuch()
{
    WriteBatch& batch = WriteBatch::instance();
    AlarmLogWidget widget;
    QStringList told;
    DatabaseAlert::reset();
    const ScopedHook notifier(&DatabaseAlert::setNotifier, [&told](const QString& text, bool) { told.append(text); });
    {
        const ScopedHook commitDelay(batch, &WriteBatch::setCommitDelay, 60000, WriteBatch::CommitDelayMs);
        while (batch.append(QLatin1String(AlarmLogWidget::kInsertStatement), {stampDaysAgo(0), "bulk", "", ""}).ticket) {
        }
        widget.addRecord(QStringLiteral("E1"), QStringLiteral("State"), QStringLiteral("Critical"));
        QTRY_COMPARE(told.size(), 1);
    }
    QTRY_VERIFY_WITH_TIMEOUT(batch.commit(), 20000);
    QCOMPARE(told.size(), 1);
    QVERIFY2(told.first().contains(QStringLiteral("faster than the database takes them")), qPrintable(told.first()));
}

// Another program holds the database for a while: the rows of the three logs
// wait, each attempt waits at most the short busy timeout, the operator is
// told when it lasts, the queue stays bounded, and every row it kept is
// written once the lock goes. A row that came while its kind was switched
// off, and was switched on again before it was written, shows once written.
void TestAlarmLogWidget::rowsWaitWhileTheDatabaseIsLocked()
{
    QVERIFY(DatabaseManager::prepareForUse());
    QCOMPARE(sqlRows(QStringLiteral("PRAGMA busy_timeout")), QStringList{QString::number(DatabaseManager::BusyTimeoutMs)});
    WriteBatch& batch = WriteBatch::instance();
    const ScopedHook retry(batch, &WriteBatch::setRetryDelay, 20, WriteBatch::RetryDelayMs);
    const ScopedHook stallAlert(batch, &WriteBatch::setStallAlertDelay, 300, WriteBatch::StallAlertMs);
    AlarmLogWidget widget;
    UserActionLogDlg userLog;
    VoltageDiagrammsDlg voltages;
    QStringList told;
    DatabaseAlert::reset();
    const ScopedHook notifier(&DatabaseAlert::setNotifier, [&told](const QString& text, bool) { told.append(text); });
    QSqlDatabase holder = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("holder"));
    holder.setDatabaseName(m_home->filePath(QStringLiteral("brenik.db")));
    QVERIFY(holder.open());
    QVERIFY(QSqlQuery(holder).exec(QStringLiteral("BEGIN EXCLUSIVE")));

    const auto arrive = [&](int rows) {
        for (int i = 0; i < rows; ++i)
            widget.addRecord(QStringLiteral("E%1").arg(i), QStringLiteral("State"), QStringLiteral("Critical"));
        userLog.addRecord(QStringLiteral("Confirm"), QStringLiteral("alarm"));
        voltages.writeCheckPoint();
    };
    arrive(10);
    QTRY_VERIFY(!told.isEmpty());
    arrive(10);
    QTRY_COMPARE(table(widget)->model()->rowCount(), 20);
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    auto* critical = widget.findChild<QToolButton*>(QStringLiteral("btnCritical"));
    const auto clickCritical = [&] {
        QTest::mouseClick(widget.windowHandle(), Qt::LeftButton, {}, critical->mapTo(&widget, critical->rect().center()));
    };
    clickCritical();
    QSignalSpy arrived(widget.feed(), &AlarmLogFeed::arrived);
    widget.addRecord(QStringLiteral("E20"), QStringLiteral("State"), QStringLiteral("Critical"));
    QVERIFY(arrived.wait());
    clickCritical();
    int kept = batch.pendingRows();
    while (batch.append(QLatin1String(AlarmLogWidget::kInsertStatement), {stampDaysAgo(0), "bulk", "", ""}).ticket)
        ++kept;
    QCOMPARE(kept, WriteBatch::MaxQueuedRows);

    QVERIFY(QSqlQuery(holder).exec(QStringLiteral("ROLLBACK")));
    QTRY_COMPARE_WITH_TIMEOUT(batch.pendingRows(), 0, 20000);
    QCOMPARE(told.size(), 1);
    QVERIFY(told.first().contains(QStringLiteral("kept")));
    QCOMPARE(sqlRows(QStringLiteral("select count(*) from logAlarm")), QStringList{QString::number(kept - 4)});
    QTRY_COMPARE(table(widget)->model()->rowCount(), 21);
    QCOMPARE(sqlRows(QStringLiteral("select count(*) from logUserAction")), QStringList{"2"});
    QCOMPARE(sqlRows(QStringLiteral("select count(*) from logVoltage")), QStringList{"2"});
    holder.close();
    holder = QSqlDatabase();
    QSqlDatabase::removeDatabase(QStringLiteral("holder"));
}

// The rows of one heartbeat reach the disk together, shortly after the last.
void TestAlarmLogWidget::heartbeatRowsShareOneCommit()
{
    AlarmLogWidget widget;
    for (int i = 0; i < 3; ++i)
        widget.addRecord(QStringLiteral("E%1").arg(i), QStringLiteral("State"), QStringLiteral("Critical"));
    QCOMPARE(WriteBatch::instance().pendingRows(), 3);
    QTRY_COMPARE(table(widget)->model()->index(0, 2).data().toString(), QStringLiteral("E2"));
    QTRY_COMPARE_WITH_TIMEOUT(WriteBatch::instance().pendingRows(), 0, 5000);
    {
        QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
        other.setDatabaseName(m_home->filePath(QStringLiteral("brenik.db")));
        QVERIFY(other.open());
        QSqlQuery count(QStringLiteral("select count(*) from logAlarm"), other);
        QVERIFY(count.next());
        QCOMPARE(count.value(0).toInt(), 3);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("other"));
}

// A reload between the writer's commit and its news reads the row from the
// table: the copy shown meanwhile goes when the news comes.
void TestAlarmLogWidget::reloadBeforeTheKeysShowsRowsOnce()
{
    AlarmLogWidget widget;
    // Shown first: the click then runs no events before its reload.
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    QSignalSpy arrived(widget.feed(), &AlarmLogFeed::arrived);
    widget.addRecord(QStringLiteral("E1"), QStringLiteral("State"), QStringLiteral("Critical"));
    const QDeadlineTimer deadline(60000);
    while (sqlRows(QStringLiteral("select count(*) from logAlarm")) != QStringList{"1"} && !deadline.hasExpired())
        QThread::yieldCurrentThread();
    QVERIFY(operatorClick(widget.findChild<QToolButton*>(QStringLiteral("btnOK"))));
    // Taken after the reload: at the click's end, on a slow run, or later.
    QTRY_COMPARE(arrived.size(), 1);
    QVERIFY(WriteBatch::instance().commit());
    QCOMPARE(table(widget)->model()->rowCount(), 1);
}

void TestAlarmLogWidget::pageAfterTheCommitShowsRowsOnce_data()
{
    QTest::addColumn<QByteArray>("commitAt");
    QTest::addColumn<bool>("onceAsRead");
    QTest::newRow("before the page") << QByteArray() << true;
    QTest::newRow("as the page finds the newest key") << QByteArray("max(") << false;
    QTest::newRow("between the newest key and the rows") << QByteArray("limit") << true;
}

// Oldest first, a burst of one second goes past the rows read; the writer
// commits it before the view hears of it, at points of the page's read.
// Each row shows once, as the page is read (but for a commit that slips
// between the two), once the keys come, and in the other order.
void TestAlarmLogWidget::pageAfterTheCommitShowsRowsOnce()
{
    QFETCH(QByteArray, commitAt);
    QFETCH(bool, onceAsRead);
    addOldRows(AlarmLogModel::PageRows + 10);
    AlarmLogWidget widget;
    widget.setClock([now = noonOfTheRun()] { return now; });
    table(widget)->horizontalHeader()->setSortIndicator(1, Qt::AscendingOrder); // the burst past the first page
    QSignalSpy arrived(widget.feed(), &AlarmLogFeed::arrived);
    WriteBatch& batch = WriteBatch::instance();
    const ScopedHook held(batch, &WriteBatch::setCommitDelay, 60000, WriteBatch::CommitDelayMs);
    for (int i = 0; i < 5; ++i)
        widget.addRecord(QStringLiteral("late"), QStringLiteral("State"), QStringLiteral("Critical"));
    QVERIFY(arrived.wait());
    const auto commitNow = [](unsigned, void* at, void*, void* sql) {
        if (!QByteArray(static_cast<const char*>(sql)).contains(*static_cast<QByteArray*>(at)))
            return 0;
        WriteBatch::instance().setCommitDelay(0);
        const QDeadlineTimer deadline(60000);
        while (WriteBatch::instance().pendingRows() > 0 && !deadline.hasExpired())
            QThread::yieldCurrentThread();
        return 0;
    };
    if (commitAt.isEmpty())
        commitNow(0, &commitAt, nullptr, const_cast<char*>(""));
    sqlite3* db = *static_cast<sqlite3* const*>(QSqlDatabase::database().driver()->handle().data());
    sqlite3_trace_v2(db, SQLITE_TRACE_STMT, commitNow, &commitAt);
    table(widget)->model()->fetchMore(QModelIndex());
    sqlite3_trace_v2(db, 0, nullptr, nullptr);
    QVERIFY(!table(widget)->model()->canFetchMore(QModelIndex()));
    if (onceAsRead)
        QCOMPARE(shown(widget, 2).count(QStringLiteral("late")), 5);
    QVERIFY(batch.commit());
    const QString sql =
        QStringLiteral("select id from logAlarm order by %1 %2, id %2").arg(StampKey::sql(QStringLiteral("datetime")));
    QCOMPARE(shown(widget, 0), sqlRows(sql.arg(QLatin1String("asc"))));
    table(widget)->horizontalHeader()->setSortIndicator(1, Qt::DescendingOrder);
    table(widget)->model()->fetchMore(QModelIndex());
    QCOMPARE(shown(widget, 0), sqlRows(sql.arg(QLatin1String("desc"))));
}

// The days change while a row is committed but its key not yet told.
void TestAlarmLogWidget::reloadAfterTheCommitShowsRowsOnce()
{
    AlarmLogWidget widget;
    QSignalSpy arrived(widget.feed(), &AlarmLogFeed::arrived);
    WriteBatch& batch = WriteBatch::instance();
    const ScopedHook held(batch, &WriteBatch::setCommitDelay, 60000, WriteBatch::CommitDelayMs);
    widget.addRecord(QStringLiteral("late"), QStringLiteral("State"), QStringLiteral("Critical"));
    QVERIFY(arrived.wait());
    batch.setCommitDelay(0);
    const QDeadlineTimer deadline(60000);
    while (batch.pendingRows() > 0 && !deadline.hasExpired())
        QThread::yieldCurrentThread();
    showDays(widget, noonOfTheRun().date().addDays(-3), noonOfTheRun().date());
    QCOMPARE(shown(widget, 2).count(QStringLiteral("late")), 1);
}

// Newest first: the writer commits a row, a page goes on past its place,
// and only then the view takes the row, its key known. It shows, once.
void TestAlarmLogWidget::rowTakenAfterAPageReadSinceItsCommitShows()
{
    addOldRows(AlarmLogModel::PageRows + 10);
    AlarmLogWidget widget;
    QSignalSpy arrived(widget.feed(), &AlarmLogFeed::arrived);
    widget.addRecord(QStringLiteral("late"), QStringLiteral("State"), QStringLiteral("Critical"));
    QVERIFY(WriteBatch::instance().commit());
    table(widget)->model()->fetchMore(QModelIndex());
    QVERIFY(arrived.wait());
    QCOMPARE(shown(widget, 2).count(QStringLiteral("late")), 1);
}

void TestAlarmLogWidget::filterControlsNarrowTheView()
{
    addRow(stampDaysAgo(40), QStringLiteral("E1"), QStringLiteral("State"), QStringLiteral("Critical"));
    addRow(stampDaysAgo(2), QStringLiteral("E1"), QStringLiteral("State"), QStringLiteral("OK"));
    addRow(stampDaysAgo(1), QStringLiteral("E1"), QStringLiteral("State"), QStringLiteral("Warning"));
    addRow(stampDaysAgo(0), QStringLiteral("E1"), QStringLiteral("State"), QStringLiteral("Critical"));
    AlarmLogWidget widget;
    const QAbstractItemModel* view = table(widget)->model();
    // The last 31 days at first: the 40-day-old row is out.
    QCOMPARE(view->rowCount(), 3);

    QVERIFY(operatorClick(widget.findChild<QToolButton*>(QStringLiteral("btnOK"))));
    QCOMPARE(view->rowCount(), 2);
    QVERIFY(operatorClick(widget.findChild<QToolButton*>(QStringLiteral("btnWaring"))));
    QCOMPARE(view->rowCount(), 1);
    QCOMPARE(view->index(0, 4).data().toString(), QStringLiteral("Critical"));

    widget.findChild<QDateEdit*>(QStringLiteral("dtpFrom"))->setDate(noonOfTheRun().date().addDays(-50));
    QCOMPARE(view->rowCount(), 2);
    widget.findChild<QDateEdit*>(QStringLiteral("dtpTo"))->setDate(noonOfTheRun().date().addDays(-1));
    QCOMPARE(view->rowCount(), 1);
}

// Pages are read as the view scrolls, rows beyond what it asked for go
// again when new ones come, and scrolling on still shows every row once,
// newest first. A header click sorts in the query, page by page, ties by
// key. A printout holds the rows as they stood when it started, and stops
// when cancelled.
void TestAlarmLogWidget::longLogIsReadAsTheViewScrolls()
{
    const int page = AlarmLogModel::PageRows;
    QSqlDatabase::database().transaction();
    for (int i = 0; i < 2 * page + 300; ++i)
        addRow(stampDaysAgo(1), i % 5 ? QStringLiteral("old") : QString(), QStringLiteral("R%1").arg(i),
               i % 7 ? QStringLiteral("OK") : "Off");
    QSqlDatabase::database().commit();
    QVERIFY(ReportCapture::writeTemplate(m_home->filePath(QStringLiteral("AlarmLogReport.xml")), {"reason"}));
    AlarmLogWidget widget;
    QAbstractItemModel* view = table(widget)->model();
    QCOMPARE(view->rowCount(), page);
    view->fetchMore(QModelIndex());
    QCOMPARE(view->rowCount(), 2 * page);
    QSignalSpy arrived(widget.feed(), &AlarmLogFeed::arrived);
    for (int i = 0; i < page + 100; ++i)
        widget.addRecord(QStringLiteral("new"), QStringLiteral("State"), QStringLiteral("Critical"));
    QVERIFY(arrived.wait());
    WriteBatch::instance().commit();
    QVERIFY(view->rowCount() <= 3 * page);

    const auto shown = [view](int column) {
        while (view->canFetchMore(QModelIndex()))
            view->fetchMore(QModelIndex());
        QStringList rows;
        for (int row = 0; row < view->rowCount(); ++row)
            rows << view->index(row, column).data().toString();
        return rows;
    };
    QCOMPARE(shown(0), sqlRows(QStringLiteral("select id from logAlarm where info <> 'Off' order by id desc")));
    for (const char* order : {"asc", "desc"}) {
        table(widget)->horizontalHeader()->setSortIndicator(2, order[0] == 'a' ? Qt::AscendingOrder : Qt::DescendingOrder);
        QCOMPARE(view->rowCount(), page);
        QCOMPARE(shown(0), sqlRows(QStringLiteral("select id from logAlarm where info <> 'Off' order by source %1, id %1")
                                       .arg(QLatin1String(order))));
    }
    const QStringList printed =
        sqlRows(QStringLiteral("select reason from logAlarm where info <> 'Off' order by source desc, id desc"));
    widget.addRecord(QStringLiteral("zz"), QStringLiteral("State"), QStringLiteral("Critical"));
    QTRY_COMPARE(view->index(0, 2).data().toString(), QStringLiteral("zz"));

    ReportCapture capture;
    capture.beforeRender = [&widget](ReportEngine&) {
        widget.addRecord(QStringLiteral("zzz"), QStringLiteral("State"), QStringLiteral("Critical"));
        WriteBatch::instance().commit();
    };
    widget.print();
    QCOMPARE(capture.recordsCount, QList<int>{printed.size() + 1});
    for (int row = 0; row < printed.size(); ++row)
        QCOMPARE(capture.answer(row + 1, QStringLiteral("reason")).toString(), printed.at(row));
    QVERIFY(!capture.asked(printed.size() + 1, QStringLiteral("reason")));

    ReportCapture cancelled;
    cancelled.beforeRender = [](ReportEngine& report) {
        QObject::connect(&report, &ReportEngine::renderProgress, &report, &ReportEngine::cancelRendering);
    };
    widget.print();
    QCOMPARE(cancelled.prints, 1);
    QVERIFY(!cancelled.asked(0, QStringLiteral("reason")));
    QVERIFY(!QFile::exists(cancelled.outputFile));

    // Sorted by time, rows that come go past the last row read: scrolling
    // down shows each of them once, whether a page or the writer comes first.
    table(widget)->horizontalHeader()->setSortIndicator(1, Qt::AscendingOrder);
    for (const char* source : {"late1", "late2"})
        widget.addRecord(QLatin1String(source), QStringLiteral("State"), QStringLiteral("Critical"));
    QVERIFY(arrived.wait());
    QTRY_COMPARE(shown(0), sqlRows(QStringLiteral("select id from logAlarm where info <> 'Off' order by %1, id")
                                       .arg(StampKey::sql(QStringLiteral("datetime")))));
}

void TestAlarmLogWidget::dateOrderIsTimeOrder_data()
{
    QTest::addColumn<bool>("older");
    QTest::newRow("shipped file") << false;
    QTest::newRow("older file after the upkeep") << true;
}

// The stored text stays; the days and the Date/Time order go by the stamp's
// time-order key, which an index serves, in the shipped file and in an older
// one once the upkeep has run.
void TestAlarmLogWidget::dateOrderIsTimeOrder()
{
    QFETCH(bool, older);
    QSqlQuery query;
    if (older) {
        QVERIFY(query.exec(QStringLiteral("drop index logAlarm_stamp")));
        QVERIFY(query.exec(QStringLiteral("create index logAlarm_datetime on logAlarm(datetime)")));
        for (const char* index : {"stamp", "user", "subject", "info"})
            QVERIFY(query.exec(QStringLiteral("drop index logUserAction_%1").arg(QLatin1String(index))));
        DatabaseManager manager;
        QSignalSpy done(&manager, &DatabaseManager::upkeepDone);
        manager.startUpkeep();
        QVERIFY(!done.isEmpty() || done.wait());
        QCOMPARE(sqlRows(QStringLiteral("select name from sqlite_master where name like 'logAlarm_%' order by name")),
                 (QStringList{"logAlarm_info", "logAlarm_reason", "logAlarm_source", "logAlarm_stamp"}));
        QCOMPARE(sqlRows(QStringLiteral("select name from sqlite_master where name like 'logUserAction_%' order by name")),
                 (QStringList{"logUserAction_info", "logUserAction_stamp", "logUserAction_subject", "logUserAction_user"}));
    }
    const QString key = StampKey::sql(QStringLiteral("datetime"));
    for (const QString& order : {QStringLiteral("id desc"), key + QStringLiteral(" asc, id asc")}) {
        QVERIFY(query.exec(QStringLiteral("explain query plan select id from logAlarm where %1 >= '20261101' and "
                                          "%1 < '20261202' order by %2").arg(key, order)));
        QStringList plan;
        while (query.next())
            plan << query.value(3).toString();
        QVERIFY2(plan.join(' ').contains(QStringLiteral("INDEX logAlarm_stamp")), qPrintable(plan.join('\n')));
    }
    query.finish();
    for (const char* stamp : {"01.12.2026 09:00:00 ", "08.11.2026 10:00:00 ", "02.10.2026 08:00:00 ", "15.11.2026 08:00:00 "})
        addRow(QLatin1String(stamp), QStringLiteral("E1"), QStringLiteral("State"), QStringLiteral("Critical"));
    AlarmLogWidget widget;
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    showDays(widget, QDate(2026, 11, 1), QDate(2026, 12, 31));
    clickHeader(widget, 1);
    QCOMPARE(shown(widget, 1), (QStringList{"08.11.2026 10:00:00 ", "15.11.2026 08:00:00 ", "01.12.2026 09:00:00 "}));
    clickHeader(widget, 1);
    QCOMPARE(shown(widget, 1), (QStringList{"01.12.2026 09:00:00 ", "15.11.2026 08:00:00 ", "08.11.2026 10:00:00 "}));
}

// Days holding many rows, their keys spread over the whole table: the view's
// pages and a printout's count are those of the days, in every order.
void TestAlarmLogWidget::manyRowsOnTheDaysAreReadAndCounted()
{
    QSqlQuery query;
    QVERIFY(query.exec(QStringLiteral(
        "with recursive n(i) as (select 0 union all select i + 1 from n where i < 29999) "
        "insert into logAlarm(datetime, source, reason, info) select strftime('%d.%m.%Y %H:%M:%S ', '2026-11-01', "
        "'+' || (i % 40) || ' days', '+' || (i % 86400) || ' seconds'), 'E' || (i % 7), 'R', "
        "case i % 4 when 0 then 'OK' when 1 then 'Warning' when 2 then 'Critical' else 'Link lost' end from n")));
    // Written last, while a clock was set back: rows of the days with keys
    // beyond those of the days' last and first rows by time.
    for (const char* stamp : {"10.11.2026 08:00:00 ", "10.11.2026 08:00:01 ", "11.12.2026 08:00:00 "})
        addRow(QLatin1String(stamp), QStringLiteral("A"), QStringLiteral("R"), QStringLiteral("OK"));
    // Rows of one second, more than a page.
    QVERIFY(query.exec(QStringLiteral("with recursive n(i) as (select 0 union all select i + 1 from n where i < 599) "
                                      "insert into logAlarm(datetime, source, reason, info) "
                                      "select '15.11.2026 12:00:00 ', 'T', 'R', 'OK' from n")));
    const QString onDays = QStringLiteral("from logAlarm where info <> 'Link lost' and substr(datetime, 7, 4) || "
                                          "substr(datetime, 4, 2) || substr(datetime, 1, 2) between '20261105' and '20261124'");
    AlarmLogWidget widget;
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    showDays(widget, QDate(2026, 11, 5), QDate(2026, 11, 24));
    QTRY_COMPARE(shown(widget, 0), sqlRows(QStringLiteral("select id %1 order by id desc limit 500").arg(onDays)));
    clickHeader(widget, 2);
    QCOMPARE(shown(widget, 0), sqlRows(QStringLiteral("select id %1 order by source, id limit 500").arg(onDays)));

    ReportCapture capture;
    capture.beforeRender = [](ReportEngine& report) {
        QObject::connect(&report, &ReportEngine::renderProgress, &report, &ReportEngine::cancelRendering);
    };
    widget.print();
    QCOMPARE(capture.recordsCount, QList<int>{sqlRows(QStringLiteral("select count(*) %1").arg(onDays)).value(0).toInt()});

    // Read to the end, page after page, each page costs about what the
    // first did: a page deep in the days starts at the row before it and
    // walks no key before that one.
    sqlite3* db = *static_cast<sqlite3* const*>(QSqlDatabase::database().driver()->handle().data());
    qint64 steps = 0;
    sqlite3_progress_handler(db, 100, [](void* count) { return ++*static_cast<qint64*>(count), 0; }, &steps);
    const auto noHandler = qScopeGuard([db] { sqlite3_progress_handler(db, 0, nullptr, nullptr); });
    QAbstractItemModel* view = table(widget)->model();
    const QString key = StampKey::sql(QStringLiteral("datetime"));
    for (const auto& [section, order, sql] : {std::make_tuple(1, Qt::DescendingOrder, key + " desc, id desc"),
                                              std::make_tuple(1, Qt::AscendingOrder, key + " asc, id asc"),
                                              std::make_tuple(0, Qt::AscendingOrder, QStringLiteral("id asc"))}) {
        steps = 0;
        table(widget)->horizontalHeader()->setSortIndicator(section, order);
        const qint64 firstPage = std::max<qint64>(steps, 1);
        while (view->canFetchMore(QModelIndex()))
            view->fetchMore(QModelIndex());
        const int pages = view->rowCount() / AlarmLogModel::PageRows + 1;
        QCOMPARE(shown(widget, 0), sqlRows(QStringLiteral("select id %1 order by %2").arg(onDays, sql)));
        QVERIFY2(steps <= 3 * pages * firstPage, qPrintable(QStringLiteral("%1 steps for %2 pages, the first %3")
                                                                .arg(steps).arg(pages).arg(firstPage)));
    }
}

// The clock ran ahead and was set back: the newest row is stamped after the
// shown days, the rows written since on them. More rows lie on the days than
// are sorted in memory, so a header sort reads between their keys.
void TestAlarmLogWidget::rowsWrittenAfterTheClockWasSetBackStayInEverySort()
{
    QSqlQuery query;
    QVERIFY(query.exec(QStringLiteral("with recursive n(i) as (select 0 union all select i + 1 from n where i < %1) "
                                      "insert into logAlarm(datetime, source, reason, info) "
                                      "select '10.11.2026 08:00:00 ', 'E', 'R', 'OK' from n")
                           .arg(LogPager::SortedRangeRows)));
    addRow(QStringLiteral("01.12.2026 08:00:00 "), QStringLiteral("ahead"), QStringLiteral("R"), QStringLiteral("OK"));
    AlarmLogWidget widget;
    widget.setClock([] { return QDateTime(QDate(2026, 11, 20), QTime(9, 0)); });
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    showDays(widget, QDate(2026, 11, 1), QDate(2026, 11, 30));
    // The days' ends are exact before the row comes.
    QTRY_VERIFY(!widget.findChild<AlarmLogModel*>()->pager().spanEstimated());
    widget.addRecord(QStringLiteral("A after"), QStringLiteral("R"), QStringLiteral("OK"));
    QVERIFY(WriteBatch::instance().commit());
    QTRY_COMPARE(shown(widget, 2).value(0), QStringLiteral("A after"));
    for (int click = 0; click < 2; ++click) {
        clickHeader(widget, 2);
        QCOMPARE(shown(widget, 2).contains(QStringLiteral("A after")), click == 0);
    }
}

// The header as the last run left it, sorted by Date/Time: restored, it
// leaves the order to the query, and a click on Date/Time shows the oldest
// row first, ties by key.
void TestAlarmLogWidget::storedHeaderSortLeavesTheOrderToTheQuery()
{
    for (int days : {1, 2, 1, 0})
        addRow(stampDaysAgo(days), QStringLiteral("E%1").arg(days), QStringLiteral("R"), QStringLiteral("OK"));
    {
        AlarmLogWidget lastRun;
        table(lastRun)->horizontalHeader()->setSortIndicator(1, Qt::DescendingOrder);
    }
    AlarmLogWidget widget;
    widget.show();
    QVERIFY(QTest::qWaitForWindowExposed(&widget));
    QCOMPARE(shown(widget, 0), (QStringList{"4", "3", "2", "1"}));
    clickHeader(widget, 1);
    QCOMPARE(shown(widget, 0), (QStringList{"2", "1", "3", "4"}));
}

void TestAlarmLogWidget::viewUpToTodayFollowsMidnight()
{
    const QDate day(2026, 3, 6);
    AlarmLogWidget widget;
    QDateTime now(day, QTime(23, 59, 58));
    widget.setClock([&now] { return now; });
    showDays(widget, day.addDays(-31), day);
    widget.afterTimer();
    widget.addRecord(QStringLiteral("E1"), QStringLiteral("State"), QStringLiteral("Critical"));
    const QAbstractItemModel* view = table(widget)->model();
    QTRY_COMPARE(view->rowCount(), 1);

    // Past midnight the records of the new day still show.
    now = QDateTime(day.addDays(1), QTime(0, 0, 1));
    widget.afterTimer();
    widget.addRecord(QStringLiteral("E2"), QStringLiteral("State"), QStringLiteral("Critical"));
    QTRY_COMPARE(view->index(0, 2).data().toString(), QStringLiteral("E2"));
    QTRY_COMPARE(view->rowCount(), 2);
    QCOMPARE(widget.findChild<QDateEdit*>(QStringLiteral("dtpTo"))->date(), day.addDays(1));
    QCOMPARE(widget.findChild<QDateEdit*>(QStringLiteral("dtpFrom"))->date(), day.addDays(-31));

    // A range the operator ended on an earlier day stays as chosen.
    showDays(widget, day.addDays(-31), day);
    now = QDateTime(day.addDays(2), QTime(0, 0, 1));
    widget.afterTimer();
    widget.addRecord(QStringLiteral("E3"), QStringLiteral("State"), QStringLiteral("Critical"));
    QCOMPARE(widget.findChild<QDateEdit*>(QStringLiteral("dtpTo"))->date(), day);
    QCOMPARE(view->rowCount(), 1);
}

void TestAlarmLogWidget::clearAllAsksFirst_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("cleared");
    QTest::newRow("No") << int(QMessageBox::No) << false;
    QTest::newRow("closed") << int(QMessageBox::NoButton) << false;
    QTest::newRow("Yes") << int(QMessageBox::Yes) << true;
}

void TestAlarmLogWidget::clearAllAsksFirst()
{
    QFETCH(int, answer);
    QFETCH(bool, cleared);
    for (int i = 0; i < 3; ++i)
        addRow(stampDaysAgo(i), QStringLiteral("E1"), QStringLiteral("State"), QStringLiteral("OK"));

    AlarmLogWidget widget;
    UserActionLogDlg userLog;
    userLog.userName = QStringLiteral("admin");
    connect(&widget, &AlarmLogWidget::writeUserActionLog, &userLog,
            qOverload<QString, QString>(&UserActionLogDlg::addRecord));
    QVERIFY(!widget.clearButton->isVisible());
    QVERIFY(!widget.clearButton->isEnabled());

    answerQuestion(QMessageBox::StandardButton(answer));
    widget.clearAllLog();

    if (!cleared) {
        QCOMPARE(sqlRows(QStringLiteral("select count(*) from logAlarm")).value(0).toInt(), 3);
        QCOMPARE(table(widget)->model()->rowCount(), 3);
        QCOMPARE(sqlRows(QStringLiteral("select count(*) from logUserAction")).value(0).toInt(), 0);
        return;
    }
    QCOMPARE(sqlRows(QStringLiteral("select count(*) from logAlarm")).value(0).toInt(), 0);
    QCOMPARE(table(widget)->model()->rowCount(), 0);
    QCOMPARE(sqlRows(QStringLiteral("select count(*) from sqlite_sequence where name='logAlarm'")).value(0).toInt(), 0);
    QCOMPARE(sqlRows(QStringLiteral("select subject || '/' || info || '/' || user from logUserAction")),
             QStringList{QStringLiteral("AlarmLog/Clear log alarm/admin")});

    widget.addRecord(QStringLiteral("E1"), QStringLiteral("State"), QStringLiteral("OK"));
    QVERIFY(WriteBatch::instance().commit());
    QCOMPARE(sqlRows(QStringLiteral("select id from logAlarm")).value(0).toInt(), 1);
}

void TestAlarmLogWidget::nightlyCleanupRunsOncePerNight()
{
    const QDate today = noonOfTheRun().date();
    setSetting(QStringLiteral("AL_KeepDays"), 30);
    setSetting(QStringLiteral("AL_LastClear"), today.addDays(-30));
    addRow(stampDaysAgo(40), QStringLiteral("old"), QStringLiteral("State"), QStringLiteral("OK"));
    addRow(stampDaysAgo(5), QStringLiteral("recent"), QStringLiteral("State"), QStringLiteral("OK"));
    addRow(QStringLiteral("garbage"), QStringLiteral("unparseable"), QStringLiteral("State"), QStringLiteral("OK"));
    addRow(QStringLiteral(""), QStringLiteral("empty"), QStringLiteral("State"), QStringLiteral("OK"));
    addRow(QVariant(QVariant::String), QStringLiteral("null"), QStringLiteral("State"), QStringLiteral("OK"));

    AlarmLogWidget widget;
    QDateTime now(today.addDays(-1), QTime(23, 59, 59));
    widget.setClock([&now] { return now; });
    QSignalSpy userActions(&widget, &AlarmLogWidget::writeUserActionLog);
    const QString sources = QStringLiteral("select source from logAlarm order by id");

    widget.afterTimer();
    QCOMPARE(sqlRows(sources).size(), 5);

    now = QDateTime(today, QTime(0, 0, 0));
    widget.afterTimer();
    QCOMPARE(sqlRows(sources), (QStringList{"recent", "unparseable", "empty", "null"}));
    QCOMPARE(setting(QStringLiteral("AL_LastClear")).toDate(), today);
    QCOMPARE(userActions.count(), 1);

    // Later ticks of the night change nothing, whatever has come since.
    addRow(stampDaysAgo(45), QStringLiteral("late"), QStringLiteral("State"), QStringLiteral("OK"));
    for (const QTime time : {QTime(0, 0, 30), QTime(0, 0, 59), QTime(0, 1, 0), QTime(12, 0, 0)}) {
        now = QDateTime(today, time);
        widget.afterTimer();
    }
    QCOMPARE(sqlRows(sources).size(), 5);
    QCOMPARE(userActions.count(), 1);
}

void TestAlarmLogWidget::keepDaysZeroClearsOnce()
{
    const QDate today = noonOfTheRun().date();
    setSetting(QStringLiteral("AL_KeepDays"), 0);
    setSetting(QStringLiteral("AL_LastClear"), today.addDays(-1));
    addRow(stampDaysAgo(0), QStringLiteral("E1"), QStringLiteral("State"), QStringLiteral("OK"));

    AlarmLogWidget widget;
    QDateTime now;
    widget.setClock([&now] { return now; });
    QSignalSpy userActions(&widget, &AlarmLogWidget::writeUserActionLog);
    // The database refuses the first clear: told, not recorded, tried again.
    MessageCatcher catcher;
    QStringList told;
    DatabaseAlert::reset();
    const ScopedHook notifier(&DatabaseAlert::setNotifier, [&told](const QString& text, bool) { told.append(text); });
    QSqlQuery query;
    QVERIFY(query.exec(QStringLiteral("alter table logAlarm rename to away")));
    for (int second = 0; second < 60; ++second) {
        now = QDateTime(today, QTime(0, 0, second));
        widget.afterTimer();
        if (second == 0) {
            QVERIFY(query.exec(QStringLiteral("alter table away rename to logAlarm")));
            QVERIFY(catcher.contains(QStringLiteral("The log cannot be cleared")) && userActions.isEmpty());
            QCOMPARE(told.size(), 1);
        } else if (second == 1) {
            addRow(stampDaysAgo(0), QStringLiteral("after"), QStringLiteral("State"), QStringLiteral("OK"));
        }
    }
    QCOMPARE(userActions.count(), 1);
    QCOMPARE(sqlRows(QStringLiteral("select source from logAlarm")), QStringList{QStringLiteral("after")});
}

void TestAlarmLogWidget::unusableKeepDaysCountAsThirty_data()
{
    QTest::addColumn<QString>("keepDays");
    QTest::newRow("negative") << "-5";
    QTest::newRow("not a number") << "many";
    QTest::newRow("not whole") << "2.5";
}

void TestAlarmLogWidget::unusableKeepDaysCountAsThirty()
{
    QFETCH(QString, keepDays);
    const QDate today = noonOfTheRun().date();
    setSetting(QStringLiteral("AL_KeepDays"), keepDays);
    setSetting(QStringLiteral("AL_LastClear"), today.addDays(-10));
    addRow(stampDaysAgo(0), QStringLiteral("today"), QStringLiteral("State"), QStringLiteral("OK"));
    addRow(stampDaysAgo(35), QStringLiteral("old"), QStringLiteral("State"), QStringLiteral("OK"));

    AlarmLogWidget widget;
    QDateTime now(today, QTime(0, 0, 1));
    widget.setClock([&now] { return now; });
    MessageCatcher catcher;
    // Ten days since the last clean-up: not due with 30 keep-days.
    widget.afterTimer();
    widget.afterTimer();
    QCOMPARE(sqlRows(QStringLiteral("select source from logAlarm")).size(), 2);
    QCOMPARE(catcher.messages().filter(QRegularExpression("^AL_KeepDays=.* refused")).size(), 1); // not once a tick

    // Twenty-one days later it is due, and today's rows stay.
    now = QDateTime(today.addDays(21), QTime(0, 0, 1));
    widget.afterTimer();
    QCOMPARE(sqlRows(QStringLiteral("select source from logAlarm")), QStringList{QStringLiteral("today")});
}

void TestAlarmLogWidget::headerStateSurvivesRestart()
{
    {
        AlarmLogWidget widget;
        QHeaderView* header = table(widget)->horizontalHeader();
        QCOMPARE(header->sectionSize(1), AlarmLogWidget::kDateTimeWidth);
        QCOMPARE(header->sectionSize(3), AlarmLogWidget::kReasonWidth);
        QVERIFY(header->isSectionHidden(0));
        header->resizeSection(2, 77);
        header->moveSection(4, 1);
    }
    QVERIFY(!setting(QStringLiteral("AlarmLogWidgetState")).toByteArray().isEmpty());
    AlarmLogWidget widget;
    QHeaderView* header = table(widget)->horizontalHeader();
    QCOMPARE(header->sectionSize(2), 77);
    QCOMPARE(header->visualIndex(4), 1);
    QVERIFY(header->isSectionHidden(0));
}

void TestAlarmLogWidget::printAnswersFromTheFilteredView()
{
    QVERIFY(ReportCapture::writeTemplate(m_home->filePath(QStringLiteral("AlarmLogReport.xml")),
                                         {"datetime", "source", "reason", "info", "user"}));
    addRow(stampDaysAgo(2), QStringLiteral("E1"), QStringLiteral("Zone 1"), QStringLiteral("OK"));
    addRow(stampDaysAgo(1), QStringLiteral("E2"), QStringLiteral("Zone 2"), QStringLiteral("Warning"));
    addRow(stampDaysAgo(0), QStringLiteral("E3"), QStringLiteral("Zone 1"), QStringLiteral("Critical"));
    AlarmLogWidget widget;
    QVERIFY(operatorClick(widget.findChild<QToolButton*>(QStringLiteral("btnWaring"))));

    ReportCapture capture;
    MessageCatcher catcher;
    QVERIFY(operatorClick(widget.findChild<QToolButton*>(QStringLiteral("btnPrintPreview"))));

    QCOMPARE(capture.prints, 1);
    QCOMPARE(capture.recordsCount, QList<int>{2});
    QCOMPARE(capture.answer(0, QStringLiteral("datetime")).toString(),
             sqlRows(QStringLiteral("select datetime from logAlarm where source = 'E3'")).value(0));
    QCOMPARE(capture.answer(0, QStringLiteral("source")).toString(), QStringLiteral("E3"));
    QCOMPARE(capture.answer(0, QStringLiteral("reason")).toString(), QStringLiteral("Zone 1"));
    QCOMPARE(capture.answer(1, QStringLiteral("info")).toString(), QStringLiteral("OK"));
    QVERIFY(capture.asked(0, QStringLiteral("user")));
    QVERIFY(!capture.answer(0, QStringLiteral("user")).isValid());
    QVERIFY(!capture.asked(2, QStringLiteral("source")));
    QVERIFY(!catcher.contains(QStringLiteral("Report file not found")));
    QVERIFY(!widget.findChild<ReportEngine*>());
}

void TestAlarmLogWidget::printWithoutTemplateWarns()
{
    QFile::remove(m_home->filePath(QStringLiteral("AlarmLogReport.xml")));
    AlarmLogWidget widget;
    ReportCapture capture;
    MessageCatcher catcher;
    widget.print();
    QVERIFY(catcher.contains(QStringLiteral("Report file not found")));
    QCOMPARE(capture.prints, 1);
    QCOMPARE(capture.recordsCount, QList<int>{0});
}

// The real template, 250 rows: every row in view order across its pages,
// Cyrillic and accented texts intact in the PDF and in the HTML file.
void TestAlarmLogWidget::printsShippedTemplate()
{
    const QString shipped = m_home->filePath(QStringLiteral("AlarmLogReport.xml"));
    QFile::remove(shipped);
    QVERIFY(QFile::copy(QStringLiteral(LUMETRA_TEMPLATES "/AlarmLogReport.xml"), shipped));
    QSqlDatabase::database().transaction();
    for (int i = 0; i < 250; ++i)
        addRow(stampDaysAgo(0), QStringLiteral("Енергайзер %1").arg(i, 3, 10, QLatin1Char('0')),
               QStringLiteral("Zóna Ærø"), QStringLiteral("Critical"));
    QSqlDatabase::database().commit();
    AlarmLogWidget widget;

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("alarmlog.pdf"));
    const QString html = dir.filePath(QStringLiteral("alarmlog.html"));
    bool written = false;
    const ScopedHook preview(&ReportEngine::setPreviewHook, [&](ReportEngine& report) {
        written = report.printPDF(pdf, false) && report.printHTML(html, false);
    });
    widget.print();
    QVERIFY(written);
    if (!qEnvironmentVariableIsEmpty("LUMETRA_ARTIFACTS"))
        PdfProbe::pageImage(pdf, 1, 60).save(qEnvironmentVariable("LUMETRA_ARTIFACTS") + "/alarmlog-page1.png");

    // 44 rows under the title, 48 on each later page.
    QCOMPARE(PdfProbe::pageCount(pdf), 6);
    const QString text = PdfProbe::text(pdf);
    QList<int> order;
    const QRegularExpression row(QStringLiteral("Енергайзер (\\d{3})\\s+Zóna Ærø"));
    for (auto it = row.globalMatch(text); it.hasNext();)
        order << it.next().captured(1).toInt();
    QList<int> newestFirst;
    for (int i = 249; i >= 0; --i)
        newestFirst << i;
    QCOMPARE(order, newestFirst);
    QCOMPARE(PdfProbe::text(pdf, 6).count(QStringLiteral("Zóna Ærø")), 250 - 44 - 4 * 48);

    // The HTML file parses as HTML, every div closed, the texts intact.
    QProcess parser;
    parser.start(QStringLiteral("python3"), {QStringLiteral("-c"), QStringLiteral(
        "import sys, html.parser\n"
        "class P(html.parser.HTMLParser):\n"
        "    depth = 0; divs = 0; text = ''\n"
        "    def handle_starttag(self, tag, a):\n"
        "        if tag == 'div': self.depth += 1; self.divs += 1\n"
        "    def handle_endtag(self, tag):\n"
        "        if tag == 'div': self.depth -= 1\n"
        "    def handle_data(self, d): self.text += d\n"
        "p = P(); p.feed(open(sys.argv[1], encoding='utf-8').read())\n"
        "print(p.depth, p.divs, p.text.count('Енергайзер'), p.text.count('Zóna Ærø'))\n"), html});
    QVERIFY(parser.waitForFinished(-1));
    QCOMPARE(QString::fromUtf8(parser.readAllStandardOutput()).trimmed(), QStringLiteral("0 1006 250 250"));
}

QTEST_MAIN(TestAlarmLogWidget)
#include "tst_alarmlogwidget.moc"
