#include "voltagediagrammsdlg.h"
#include "viewslogging.h"
#include "ui_voltagediagrammsdlg.h"

#include "databasealert.h"
#include "devicestatus.h"
#include "logtable.h"
#include "reportrows.h"
#include "node.h"
#include "reportengine.h"
#include "sitemutex.h"
#include "treemodel.h"
#include "vchartdlg.h"
#include "writebatch.h"

#include <QDebug>
#include <QHeaderView>
#include <QIcon>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTableWidgetItem>
#include <QVector>

namespace {

const int kColumnWidths[] = {250, 120, 120, 120};

const char* const kInsertStatement =
    "insert into logVoltage(datetime, voltage, sector, energizer_no) values(?, ?, ?, ?)";

const char* const kBatteryStatistics =
    "select energizer_no, max(voltage) as maxV, min(voltage) as minV, avg(voltage) as avgV  from logVoltage "
    "where energizer_no > 0 and sector = -1 and datetime between ? and ? "
    "group by energizer_no order by energizer_no;";

const char* const kOutputStatistics =
    "select energizer_no, sector, max(voltage) as maxV, min(voltage) as minV, avg(voltage) as avgV  from logVoltage "
    "where energizer_no > 0 and sector <> -1 and datetime between ? and ? "
    "group by energizer_no, sector order by energizer_no, sector;";

// A row is older than the kept days when its whole-day age, counted from the
// julian day of now (UTC), exceeds them. The datetime bound in front selects
// the same rows for every stamp this log writes and lets the delete walk the
// datetime index instead of the whole table: the day after the newest day
// the age test can select.
const char* const kAgeDelete =
    "delete from logVoltage where datetime < date(cast(julianday('now') as int) - ? + 0.5) "
    "and cast(julianday('now') as int) - cast(julianday(substr(datetime,1,10)) as int) - 1 > ?";

void warnFailed(const QSqlQuery& query, const QString& statement)
{
    qCWarning(lcViews) << "Voltage log statement failed:" << statement << query.lastError().text();
}

// Voltages are kept as the device gives them: six significant digits at most.
double storedVoltage(float voltage)
{
    return QString::number(voltage, 'g', 6).toDouble();
}

} // namespace

VoltageDiagrammsDlg::VoltageDiagrammsDlg(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::VoltageDiagrammsDlg)
    , cleanup(QLatin1String(kKeepDaysKey), QLatin1String(kLastClearKey))
{
    ui->setupUi(this);
    cycleStart = cleanup.now();
    cleanup.load();

    for (int column = 0; column < 4; ++column)
        ui->tableWidget->setColumnWidth(column, kColumnWidths[column]);

    connect(ui->tableWidget, &QTableWidget::cellDoubleClicked, this, &VoltageDiagrammsDlg::cellDoubleClicked);
    connect(ui->btnRefresh, &QToolButton::clicked, this, &VoltageDiagrammsDlg::loadData);
    connect(ui->btnPrintPreview, &QToolButton::clicked, this, &VoltageDiagrammsDlg::print);
    connect(ui->dtpEnd, &QDateEdit::dateChanged, this, &VoltageDiagrammsDlg::dateChanged);
    DatabaseAlert::followWrites();
}

VoltageDiagrammsDlg::~VoltageDiagrammsDlg()
{
    delete ui;
}

void VoltageDiagrammsDlg::setClock(NightlyCleanup::Clock clock)
{
    cleanup.setClock(std::move(clock));
    cycleStart = cleanup.now();
    cleanup.load();
}

void VoltageDiagrammsDlg::setDiagramType(TreeModel* model, int type)
{
    energizerModel = model;
    diagramType = type == OutputDiagram ? OutputDiagram : BatteryDiagram;

    if (diagramType == OutputDiagram) {
        setWindowTitle(QStringLiteral("Output voltage diagram"));
        setWindowIcon(QIcon(QStringLiteral(":/icons/if_caution_high_voltage_92571.png")));
        columnTitles = QStringList{tr("Energizer/Sector"), tr("MaxOutputVoltage"), tr("MinOutputVoltage"),
                                   tr("AvgOutputVoltage")};
    } else {
        setWindowTitle(QStringLiteral("Battery voltage diagram"));
        setWindowIcon(QIcon(QStringLiteral(":/icons/if_battery-charging-100_9197.png")));
        columnTitles = QStringList{tr("Energizer"), tr("MaxBatteryVoltage"), tr("MinBatteryVoltage"),
                                   tr("AvgBatteryVoltage")};
    }
    ui->dtpEnd->setDate(cleanup.now().date());
    ui->tableWidget->setHorizontalHeaderLabels(columnTitles);

    loadData();
    exec();
}

void VoltageDiagrammsDlg::afterTimer()
{
    if (cleanup.isCleanupMinute())
        clearOldRecords();
}

void VoltageDiagrammsDlg::clearOldRecords()
{
    const int keepDays = cleanup.dueKeepDays();
    // A clear that failed is tried again on the next tick of the night.
    if (keepDays >= 0 && clearLog(keepDays))
        cleanup.markDone();
}

void VoltageDiagrammsDlg::writeVoltageLog(Node* node)
{
    const QDateTime now = cleanup.now();
    const qint64 secs = cycleStart.secsTo(now);
    // A wall clock set back behind the cycle's start would keep every update
    // "too early" until it caught up again: such an update starts the next
    // cycle, as one past the window does.
    if (secs < 0 || secs > kCycleSeconds)
        cycleStart = now;
    else if (secs <= kQuietSeconds)
        return;

    Reading reading;
    if (!readNode(node, reading))
        return;

    // The rows of every energizer of one heartbeat share one commit: the
    // writes come in bursts on the GUI thread, and each commit is a sync.
    // One reading's rows share its stamp; the clock is read once, as a
    // reading of local time costs a look at the time zone file.
    const QString stamp = now.toString(QLatin1String(kDateTimeFormat));
    insertRow(stamp, reading.battery, kBatterySector, reading.energizerNo);
    insertRow(stamp, reading.sector1, 0, reading.energizerNo);
    insertRow(stamp, reading.sector2, 1, reading.energizerNo);
}

bool VoltageDiagrammsDlg::readNode(Node* node, Reading& reading) const
{
    // The control unit writes the record on its own thread.
    SiteLocker lock;
    if (!node || !Node::isAlive(node))
        return false;
    reading.energizerNo = node->number();
    reading.battery = node->energizerParam(EnergizerParam::BatteryVoltage).toFloat();
    reading.sector1 = node->energizerParam(EnergizerParam::FenceVoltage1).toFloat();
    reading.sector2 = node->energizerParam(EnergizerParam::FenceVoltage2).toFloat();
    return true;
}

void VoltageDiagrammsDlg::insertRow(const QString& stamp, float voltage, int sector, int energizerNo)
{
    queueRow(QLatin1String(kInsertStatement), {stamp, storedVoltage(voltage), sector, energizerNo});
}

void VoltageDiagrammsDlg::writeCheckPoint()
{
    queueRow(QStringLiteral("insert into logVoltage(datetime, voltage, sector, energizer_no) values(?, 0, 0, 0)"),
             {cleanup.now().toString(QLatin1String(kDateTimeFormat))});
}

// Rows the database refuses for a while wait in the queue and are written later.
void VoltageDiagrammsDlg::queueRow(const QString& statement, const QVariantList& values)
{
    if (!WriteBatch::instance().append(statement, values).ticket)
        DatabaseAlert::report(DatabaseAlert::LogQueueFull, statement);
}

void VoltageDiagrammsDlg::dateChanged(QDate date)
{
    ui->dtpStart->setDate(date.addDays(-kRangeDays));
}

void VoltageDiagrammsDlg::loadData()
{
    ui->tableWidget->setRowCount(0);
    if (!energizerModel)
        return;

    const QString from = ui->dtpStart->date().toString(QLatin1String(kDateFormat));
    const QString to = ui->dtpEnd->date().addDays(1).toString(QLatin1String(kDateFormat));

    // The names of the enabled energizers by number, read under the site
    // mutex; the query runs without it, so the units never wait for it.
    QVector<QString> names;
    QVector<bool> listed;
    {
        SiteLocker lock;
        Node* root = energizerModel->rootNode();
        Node* gateway = root ? root->child(0) : nullptr;
        if (!gateway)
            return;
        for (int i = 0; i < gateway->childCount(); ++i) {
            const Node* node = gateway->child(i);
            names.append(node->data(0).toString());
            listed.append(node->enabled);
        }
    }

    const QString statement =
        QLatin1String(diagramType == OutputDiagram ? kOutputStatistics : kBatteryStatistics);
    QSqlQuery query;
    query.setForwardOnly(true);
    query.prepare(statement);
    query.addBindValue(from);
    query.addBindValue(to);
    if (!query.exec()) {
        warnFailed(query, statement);
        return;
    }
    while (query.next()) {
        const int energizerNo = query.value(QStringLiteral("energizer_no")).toInt();
        // Energizers the gateway does not have, or that are disabled, are not listed.
        if (listed.value(energizerNo - 1, false))
            addStatisticsRow(energizerNo, names.at(energizerNo - 1), query);
    }
}

void VoltageDiagrammsDlg::addStatisticsRow(int energizerNo, QString name, const QSqlQuery& query)
{
    const bool output = diagramType == OutputDiagram;
    const int sector = output ? query.value(QStringLiteral("sector")).toInt() : kBatterySector;
    if (output)
        name += QStringLiteral(", ") + tr("Sector %1").arg(sector + 1);

    const int row = ui->tableWidget->rowCount();
    ui->tableWidget->insertRow(row);
    const Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;

    auto* nameItem = new QTableWidgetItem(QIcon(QStringLiteral(":/icons/energizer.png")), name);
    nameItem->setData(Qt::UserRole, energizerNo);
    nameItem->setFlags(flags);
    ui->tableWidget->setItem(row, 0, nameItem);

    const int decimals = output ? 0 : 1;
    const char* const columns[] = {"maxV", "minV", "avgV"};
    for (int i = 0; i < 3; ++i) {
        const float value = query.value(QLatin1String(columns[i])).toFloat();
        auto* item = new QTableWidgetItem(QString::number(value, 'f', decimals));
        item->setFlags(flags);
        ui->tableWidget->setItem(row, i + 1, item);
    }
    // The chart finds the stored sector as this value less one.
    ui->tableWidget->item(row, 1)->setData(Qt::UserRole, output ? sector + 1 : 0);
}

void VoltageDiagrammsDlg::cellDoubleClicked(int row, int /*column*/)
{
    const QTableWidgetItem* nameItem = ui->tableWidget->item(row, 0);
    const QTableWidgetItem* maxItem = ui->tableWidget->item(row, 1);
    if (!nameItem || !maxItem)
        return;

    // The chart is a child of this dialog: this dialog runs modal, and a
    // window outside it would not take input while it is open.
    auto* chart = new VChartDlg(this);
    chart->showChart(QDateTime(ui->dtpStart->date(), QTime(0, 0)), QDateTime(ui->dtpEnd->date(), QTime(0, 0)),
                     nameItem->data(Qt::UserRole).toInt(), maxItem->data(Qt::UserRole).toInt() - 1,
                     nameItem->text());
}

bool VoltageDiagrammsDlg::clearLog(int days)
{
    const QString table = QLatin1String(kTable);
    const bool cleared = days == 0 ? LogTable::deleteRows(table, QStringLiteral("delete FROM logVoltage"), {})
                                   : LogTable::deleteRows(table, QLatin1String(kAgeDelete), {days + 1, days});
    if (cleared)
        emit writeUserActionLog(QStringLiteral("VoltageLog"), tr("Clear log voltage"));
    return cleared;
}

void VoltageDiagrammsDlg::print()
{
    // One printout at a time: the window answers while pages render.
    if (report)
        return;
    report = LogTable::startReport(this, QLatin1String(kReportFile),
                                   std::make_unique<ModelRows>(*ui->tableWidget->model(), QVector<int>{0, 1, 2, 3}));
    connect(report, &ReportEngine::setValue, this, &VoltageDiagrammsDlg::setValue);
    report->printExec(true, false, QString());
    printPreviewClosed();
}

void VoltageDiagrammsDlg::printPreviewClosed()
{
    delete report;
    report = nullptr;
}

void VoltageDiagrammsDlg::setValue(int recNo, QString paramName, QVariant& paramValue, int /*reportPage*/)
{
    if (paramName == QLatin1String("logname")) {
        paramValue = windowTitle();
        return;
    }
    if (paramName == QLatin1String("period")) {
        const QString format = QLatin1String(kPrintDateFormat);
        paramValue = tr("From %1 to %2")
                         .arg(ui->dtpStart->date().toString(format), ui->dtpEnd->date().toString(format));
        return;
    }
    for (int column = 0; column < 4; ++column) {
        const QString number = QString::number(column + 1);
        if (paramName == QLatin1String("col") + number) {
            paramValue = columnTitles.value(column);
            return;
        }
        if (paramName == QLatin1String("value") + number) {
            paramValue = QString();
            LogTable::answer(report, {paramName}, recNo, paramName, paramValue, column);
            return;
        }
    }
}
