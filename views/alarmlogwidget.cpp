#include "alarmlogwidget.h"
#include "viewslogging.h"
#include "ui_alarmlogwidget.h"

#include "alarmlogfeed.h"
#include "alarmlogmodel.h"
#include "alarmlogproxymodel.h"
#include "databasealert.h"
#include "headerstate.h"
#include "logtable.h"
#include "reportrows.h"
#include "reportengine.h"
#include "writebatch.h"

#include <QDebug>
#include <QSettings>
#include <QSqlError>

#include <algorithm>
#include <iterator>

AlarmLogWidget::AlarmLogWidget(QWidget* parent)
    : QWidget(parent)
    , ui(new Ui::AlarmLogWidget)
    , cleanup(QLatin1String(kKeepDaysKey), QLatin1String(kLastClearKey))
{
    ui->setupUi(this);
    ui->btnClear->hide();
    ui->btnClear->setEnabled(false);
    clearButton = ui->btnClear;

    const QDate today = cleanup.now().date();
    ui->dtpFrom->setDate(today.addDays(-kShownDays));
    ui->dtpTo->setDate(today);
    lastTickDay = today;
    cleanup.load();

    connect(ui->btnClear, &QToolButton::clicked, this, &AlarmLogWidget::clearAllLog);
    connect(ui->btnPrintPreview, &QToolButton::clicked, this, &AlarmLogWidget::print);
    connect(ui->btnOK, &QToolButton::clicked, this, &AlarmLogWidget::filtering);
    connect(ui->btnCritical, &QToolButton::clicked, this, &AlarmLogWidget::filtering);
    connect(ui->btnWaring, &QToolButton::clicked, this, &AlarmLogWidget::filtering);
    connect(ui->dtpFrom, &QDateEdit::dateChanged, this, &AlarmLogWidget::filtering);
    connect(ui->dtpTo, &QDateEdit::dateChanged, this, &AlarmLogWidget::filtering);

    model = new AlarmLogModel(this);
    model->setHeaders(headers());
    m_feed = new AlarmLogFeed(QLatin1String(kInsertStatement), this);
    connect(m_feed, &AlarmLogFeed::arrived, this, &AlarmLogWidget::showArrivals);
    connect(m_feed, &AlarmLogFeed::refused, this,
            [](const QString& error) { DatabaseAlert::report(DatabaseAlert::AlarmLogNotWritten, error); });
    connect(&WriteBatch::instance(), &WriteBatch::written, model, &AlarmLogModel::setKeys);
    DatabaseAlert::followWrites();
    proxy = new AlarmLogProxyModel(this);
    proxy->setSourceModel(model);
    // Off before the stored header state comes back (LogTable::sortByHeader).
    ui->tableLog->setSortingEnabled(false);
    ui->tableLog->setModel(proxy);

    QHeaderView* header = ui->tableLog->horizontalHeader();
    if (!HeaderState::restore(header, QLatin1String(kHeaderStateKey))) {
        header->resizeSection(1, kDateTimeWidth);
        header->resizeSection(3, kReasonWidth);
    }
    LogTable::sortByHeader(ui->tableLog, model);
    ui->tableLog->hideColumn(0);
    ui->tableLog->setAutoScroll(false);

    filtering();
}

AlarmLogWidget::~AlarmLogWidget()
{
    HeaderState::save(ui->tableLog->horizontalHeader(), QLatin1String(kHeaderStateKey));
    delete ui;
}

void AlarmLogWidget::setClock(NightlyCleanup::Clock clock)
{
    m_feed->setClock(clock);
    cleanup.setClock(std::move(clock));
}

void AlarmLogWidget::filtering()
{
    proxy->fromDate = ui->dtpFrom->date();
    proxy->toDate = ui->dtpTo->date();
    proxy->showOk = ui->btnOK->isChecked();
    proxy->showWarning = ui->btnWaring->isChecked();
    proxy->showCritical = ui->btnCritical->isChecked();
    model->setFilter(*proxy);
    // Held as rows still on their way, which the load keeps unless they
    // were written before it read.
    model->add(takePassing());
    loadModel();
    proxy->invalidate();
}

void AlarmLogWidget::loadModel()
{
    if (!model->load())
        qCWarning(lcViews) << kTable << model->lastError().text();
}

void AlarmLogWidget::addRecord(QString source, QString reason, QString message)
{
    addRecordThread(source, reason, message);
}

QStringList AlarmLogWidget::headers() const
{
    return {tr("Date/Time"), tr("Source"), tr("Reason"), tr("Info")};
}

// The row goes to the database at once; the view shows it with the rows
// that come with it (`showArrivals`).
void AlarmLogWidget::addRecordThread(QString source, QString reason, QString message)
{
    m_feed->add(source, reason, message);
}

void AlarmLogWidget::showArrivals()
{
    AlarmLogFeed::Batch batch = m_feed->take();
    if (batch.turnedAway)
        DatabaseAlert::report(DatabaseAlert::LogQueueFull, QString());
    // The rows the filter lets through, checked once, here.
    const auto refused = std::stable_partition(batch.rows.begin(), batch.rows.end(),
                                               [this](const auto& row) { return passesFilter(row); });
    setAside({std::make_move_iterator(refused), std::make_move_iterator(batch.rows.end())});
    batch.rows.erase(refused, batch.rows.end());
    model->add(batch.rows);
    if (batch.missedUpTo)
        model->reloadOnceWritten(batch.missedUpTo);
}

bool AlarmLogWidget::passesFilter(const AlarmLogModel::Arrival& row) const
{
    return proxy->accepts(row.cells[1].toString(), row.cells[2].toString(), row.cells[3].toString(),
                          row.cells[4].toString());
}

// Only what waits for the database, and no more than the model keeps of
// its own rows beyond a page: the oldest go, and the first page is read
// anew once they are written.
void AlarmLogWidget::setAside(std::vector<AlarmLogModel::Arrival> rows)
{
    const quint64 settled = WriteBatch::instance().settledTicket();
    const auto written = [settled](const AlarmLogModel::Arrival& row) { return row.ticket <= settled; };
    m_setAside.erase(m_setAside.begin(), std::partition_point(m_setAside.begin(), m_setAside.end(), written));
    std::remove_copy_if(std::make_move_iterator(rows.begin()), std::make_move_iterator(rows.end()),
                        std::back_inserter(m_setAside), written);
    const auto excess = std::ptrdiff_t(m_setAside.size()) - AlarmLogModel::MaxRowsBeyond;
    if (excess > 0) {
        model->reloadOnceWritten(m_setAside[size_t(excess - 1)].ticket);
        m_setAside.erase(m_setAside.begin(), m_setAside.begin() + excess);
    }
}

std::vector<AlarmLogModel::Arrival> AlarmLogWidget::takePassing()
{
    const auto passing = std::stable_partition(m_setAside.begin(), m_setAside.end(),
                                               [this](const auto& row) { return !passesFilter(row); });
    std::vector<AlarmLogModel::Arrival> taken(std::make_move_iterator(passing),
                                              std::make_move_iterator(m_setAside.end()));
    m_setAside.erase(passing, m_setAside.end());
    return taken;
}

void AlarmLogWidget::clearAllLog()
{
    if (LogTable::askClearAll(this, "AlarmLogWidget"))
        clearLog(0);
}

bool AlarmLogWidget::clearLog(int days)
{
    const bool cleared = LogTable::clear(QLatin1String(kTable), days);
    if (cleared && days == 0)
        m_feed->forgetWritten();
    loadModel();
    if (cleared)
        emit writeUserActionLog(QStringLiteral("AlarmLog"), tr("Clear log alarm"));
    return cleared;
}

void AlarmLogWidget::afterTimer()
{
    // The program runs for months: a view left showing up to today must go
    // on doing so after midnight, or every new record would be filtered out.
    const QDate today = cleanup.now().date();
    if (today > lastTickDay && ui->dtpTo->date() == lastTickDay)
        ui->dtpTo->setDate(today);
    lastTickDay = today;

    if (cleanup.isCleanupMinute())
        clearOldRecords();
}

void AlarmLogWidget::clearOldRecords()
{
    const int keepDays = cleanup.dueKeepDays();
    // A clear that failed is tried again on the next tick of the night.
    if (keepDays >= 0 && clearLog(keepDays))
        cleanup.markDone();
}

void AlarmLogWidget::print()
{
    // One printout at a time: the window answers while pages render.
    if (report)
        return;
    // The rows shown but still on their way to the table are printed too.
    WriteBatch::instance().commit();
    report = LogTable::startReport(this, QLatin1String(kReportFile), std::make_unique<SqlRows>(model->pager()));
    connect(report, &ReportEngine::setValue, this, &AlarmLogWidget::setValue);
    report->printExec(true, false, QString());
    printPreviewClosed();
}

void AlarmLogWidget::printPreviewClosed()
{
    delete report;
    report = nullptr;
}

void AlarmLogWidget::setValue(int recNo, QString paramName, QVariant& paramValue, int)
{
    static const QStringList names = {QStringLiteral("datetime"), QStringLiteral("source"), QStringLiteral("reason"),
                                      QStringLiteral("info")};
    LogTable::answer(report, names, recNo, paramName, paramValue);
}
