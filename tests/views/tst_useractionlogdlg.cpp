#include "apppaths.h"
#include "databasealert.h"
#include "logmodel.h"
#include "messagecatcher.h"
#include "modalanswerer.h"
#include "operatorclick.h"
#include "reportcapture.h"
#include "resources.h"
#include "scopedhook.h"
#include "sqlrows.h"
#include "testhome.h"
#include "useractionlogdlg.h"
#include "writebatch.h"

#include <QAbstractButton>
#include <QHeaderView>
#include <QMessageBox>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {

const QString kAllRows = QStringLiteral("select id || '|' || datetime || '|' || user || '|' || subject || '|' || info "
                                        "from logUserAction order by id");

void setSetting(const QString& key, const QVariant& value)
{
    QSettings settings(AppPaths::settings(), QSettings::IniFormat);
    settings.setIniCodec("UTF-8");
    settings.setValue(key, value);
}

} // namespace

class TestUserActionLogDlg : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void addRecordWritesUserAndStamp();
    void listIsWrittenInOrder();
    void viewHoldsAPageAndTakesActionsInPlace();
    void viewAndPrintoutShareTheTimeOrder_data();
    void viewAndPrintoutShareTheTimeOrder();
    void unsubmittedRecordWaitsForTheNextWrite();
    void refusedRowsAreSetAside_data();
    void refusedRowsAreSetAside();
    void clearAllLeavesItsOwnRecord_data();
    void clearAllLeavesItsOwnRecord();
    void keepDaysZeroClearsOnce();
    void printAnswersFromTheView();

private:
    QAbstractItemModel* view(UserActionLogDlg& dialog)
    {
        return dialog.findChild<QTableView*>(QStringLiteral("tableLog"))->model();
    }
    std::unique_ptr<TestHome> m_home;
    QDateTime m_now = QDateTime(QDate(2026, 3, 6), QTime(9, 5, 7));
};

void TestUserActionLogDlg::initTestCase()
{
    initLumetraResources();
    m_home = std::make_unique<TestHome>();
    QVERIFY(m_home->isValid());
    QVERIFY(m_home->openDatabase());
}

void TestUserActionLogDlg::init()
{
    QSqlQuery query;
    QVERIFY(query.exec(QStringLiteral("delete from logUserAction")));
    QVERIFY(query.exec(QStringLiteral("delete from sqlite_sequence")));
    QSettings(AppPaths::settings(), QSettings::IniFormat).clear();
}

void TestUserActionLogDlg::cleanupTestCase()
{
    m_home.reset();
}

void TestUserActionLogDlg::addRecordWritesUserAndStamp()
{
    UserActionLogDlg dialog;
    dialog.setClock([this] { return m_now; });
    dialog.userName = QStringLiteral("operator");
    // The action is handed to the writer, not waited for: shown once written.
    {
        const ScopedHook held(WriteBatch::instance(), &WriteBatch::setCommitDelay, 60000, WriteBatch::CommitDelayMs);
        dialog.addRecord(QStringLiteral("Workspace"), QStringLiteral("Saved"));
        QSqlQuery onDisk(QStringLiteral("select count(*) from logUserAction"));
        QVERIFY(onDisk.next());
        QCOMPARE(onDisk.value(0).toInt(), 0);
        onDisk.finish();
        QCOMPARE(view(dialog)->rowCount(), 0);
    }
    QCOMPARE(sqlRows(kAllRows), QStringList{QStringLiteral("1|06.03.2026 09:05:07 |operator|Workspace|Saved")});
    QCOMPARE(view(dialog)->rowCount(), 1);
    QCOMPARE(view(dialog)->index(0, 3).data().toString(), QStringLiteral("Workspace"));
    QCOMPARE(dialog.windowTitle(), QStringLiteral("User action log"));
}

void TestUserActionLogDlg::listIsWrittenInOrder()
{
    UserActionLogDlg dialog;
    dialog.setClock([this] { return m_now; });
    dialog.userName = QStringLiteral("admin");
    dialog.addRecord(QStringLiteral("Application"), QStringLiteral("Application start"));

    QSignalSpy resets(view(dialog), &QAbstractItemModel::modelReset);
    dialog.addRecordList({{"ConfirmAlarm", "Alarm 1 is confirmed"},
                          {"ConfirmAlarm", "Alarm 2 is confirmed"},
                          {"ConfirmAlarm", "Alarm 3 is confirmed"}});
    QCOMPARE(sqlRows(QStringLiteral("select id || ' ' || info from logUserAction order by id")),
             (QStringList{"1 Application start", "2 Alarm 1 is confirmed", "3 Alarm 2 is confirmed",
                          "4 Alarm 3 is confirmed"}));
    // Shown where they belong, without the table read again.
    QCOMPARE(resets.count(), 0);
    // Newest first in the view.
    QCOMPARE(view(dialog)->index(0, 4).data().toString(), QStringLiteral("Alarm 3 is confirmed"));

    dialog.addRecordList({});
    QCOMPARE(sqlRows(QStringLiteral("select count(*) from logUserAction")), QStringList{QStringLiteral("4")});
}

// A long log: the view holds a page of it, and an action goes in at the top
// without the table read again.
void TestUserActionLogDlg::viewHoldsAPageAndTakesActionsInPlace()
{
    QSqlQuery query;
    QVERIFY(query.exec(QStringLiteral("with recursive n(i) as (select 0 union all select i + 1 from n where i < %1) "
                                      "insert into logUserAction(datetime, user, subject, info) "
                                      "select '01.03.2026 08:00:00 ', 'admin', 'Old', 'row' from n")
                           .arg(2 * LogModel::PageRows)));
    UserActionLogDlg dialog;
    dialog.setClock([this] { return m_now; });
    QCOMPARE(view(dialog)->rowCount(), LogModel::PageRows);
    QSignalSpy resets(view(dialog), &QAbstractItemModel::modelReset);
    dialog.addRecord(QStringLiteral("New"), QStringLiteral("action"));
    QTRY_COMPARE(view(dialog)->index(0, 4).data().toString(), QStringLiteral("action"));
    QCOMPARE(view(dialog)->rowCount(), LogModel::PageRows + 1);
    QCOMPARE(resets.count(), 0);
}

void TestUserActionLogDlg::viewAndPrintoutShareTheTimeOrder_data()
{
    QTest::addColumn<int>("clicks");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("oldest first") << 1 << QStringList{"4", "2", "3", "1"};
    QTest::newRow("newest first") << 2 << QStringList{"1", "3", "2", "4"};
}

// Date/Time sorts in time order, ties by key in the same direction, and the
// printout shows the rows as the view does. The column shows whole stamps.
void TestUserActionLogDlg::viewAndPrintoutShareTheTimeOrder()
{
    QFETCH(int, clicks);
    QFETCH(QStringList, order);
    QVERIFY(ReportCapture::writeTemplate(m_home->filePath(QStringLiteral("UserActionLogReport.xml")), {"info"}));
    QSqlQuery query;
    for (const char* stamp : {"01.12.2026 09:00:00 ", "15.11.2026 08:00:00 ", "15.11.2026 08:00:00 ", "02.10.2026 08:00:00 "}) {
        QVERIFY(query.exec(QStringLiteral("insert into logUserAction(datetime, user, subject, info) "
                                          "values('%1', 'admin', 'Test', '%1')").arg(QLatin1String(stamp))));
    }
    UserActionLogDlg dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    auto* table = dialog.findChild<QTableView*>(QStringLiteral("tableLog"));
    QHeaderView* header = table->horizontalHeader();
    const int needed = static_cast<QAbstractItemView*>(table)->sizeHintForColumn(1);
    QVERIFY2(needed <= header->sectionSize(1), qPrintable(QStringLiteral("%1 < %2").arg(header->sectionSize(1)).arg(needed)));
    const QPoint at(header->sectionViewportPosition(1) + header->sectionSize(1) / 2, header->height() / 2);
    for (int click = 0; click < clicks; ++click)
        QTest::mouseClick(dialog.windowHandle(), Qt::LeftButton, {}, header->viewport()->mapTo(&dialog, at));
    QStringList shown;
    QStringList stamps;
    for (int row = 0; row < view(dialog)->rowCount(); ++row) {
        shown << view(dialog)->index(row, 0).data().toString();
        stamps << view(dialog)->index(row, 1).data().toString();
    }
    QCOMPARE(shown, order);
    ReportCapture capture;
    dialog.print();
    QStringList printed;
    for (int row = 0; row < capture.recordsCount.value(0); ++row)
        printed << capture.answer(row, QStringLiteral("info")).toString();
    QCOMPARE(printed, stamps);
}

void TestUserActionLogDlg::unsubmittedRecordWaitsForTheNextWrite()
{
    UserActionLogDlg dialog;
    dialog.addRecord(QStringLiteral("A"), QStringLiteral("first"), false);
    QCOMPARE(sqlRows(QStringLiteral("select count(*) from logUserAction")), QStringList{QStringLiteral("0")});
    dialog.addRecord(QStringLiteral("B"), QStringLiteral("second"), true);
    QCOMPARE(sqlRows(QStringLiteral("select id || ' ' || info from logUserAction order by id")),
             (QStringList{"1 first", "2 second"}));
}

void TestUserActionLogDlg::refusedRowsAreSetAside_data()
{
    QTest::addColumn<bool>("ageCleanup");
    QTest::addColumn<QString>("next");
    QTest::newRow("next record") << false << QStringLiteral("after");
    // Rows refused while the table was away hold back no clear.
    QTest::newRow("age clean-up") << true << QStringLiteral("Clear user action log");
}

void TestUserActionLogDlg::refusedRowsAreSetAside()
{
    QFETCH(bool, ageCleanup);
    QFETCH(QString, next);
    UserActionLogDlg dialog;
    QSqlQuery query;
    QVERIFY(query.exec(QStringLiteral("alter table logUserAction rename to logUserActionAway")));
    MessageCatcher catcher;
    QStringList told;
    DatabaseAlert::reset();
    const ScopedHook notifier(&DatabaseAlert::setNotifier, [&told](const QString& text, bool) { told.append(text); });
    dialog.addRecord(QStringLiteral("A"), QStringLiteral("while away"));
    dialog.addRecord(QStringLiteral("A"), QStringLiteral("still away"));
    QVERIFY(WriteBatch::instance().commit());
    QVERIFY(query.exec(QStringLiteral("alter table logUserActionAway rename to logUserAction")));
    QVERIFY(catcher.messages().filter(QStringLiteral("set aside: \"logUserAction: no such table")).size() <= 1);
    QCOMPARE(told.size(), 1); // the operator is told, once, of the table and why
    QVERIFY2(told.first().contains(QStringLiteral("logUserAction: no such table")), qPrintable(told.first()));

    if (ageCleanup)
        QVERIFY(dialog.clearLog(30));
    else
        dialog.addRecord(QStringLiteral("B"), QStringLiteral("after"));
    QCOMPARE(sqlRows(QStringLiteral("select id || ' ' || info from logUserAction order by id")),
             (QStringList{"1 " + next}));
    QCOMPARE(view(dialog)->rowCount(), 1);
}

void TestUserActionLogDlg::clearAllLeavesItsOwnRecord_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("cleared");
    QTest::newRow("No") << int(QMessageBox::No) << false;
    QTest::newRow("Yes") << int(QMessageBox::Yes) << true;
}

void TestUserActionLogDlg::clearAllLeavesItsOwnRecord()
{
    QFETCH(int, answer);
    QFETCH(bool, cleared);
    UserActionLogDlg dialog;
    dialog.setClock([this] { return m_now; });
    dialog.userName = QStringLiteral("admin");
    for (int i = 0; i < 3; ++i)
        dialog.addRecord(QStringLiteral("Test"), QString::number(i));

    answerNextModal([answer](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box);
        QCOMPARE(box->text(), QStringLiteral("Realy clear all log?"));
        QVERIFY(operatorClick(box->button(QMessageBox::StandardButton(answer))));
    });
    QVERIFY(operatorClick(dialog.clearButton));

    if (!cleared) {
        QCOMPARE(sqlRows(QStringLiteral("select count(*) from logUserAction")), QStringList{QStringLiteral("3")});
        return;
    }
    QCOMPARE(sqlRows(kAllRows),
             QStringList{QStringLiteral("1|06.03.2026 09:05:07 |admin|UserActionLog|Clear user action log")});
    QCOMPARE(view(dialog)->rowCount(), 1);
}

void TestUserActionLogDlg::keepDaysZeroClearsOnce()
{
    const QDate today = m_now.date();
    setSetting(QStringLiteral("UL_KeepDays"), 0);
    setSetting(QStringLiteral("UL_LastClear"), today.addDays(-1));
    UserActionLogDlg dialog;
    QDateTime now;
    dialog.setClock([&now] { return now; });
    dialog.addRecord(QStringLiteral("Before"), QStringLiteral("midnight"));
    QSqlQuery query; // the database refuses the first clear: the operator is told, once
    QStringList told;
    DatabaseAlert::reset();
    const ScopedHook notifier(&DatabaseAlert::setNotifier, [&told](const QString& text, bool) { told.append(text); });
    QVERIFY(query.exec(QStringLiteral("alter table logUserAction rename to away")));
    for (int second = 0; second < 60; ++second) {
        now = QDateTime(today, QTime(0, 0, second));
        dialog.afterTimer();
        if (second == 0)
            QVERIFY(query.exec(QStringLiteral("alter table away rename to logUserAction")));
    }
    QCOMPARE(told.filter(QStringLiteral("The log cannot be cleared")).size(), 1);
    QCOMPARE(sqlRows(QStringLiteral("select id || ' ' || subject from logUserAction")),
             QStringList{QStringLiteral("1 UserActionLog")});
    QSettings settings(AppPaths::settings(), QSettings::IniFormat);
    QCOMPARE(settings.value(QStringLiteral("UL_LastClear")).toDate(), today);
}

void TestUserActionLogDlg::printAnswersFromTheView()
{
    QVERIFY(ReportCapture::writeTemplate(m_home->filePath(QStringLiteral("UserActionLogReport.xml")),
                                         {"datetime", "user", "subject", "info", "source"}));
    UserActionLogDlg dialog;
    dialog.setClock([this] { return m_now; });
    dialog.userName = QStringLiteral("admin");
    dialog.addRecord(QStringLiteral("One"), QStringLiteral("first"));
    dialog.addRecord(QStringLiteral("Two"), QStringLiteral("second"));

    ReportCapture capture;
    MessageCatcher catcher;
    QVERIFY(operatorClick(dialog.findChild<QToolButton*>(QStringLiteral("btnPrintPreview"))));
    QCOMPARE(capture.recordsCount, QList<int>{2});
    QCOMPARE(capture.answer(0, QStringLiteral("datetime")).toString(), QStringLiteral("06.03.2026 09:05:07 "));
    QCOMPARE(capture.answer(0, QStringLiteral("user")).toString(), QStringLiteral("admin"));
    QCOMPARE(capture.answer(0, QStringLiteral("subject")).toString(), QStringLiteral("Two"));
    QCOMPARE(capture.answer(1, QStringLiteral("info")).toString(), QStringLiteral("first"));
    QVERIFY(!capture.answer(1, QStringLiteral("source")).isValid());
    QVERIFY(!catcher.contains(QStringLiteral("Report file not found")));

    QFile::remove(m_home->filePath(QStringLiteral("UserActionLogReport.xml")));
    dialog.print();
    QVERIFY(catcher.contains(QStringLiteral("Report file not found")));
    QCOMPARE(capture.prints, 2);
}

QTEST_MAIN(TestUserActionLogDlg)
#include "tst_useractionlogdlg.moc"
