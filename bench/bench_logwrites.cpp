// What the logs cost the GUI thread while the program runs: the rows of one
// heartbeat (alarm rows of every device changing state, voltage rows of 32
// energizers), an alarm row after a long run, and the start-up maintenance
// over a large database. The database lies on the machine's disk, so every
// commit includes its sync.
#include "benchmain.h"
#include "alarmlogwidget.h"
#include "databasemanager.h"
#include "node.h"
#include "treemodel.h"
#include "voltagediagrammsdlg.h"
#include "writebatch.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>

namespace {

const QString kConnection = QLatin1String(QSqlDatabase::defaultConnection);

// A fresh copy of the shipped database as the default connection.
class Home
{
public:
    Home()
    {
        const QString path = dir.filePath(QStringLiteral("brenik.db"));
        QFile::copy(QStringLiteral(LUMETRA_RUNTIME_DIR "/brenik.db"), path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
        qputenv("LUMETRA_HOME", dir.path().toUtf8());
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
        db.setDatabaseName(path);
        ok = db.open() && DatabaseManager::prepareForUse();
    }
    ~Home()
    {
        WriteBatch::instance().commit();
        QSqlDatabase::database(kConnection, false).close();
        QSqlDatabase::removeDatabase(kConnection);
    }
    QTemporaryDir dir;
    bool ok = false;
};

void addAlarm(AlarmLogWidget& widget, int i)
{
    widget.addRecord(QStringLiteral("Energizer %1").arg(i % 32), QStringLiteral("Fence alarm 1"),
                     QStringLiteral("change status to Critical"));
}

// `rows` alarm rows over the last 20 days, in the kinds the log holds: all
// of them inside the range the log shows at first.
void fillAlarmLog(qint64 rows)
{
    QSqlDatabase db = QSqlDatabase::database();
    QSqlQuery query;
    db.transaction();
    query.prepare(QStringLiteral("insert into logAlarm(datetime, source, reason, info) values(?, ?, ?, ?)"));
    const QDateTime start = QDateTime::currentDateTime().addDays(-20);
    const char* const kinds[] = {"change status to OK", "change status to Warning", "change status to Critical",
                                 "change status to Failure"};
    for (qint64 i = 0; i < rows; ++i) {
        query.addBindValue(start.addSecs(i * 20 * 86400 / qMax<qint64>(rows, 1)).toString(QStringLiteral("dd.MM.yyyy hh:mm:ss ")));
        query.addBindValue(QStringLiteral("Energizer %1").arg(i % 32));
        query.addBindValue(QStringLiteral("Fence alarm %1").arg(i % 2 + 1));
        query.addBindValue(QString::fromLatin1(kinds[i % 4]));
        query.exec();
    }
    db.commit();
}

// Every one of the 63 devices changes state and 32 energizers switch a
// zone: 96 alarm rows, written and committed as one heartbeat, with
// state.range(0) rows in the log when the window was built.
void BM_AlarmHeartbeatAllDevicesChange(benchmark::State& state)
{
    Home home;
    fillAlarmLog(state.range(0));
    AlarmLogWidget widget;
    for (auto _ : state) {
        for (int i = 0; i < 96; ++i)
            addAlarm(widget, i);
        WriteBatch::instance().commit();
    }
    state.SetItemsProcessed(state.iterations() * 96);
}
BENCHMARK(BM_AlarmHeartbeatAllDevicesChange)->Arg(0)->Arg(100000)->Arg(300000)->Unit(benchmark::kMillisecond)->Iterations(30);

// One alarm row with state.range(0) rows in the log when the window was
// built; the commit of every 96 rows is not counted.
void BM_AlarmInsert(benchmark::State& state)
{
    Home home;
    fillAlarmLog(state.range(0));
    AlarmLogWidget widget;
    int i = 0;
    for (auto _ : state) {
        addAlarm(widget, i++);
        if (i % 96 == 0) {
            state.PauseTiming();
            WriteBatch::instance().commit();
            state.ResumeTiming();
        }
    }
    WriteBatch::instance().commit();
}
BENCHMARK(BM_AlarmInsert)->Arg(1000)->Arg(100000)->Arg(300000)->Unit(benchmark::kMicrosecond)->Iterations(960);

// One alarm row after state.range(0) rows written in the same run.
void BM_AlarmInsertAfterLongRun(benchmark::State& state)
{
    Home home;
    AlarmLogWidget widget;
    for (int i = 0; i < state.range(0); ++i) {
        addAlarm(widget, i);
        if (i % 96 == 95)
            WriteBatch::instance().commit();
    }
    WriteBatch::instance().commit();
    int i = 0;
    for (auto _ : state)
        addAlarm(widget, i++);
    WriteBatch::instance().commit();
}
BENCHMARK(BM_AlarmInsertAfterLongRun)->Arg(8000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(200);

// The voltage rows of one heartbeat inside the write window: 32 energizers.
void BM_VoltageHeartbeat(benchmark::State& state)
{
    Home home;
    TreeModel model;
    auto* root = new Node(QStringLiteral("Name"));
    model.setRootNode(root);
    auto* gateway = new Node(QStringLiteral("127.0.0.1"), root);
    for (int i = 1; i <= 32; ++i)
        (new Node(QStringLiteral("Energ%1").arg(i), gateway))->type = Node::StatusRow;

    VoltageDiagrammsDlg dialog;
    QDateTime now = QDateTime::currentDateTime();
    dialog.setClock([&now] { return now; });
    now = now.addSecs(VoltageDiagrammsDlg::kQuietSeconds + 30);
    for (auto _ : state) {
        for (int i = 0; i < 32; ++i)
            dialog.writeVoltageLog(gateway->child(i));
        WriteBatch::instance().commit();
    }
    state.SetItemsProcessed(state.iterations() * 96);
}
BENCHMARK(BM_VoltageHeartbeat)->Unit(benchmark::kMillisecond)->Iterations(30);

// Start-up over a database holding state.range(0) voltage rows with a
// fraction of a percent of free pages (the nightly age delete of one day).
void BM_StartupMaintenance(benchmark::State& state)
{
    Home home;
    {
        QSqlDatabase db = QSqlDatabase::database();
        QSqlQuery query;
        db.transaction();
        query.prepare(QStringLiteral(
            "insert into logVoltage(datetime, voltage, sector, energizer_no) values(?, ?, ?, ?)"));
        const QDateTime start = QDateTime::currentDateTime().addDays(-28);
        for (qint64 i = 0; i < state.range(0); ++i) {
            query.addBindValue(start.addSecs(i / 96).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
            query.addBindValue(8000.0 + double(i % 1000));
            query.addBindValue(int(i % 3) - 1);
            query.addBindValue(int(i % 32) + 1);
            query.exec();
        }
        db.commit();
        query.exec(QStringLiteral("delete from logVoltage where id % 200 = 0"));
    }
    state.counters["MB"] = double(QFileInfo(home.dir.filePath(QStringLiteral("brenik.db"))).size()) / 1e6;
    for (auto _ : state)
        DatabaseManager::prepareForUse();
}
BENCHMARK(BM_StartupMaintenance)->Arg(2000000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    return runQtBenchmarks<QApplication>(argc, argv);
}
