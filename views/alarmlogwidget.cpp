#include "alarmlogwidget.h"
#include "ui_alarmlogwidget.h"

#include "alarmlogproxymodel.h"
#include "logtable.h"
#include "reportengine.h"

#include <QDebug>
#include <QSettings>
#include <QSqlError>
#include <QSqlTableModel>

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

    model = LogTable::createModel(this, QLatin1String(kTable), QSqlTableModel::OnRowChange, headers());
    proxy = new AlarmLogProxyModel(this);
    proxy->setSourceModel(model);
    ui->tableLog->setModel(proxy);

    QHeaderView* header = ui->tableLog->horizontalHeader();
    const QByteArray state = LogTable::openSettings()->value(QLatin1String(kHeaderStateKey)).toByteArray();
    if (state.isEmpty()) {
        header->resizeSection(1, kDateTimeWidth);
        header->resizeSection(3, kReasonWidth);
    } else {
        header->restoreState(state);
    }
    ui->tableLog->hideColumn(0);
    ui->tableLog->setAutoScroll(false);

    filtering();
}

AlarmLogWidget::~AlarmLogWidget()
{
    LogTable::openSettings()->setValue(QLatin1String(kHeaderStateKey), ui->tableLog->horizontalHeader()->saveState());
    delete ui;
}

void AlarmLogWidget::setClock(NightlyCleanup::Clock clock)
{
    cleanup.setClock(std::move(clock));
}

void AlarmLogWidget::filtering()
{
    proxy->fromDate = ui->dtpFrom->date();
    proxy->toDate = ui->dtpTo->date();
    proxy->showOk = ui->btnOK->isChecked();
    proxy->showWarning = ui->btnWaring->isChecked();
    proxy->showCritical = ui->btnCritical->isChecked();
    proxy->invalidate();
}

void AlarmLogWidget::addRecord(QString source, QString reason, QString message)
{
    addRecordThread(source, reason, message);
}

QStringList AlarmLogWidget::headers() const
{
    return {tr("Date/Time"), tr("Source"), tr("Reason"), tr("Info")};
}

void AlarmLogWidget::addRecordThread(QString source, QString reason, QString message)
{
    if (reloadBeforeWrite) {
        LogTable::load(model, QLatin1String(kTable), headers());
        reloadBeforeWrite = false;
    }
    if (!model->insertRow(0)) {
        qWarning() << "Alarm log row not added:" << model->lastError().text();
        return;
    }
    model->setData(model->index(0, 1), cleanup.now().toString(QLatin1String(LogTable::kStampFormat)));
    model->setData(model->index(0, 2), source);
    model->setData(model->index(0, 3), reason);
    model->setData(model->index(0, 4), message);
    if (!model->submit()) {
        // A row the database refused must not stay in the view as if logged.
        qWarning() << "Alarm log row not written:" << model->lastError().text();
        model->revertAll();
        reloadBeforeWrite = true;
    }
}

void AlarmLogWidget::clearAllLog()
{
    if (LogTable::askClearAll(this, "AlarmLogWidget"))
        clearLog(0);
}

void AlarmLogWidget::clearLog(int days)
{
    LogTable::clear(QLatin1String(kTable), days);
    model->select();
    LogTable::fetchAll(model);
    emit writeUserActionLog(QStringLiteral("AlarmLog"), tr("Clear log alarm"));
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
    if (keepDays < 0)
        return;
    clearLog(keepDays);
    cleanup.markDone();
}

void AlarmLogWidget::print()
{
    report = LogTable::startReport(this, QLatin1String(kReportFile), proxy->rowCount());
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
    LogTable::answer(proxy, names, recNo, paramName, paramValue);
}
