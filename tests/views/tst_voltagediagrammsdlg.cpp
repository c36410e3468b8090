#include "operatorclick.h"
#include "scopedhook.h"
#include "voltagesite.h"

#include "messagecatcher.h"
#include "modalanswerer.h"
#include "node.h"
#include "reportengine.h"
#include "resources.h"
#include "testhome.h"
#include "treemodel.h"
#include "vchartdlg.h"
#include "voltagediagrammsdlg.h"

#include <QDateEdit>
#include <QPointer>
#include <QSettings>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

#include <functional>

class tst_VoltageDiagrammsDlg : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void writeCycle();
    void rowValues();
    void deletedNodeWritesNothing();
    void checkPoint();
    void statistics_data();
    void statistics();
    void statisticsWithoutGateway();
    void dates();
    void ageDelete_data();
    void ageDelete();
    void nightlyRunsOncePerDay();
    void nightlyWaitsForKeepDays();
    void printAnswers();
    void doubleClickOpensChart();

private:
    // Runs the dialog of `type` and calls `inspect` while it is open.
    void runDialog(VoltageDiagrammsDlg& dlg, int type, const std::function<void()>& inspect);
    QTableWidget* table(VoltageDiagrammsDlg& dlg) { return dlg.findChild<QTableWidget*>(QStringLiteral("tableWidget")); }
    void showRange(VoltageDiagrammsDlg& dlg, const QDate& from, const QDate& to);
    void writeSettings(const QVariantMap& values);

    std::unique_ptr<TestHome> home;
    std::unique_ptr<VoltageSite> site;
    QDateTime now;
};

void tst_VoltageDiagrammsDlg::init()
{
    initLumetraResources();
    home = std::make_unique<TestHome>();
    QVERIFY(home->isValid());
    QVERIFY(home->openDatabase());
    site = std::make_unique<VoltageSite>(4);
    now = QDateTime(QDate(2026, 3, 6), QTime(10, 0, 0));
}

void tst_VoltageDiagrammsDlg::cleanup()
{
    site.reset();
    home.reset();
}

void tst_VoltageDiagrammsDlg::runDialog(VoltageDiagrammsDlg& dlg, int type, const std::function<void()>& inspect)
{
    bool inspected = false;
    answerNextModal([&](QWidget* modal) {
        inspect();
        inspected = true;
        modal->close();
    });
    dlg.setDiagramType(&site->model, type);
    QVERIFY(inspected);
}

void tst_VoltageDiagrammsDlg::showRange(VoltageDiagrammsDlg& dlg, const QDate& from, const QDate& to)
{
    dlg.findChild<QDateEdit*>(QStringLiteral("dtpEnd"))->setDate(to);
    dlg.findChild<QDateEdit*>(QStringLiteral("dtpStart"))->setDate(from);
    QVERIFY(operatorClick(dlg.findChild<QToolButton*>(QStringLiteral("btnRefresh"))));
}

void tst_VoltageDiagrammsDlg::writeSettings(const QVariantMap& values)
{
    QSettings settings(home->filePath(QStringLiteral("setting.ini")), QSettings::IniFormat);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        settings.setValue(it.key(), it.value());
}

void tst_VoltageDiagrammsDlg::writeCycle()
{
    VoltageDiagrammsDlg dlg;
    const QDateTime t0 = now;
    dlg.setClock([this] { return now; });
    Node* energizer = site->energizer(2);

    const auto writeAt = [&](qint64 secs) {
        now = t0.addSecs(secs);
        dlg.writeVoltageLog(energizer);
        return VoltageSite::rowCount();
    };

    QCOMPARE(writeAt(199), 0);
    QCOMPARE(writeAt(200), 3);
    QCOMPARE(writeAt(230), 6);
    QCOMPARE(writeAt(260), 9);
    // The first update past the window writes and starts the next cycle.
    QCOMPARE(writeAt(261), 12);
    QCOMPARE(writeAt(261 + 199), 12);
    QCOMPARE(writeAt(261 + 200), 15);
    // A clock set back an hour starts the next cycle at once; rows keep the wall clock's stamps.
    QCOMPARE(writeAt(261 + 200 - 3600), 18);
    QCOMPARE(writeAt(261 + 200 - 3600 + 199), 18);
    QCOMPARE(writeAt(261 + 200 - 3600 + 200), 21);

    const auto rows = VoltageSite::rows();
    for (int i = 0; i < rows.size(); ++i) {
        QCOMPARE(rows.at(i).sector, i % 3 - 1);
        QCOMPARE(rows.at(i).energizerNo, 2);
    }
    QCOMPARE(rows.first().datetime, QStringLiteral("2026-03-06 10:03:20"));
    QCOMPARE(rows.at(15).datetime, QStringLiteral("2026-03-06 09:07:41"));
}

void tst_VoltageDiagrammsDlg::rowValues()
{
    VoltageDiagrammsDlg dlg;
    const QDateTime t0 = now;
    dlg.setClock([this] { return now; });
    Node* energizer = site->energizer(3);
    energizer->record[9] = 0x65;
    energizer->record[16] = 0x46;
    energizer->record[23] = 0x01;
    now = t0.addSecs(200);
    dlg.writeVoltageLog(energizer);

    const auto rows = VoltageSite::rows();
    QCOMPARE(rows.size(), 3);
    QCOMPARE(rows.at(0).voltage, 12.625);
    QCOMPARE(rows.at(1).voltage, 8750.0);
    QCOMPARE(rows.at(2).voltage, 125.0);
    QCOMPARE(rows.at(0).energizerNo, 3);
    QCOMPARE(rows.at(2).datetime, QStringLiteral("2026-03-06 10:03:20"));
}

void tst_VoltageDiagrammsDlg::deletedNodeWritesNothing()
{
    VoltageDiagrammsDlg dlg;
    const QDateTime t0 = now;
    dlg.setClock([this] { return now; });
    Node* energizer = site->energizer(1);
    site->gateway->removeChild(0);
    now = t0.addSecs(220);
    dlg.writeVoltageLog(energizer);
    dlg.writeVoltageLog(nullptr);
    QCOMPARE(VoltageSite::rowCount(), 0);
}

void tst_VoltageDiagrammsDlg::checkPoint()
{
    VoltageDiagrammsDlg dlg;
    dlg.setClock([this] { return now; });
    dlg.writeCheckPoint();
    const auto rows = VoltageSite::rows();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows.first().datetime, QStringLiteral("2026-03-06 10:00:00"));
    QCOMPARE(rows.first().voltage, 0.0);
    QCOMPARE(rows.first().sector, 0);
    QCOMPARE(rows.first().energizerNo, 0);

    for (int type : {0, 1}) {
        runDialog(dlg, type, [&] {
            showRange(dlg, now.date(), now.date());
            QCOMPARE(table(dlg)->rowCount(), 0);
        });
    }
}

void tst_VoltageDiagrammsDlg::statistics_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QStringList>("expected"); // per row: name|max|min|avg|role0|role1

    QTest::newRow("battery") << 0
                             << QStringList{QStringLiteral("Energ1|13.0|11.0|12.0|1|0"),
                                            QStringLiteral("Energ3|12.6|12.0|12.3|3|0")};
    QTest::newRow("output") << 1
                            << QStringList{QStringLiteral("Energ3, Sector 1|9000|8000|8500|3|1"),
                                           QStringLiteral("Energ3, Sector 2|8750|8750|8750|3|2")};
}

void tst_VoltageDiagrammsDlg::statistics()
{
    QFETCH(int, type);
    QFETCH(QStringList, expected);

    site->energizer(2)->enabled = false;
    // The whole of 6 March counts, nothing of the days around it.
    VoltageSite::insert(QStringLiteral("2026-03-05 23:59:59"), 1, -1, 3);
    VoltageSite::insert(QStringLiteral("2026-03-06 00:00:00"), 12, -1, 3);
    VoltageSite::insert(QStringLiteral("2026-03-06 23:59:59"), 12.625, -1, 3);
    VoltageSite::insert(QStringLiteral("2026-03-07 00:00:00"), 20, -1, 3);
    VoltageSite::insert(QStringLiteral("2026-03-06 08:00:00"), 11, -1, 1);
    VoltageSite::insert(QStringLiteral("2026-03-06 09:00:00"), 13, -1, 1);
    VoltageSite::insert(QStringLiteral("2026-03-06 09:00:00"), 8000, 0, 3);
    VoltageSite::insert(QStringLiteral("2026-03-06 10:00:00"), 9000, 0, 3);
    VoltageSite::insert(QStringLiteral("2026-03-06 10:00:00"), 8750, 1, 3);
    VoltageSite::insert(QStringLiteral("2026-03-07 00:00:00"), 125, 1, 3);
    // A disabled energizer, one the gateway does not have, and a check point.
    VoltageSite::insert(QStringLiteral("2026-03-06 10:00:00"), 12, -1, 2);
    VoltageSite::insert(QStringLiteral("2026-03-06 10:00:00"), 8000, 0, 2);
    VoltageSite::insert(QStringLiteral("2026-03-06 10:00:00"), 12, -1, 9);
    VoltageSite::insert(QStringLiteral("2026-03-06 10:00:00"), 8000, 0, 9);
    VoltageSite::insert(QStringLiteral("2026-03-06 11:00:00"), 0, 0, 0);

    VoltageDiagrammsDlg dlg;
    dlg.setClock([this] { return now; });
    runDialog(dlg, type, [&] {
        showRange(dlg, QDate(2026, 3, 6), QDate(2026, 3, 6));
        QTableWidget* t = table(dlg);
        QStringList rows;
        for (int row = 0; row < t->rowCount(); ++row) {
            rows << QStringList{t->item(row, 0)->text(), t->item(row, 1)->text(), t->item(row, 2)->text(),
                                t->item(row, 3)->text(), t->item(row, 0)->data(Qt::UserRole).toString(),
                                t->item(row, 1)->data(Qt::UserRole).toString()}
                        .join(QLatin1Char('|'));
            QCOMPARE(t->item(row, 2)->flags(), Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        }
        QCOMPARE(rows, expected);
    });
}

void tst_VoltageDiagrammsDlg::statisticsWithoutGateway()
{
    VoltageSite::insert(QStringLiteral("2026-03-06 10:00:00"), 12, -1, 1);
    site->gateway->parent()->removeChild(0);
    VoltageDiagrammsDlg dlg;
    dlg.setClock([this] { return now; });
    runDialog(dlg, 0, [&] {
        showRange(dlg, now.date(), now.date());
        QCOMPARE(table(dlg)->rowCount(), 0);
    });
}

void tst_VoltageDiagrammsDlg::dates()
{
    VoltageDiagrammsDlg dlg;
    dlg.setClock([this] { return now; });
    runDialog(dlg, 1, [&] {
        auto* start = dlg.findChild<QDateEdit*>(QStringLiteral("dtpStart"));
        auto* end = dlg.findChild<QDateEdit*>(QStringLiteral("dtpEnd"));
        QCOMPARE(end->date(), QDate(2026, 3, 6));
        QCOMPARE(start->date(), QDate(2026, 2, 7));
        QCOMPARE(dlg.windowTitle(), QStringLiteral("Output voltage diagram"));
        QVERIFY(!dlg.windowIcon().isNull());
        QVERIFY(!dlg.findChild<QToolButton*>(QStringLiteral("btnRefresh"))->icon().isNull());
        QVERIFY(!dlg.findChild<QToolButton*>(QStringLiteral("btnPrintPreview"))->icon().isNull());
        QCOMPARE(table(dlg)->horizontalHeaderItem(1)->text(), QStringLiteral("MaxOutputVoltage"));

        // Changing the dates does not reload the table.
        VoltageSite::insert(QStringLiteral("2026-03-06 10:00:00"), 8000, 0, 1);
        end->setDate(QDate(2026, 1, 31));
        QCOMPARE(start->date(), QDate(2026, 1, 4));
        start->setDate(QDate(2026, 1, 20));
        QCOMPARE(end->date(), QDate(2026, 1, 31));
        QCOMPARE(table(dlg)->rowCount(), 0);
    });
}

void tst_VoltageDiagrammsDlg::ageDelete_data()
{
    QTest::addColumn<int>("keepDays");
    QTest::newRow("1") << 1;
    QTest::newRow("30") << 30;
}

void tst_VoltageDiagrammsDlg::ageDelete()
{
    QFETCH(int, keepDays);
    // SQLite counts ages from the julian day of its own (real) now, which is
    // today's date at 00:00 UTC when the nightly clean-up runs. That day
    // turns at 12:00 UTC: a run across the turn may have cleared by the next day.
    const QDate reference = VoltageSite::julianNowDate();
    QVERIFY(reference.isValid());
    const QString oldDay = reference.addDays(-(keepDays + 2)).toString(Qt::ISODate);
    const QString keptDay = reference.addDays(-(keepDays + 1)).toString(Qt::ISODate);
    VoltageSite::insert(oldDay + QStringLiteral(" 23:59:59"), 12, -1, 1);
    VoltageSite::insert(oldDay + QStringLiteral(" 10:00:00"), 0, 0, 0);
    VoltageSite::insert(keptDay + QStringLiteral(" 00:00:00"), 12, -1, 1);
    VoltageSite::insert(keptDay + QStringLiteral(" 10:00:00"), 0, 0, 0);
    VoltageSite::insert(reference.toString(Qt::ISODate) + QStringLiteral(" 10:00:00"), 13, -1, 1);

    VoltageDiagrammsDlg dlg;
    QSignalSpy spy(&dlg, &VoltageDiagrammsDlg::writeUserActionLog);
    dlg.clearLog(keepDays);
    const bool turned = VoltageSite::julianNowDate() != reference;

    const auto rows = VoltageSite::rows();
    QStringList days;
    for (const auto& row : rows)
        days << row.datetime.left(10);
    QCOMPARE(days, QStringList({keptDay, keptDay, reference.toString(Qt::ISODate)}).mid(turned && days.size() == 1 ? 2 : 0));
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.first(), (QVariantList{QStringLiteral("VoltageLog"), QStringLiteral("Clear log voltage")}));
    QCOMPARE(VoltageSite::sequenceRows(), 0);
}

void tst_VoltageDiagrammsDlg::nightlyRunsOncePerDay()
{
    writeSettings({{QStringLiteral("VL_KeepDays"), 0}});
    VoltageDiagrammsDlg dlg;
    now = QDateTime(QDate(2026, 3, 6), QTime(23, 59, 59));
    dlg.setClock([this] { return now; });
    QSignalSpy spy(&dlg, &VoltageDiagrammsDlg::writeUserActionLog);

    VoltageSite::insert(QStringLiteral("2026-03-06 10:00:00"), 12, -1, 1);
    dlg.afterTimer();
    QCOMPARE(VoltageSite::rowCount(), 1);

    // The first clear of the night fails (its table is away): nothing recorded.
    QSqlQuery query;
    QVERIFY(query.exec(QStringLiteral("alter table logVoltage rename to away")));
    now = QDateTime(QDate(2026, 3, 7), QTime(0, 0, 5));
    dlg.afterTimer();
    QVERIFY(query.exec(QStringLiteral("alter table away rename to logVoltage")) && spy.isEmpty());
    // The next one follows the write batch's open transaction; inside it a rollback undid it.
    now = QDateTime(QDate(2026, 3, 7), QTime(0, 0, 10));
    dlg.writeCheckPoint();
    dlg.afterTimer();
    QSqlDatabase::database().rollback();
    QCOMPARE(VoltageSite::rowCount(), 0);
    QCOMPARE(spy.count(), 1);

    // Keep-days 0 clears everything, but only once that night.
    VoltageSite::insert(QStringLiteral("2026-03-07 00:00:15"), 12, -1, 1);
    now = QDateTime(QDate(2026, 3, 7), QTime(0, 0, 20));
    dlg.afterTimer();
    QCOMPARE(VoltageSite::rowCount(), 1);
    QCOMPARE(spy.count(), 1);

    QSettings settings(home->filePath(QStringLiteral("setting.ini")), QSettings::IniFormat);
    QCOMPARE(settings.value(QStringLiteral("VL_LastClear")).toDate(), QDate(2026, 3, 7));
}

void tst_VoltageDiagrammsDlg::nightlyWaitsForKeepDays()
{
    writeSettings({{QStringLiteral("VL_KeepDays"), 5}, {QStringLiteral("VL_LastClear"), QDate(2026, 3, 3)}});
    VoltageDiagrammsDlg dlg;
    now = QDateTime(QDate(2026, 3, 7), QTime(0, 0, 5));
    dlg.setClock([this] { return now; });
    QSignalSpy spy(&dlg, &VoltageDiagrammsDlg::writeUserActionLog);
    dlg.afterTimer();
    QCOMPARE(spy.count(), 0);

    now = QDateTime(QDate(2026, 3, 8), QTime(0, 0, 59));
    dlg.afterTimer();
    QCOMPARE(spy.count(), 1);

    // A stored day that is no date counts as long past.
    writeSettings({{QStringLiteral("VL_LastClear"), QStringLiteral("soon")}});
    VoltageDiagrammsDlg other;
    now = QDateTime(QDate(2026, 3, 9), QTime(0, 0, 0));
    other.setClock([this] { return now; });
    QSignalSpy otherSpy(&other, &VoltageDiagrammsDlg::writeUserActionLog);
    now = QDateTime(QDate(2026, 3, 9), QTime(0, 1, 0));
    other.afterTimer();
    QCOMPARE(otherSpy.count(), 0);
    now = QDateTime(QDate(2026, 3, 10), QTime(0, 0, 1));
    other.afterTimer();
    QCOMPARE(otherSpy.count(), 1);
}

void tst_VoltageDiagrammsDlg::printAnswers()
{
    VoltageSite::insert(QStringLiteral("2026-03-06 10:00:00"), 12.5, -1, 1);
    VoltageSite::insert(QStringLiteral("2026-03-06 10:00:00"), 12, -1, 3);

    QList<int> recordsCount;
    QStringList answers;
    QPointer<ReportEngine> printed;
    const ScopedHook preview(&ReportEngine::setPreviewHook, [&](ReportEngine& report) {
        printed = &report;
        recordsCount = report.recordsCount;
        for (const char* name : {"logname", "col1", "col4", "period", "value1", "value2", "other"}) {
            QVariant value(QStringLiteral("untouched"));
            emit report.setValue(1, QLatin1String(name), value, 0);
            answers << value.toString();
        }
        QVariant past(QStringLiteral("untouched"));
        emit report.setValue(2, QStringLiteral("value4"), past, 0);
        answers << past.toString();
    });

    VoltageDiagrammsDlg dlg;
    dlg.setClock([this] { return now; });
    MessageCatcher messages;
    runDialog(dlg, 0, [&] {
        showRange(dlg, QDate(2026, 3, 1), QDate(2026, 3, 6));
        QVERIFY(operatorClick(dlg.findChild<QToolButton*>(QStringLiteral("btnPrintPreview"))));
    });

    QCOMPARE(recordsCount, QList<int>{2});
    const QString period = QStringLiteral("From %1 to %2")
                               .arg(QDate(2026, 3, 1).toString(QStringLiteral("dd MMM yyyy")),
                                    QDate(2026, 3, 6).toString(QStringLiteral("dd MMM yyyy")));
    QCOMPARE(answers, (QStringList{QStringLiteral("Battery voltage diagram"), QStringLiteral("Energizer"),
                                   QStringLiteral("AvgBatteryVoltage"), period, QStringLiteral("Energ3"),
                                   QStringLiteral("12.0"), QStringLiteral("untouched"), QString()}));
    QVERIFY(printed.isNull());
    QVERIFY(!messages.contains(QStringLiteral("Report file not found")));
}

void tst_VoltageDiagrammsDlg::doubleClickOpensChart()
{
    VoltageSite::insert(QStringLiteral("2026-03-06 10:00:00"), 8000, 1, 3);
    VoltageSite::insert(QStringLiteral("2026-03-06 11:00:00"), 0, 0, 0);

    VoltageDiagrammsDlg dlg;
    dlg.setClock([this] { return now; });
    QPointer<VChartDlg> chart;
    runDialog(dlg, 1, [&] {
        showRange(dlg, QDate(2026, 3, 6), QDate(2026, 3, 6));
        QCOMPARE(table(dlg)->rowCount(), 1);
        emit table(dlg)->cellDoubleClicked(0, 2);
        chart = dlg.findChild<VChartDlg*>();
        QVERIFY(chart);
        QVERIFY(chart->isVisible());
        QCOMPARE(chart->windowTitle(), QStringLiteral("Output Voltage diagram (Energ3, Sector 2) 2026-03-06"));
        chart->close();
    });
    QTRY_VERIFY_WITH_TIMEOUT(chart.isNull(), 5000);
}

QTEST_MAIN(tst_VoltageDiagrammsDlg)
#include "tst_voltagediagrammsdlg.moc"
