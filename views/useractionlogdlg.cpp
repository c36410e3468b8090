#include "useractionlogdlg.h"
#include "ui_useractionlogdlg.h"
#include "viewslogging.h"

#include "databasealert.h"
#include "logtable.h"
#include "reportrows.h"
#include "reportengine.h"
#include "writebatch.h"

#include <QDebug>
#include <QSortFilterProxyModel>
#include <QSqlError>
#include <QTableView>

UserActionLogDlg::UserActionLogDlg(QWidget* parent)
    : QDialog(parent)
    , ui(new Ui::UserActionLogDlg)
    , cleanup(QLatin1String(kKeepDaysKey), QLatin1String(kLastClearKey))
{
    ui->setupUi(this);
    clearButton = ui->btnClear;
    cleanup.load();

    connect(ui->btnClear, &QToolButton::clicked, this, &UserActionLogDlg::clearAllLog);
    connect(ui->btnPrintPreview, &QToolButton::clicked, this, &UserActionLogDlg::print);

    model = new LogModel(QLatin1String(kTable), {QStringLiteral("id"), QStringLiteral("datetime"), QStringLiteral("user"),
                                                  QStringLiteral("subject"), QStringLiteral("info")},
                         this);
    model->setHeaders(headers());
    connect(&WriteBatch::instance(), &WriteBatch::written, this, &UserActionLogDlg::rowsWritten);
    connect(&WriteBatch::instance(), &WriteBatch::refused, this, &UserActionLogDlg::rowRefused);
    DatabaseAlert::followWrites();
    proxy = new QSortFilterProxyModel(this);
    proxy->setSourceModel(model);
    ui->tableLog->setSortingEnabled(false);
    ui->tableLog->setModel(proxy);
    ui->tableLog->hideColumn(0);
    LogTable::sortByHeader(ui->tableLog, model);
    reload();
}

UserActionLogDlg::~UserActionLogDlg()
{
    delete ui;
}

void UserActionLogDlg::setClock(NightlyCleanup::Clock clock)
{
    cleanup.setClock(std::move(clock));
}

// Each time the dialog opens, the Date/Time column fits the stamps it
// shows: the header's default width cuts the time off.
void UserActionLogDlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    ui->tableLog->resizeColumnToContents(1);
}

int UserActionLogDlg::showDialog()
{
    return exec();
}

void UserActionLogDlg::addRecord(QString subject, QString message, bool doSubmit)
{
    unsubmitted.append({cleanup.now().toString(QLatin1String(LogTable::kStampFormat)), userName, subject, message});
    if (doSubmit)
        submit();
}

void UserActionLogDlg::addRecord(QString subject, QString message)
{
    addRecord(subject, message, true);
}

void UserActionLogDlg::addRecordList(ActionMsgList messageList)
{
    for (const auto& entry : qAsConst(messageList))
        addRecord(entry.first, entry.second, false);
    submit();
}

QStringList UserActionLogDlg::headers() const
{
    return {tr("Date/Time"), tr("User"), tr("Subject"), tr("Info")};
}

// The records are handed to the writer, behind whatever log rows wait
// before them, and shown once written: an operator's click never waits for
// the database.
void UserActionLogDlg::submit()
{
    for (const QVariantList& values : qAsConst(unsubmitted)) {
        const WriteBatch::Receipt receipt = WriteBatch::instance().append(QLatin1String(kInsertStatement), values);
        if (!receipt.ticket) {
            DatabaseAlert::report(DatabaseAlert::LogQueueFull, QString());
            continue;
        }
        waiting.insert(receipt.ticket, {QVariant(), values.at(0), values.at(1), values.at(2), values.at(3)});
    }
    unsubmitted.clear();
}

void UserActionLogDlg::reload()
{
    if (!model->load())
        qCWarning(lcViews) << kTable << model->lastError().text();
}

// Written, the records go in where the order puts them among the rows held,
// with their keys: the table is not read again.
void UserActionLogDlg::rowsWritten(const WriteBatch::WrittenRows& rows)
{
    std::vector<LogModel::Arrival> ours;
    for (const WriteBatch::WrittenRow& row : rows) {
        const auto record = waiting.find(row.ticket);
        if (record == waiting.end())
            continue;
        ours.push_back({row.ticket, record.value()});
        ours.back().cells[0] = row.key;
        waiting.erase(record);
    }
    if (!ours.empty())
        model->add(ours);
}

void UserActionLogDlg::rowRefused(quint64 ticket, const QString& error)
{
    if (waiting.remove(ticket))
        DatabaseAlert::report(DatabaseAlert::UserActionLogNotWritten, error);
}

bool UserActionLogDlg::clearLog(int days)
{
    if (!LogTable::clear(QLatin1String(kTable), days))
        return false;
    reload();
    // Clearing everything takes the actions not submitted yet too; an age
    // clean-up keeps them, for they are today's.
    if (days == 0)
        unsubmitted.clear();
    addRecord(QStringLiteral("UserActionLog"), tr("Clear user action log"), true);
    return true;
}

void UserActionLogDlg::clearAllLog()
{
    if (LogTable::askClearAll(this, "UserActionLogDlg"))
        clearLog(0);
}

void UserActionLogDlg::afterTimer()
{
    if (cleanup.isCleanupMinute())
        clearOldRecords();
}

void UserActionLogDlg::clearOldRecords()
{
    const int keepDays = cleanup.dueKeepDays();
    // A clear that failed is tried again on the next tick of the night.
    if (keepDays >= 0 && clearLog(keepDays))
        cleanup.markDone();
}

void UserActionLogDlg::print()
{
    // One printout at a time: the window answers while pages render.
    if (report)
        return;
    // The print shows the actions taken up to the click: they are written first.
    WriteBatch::instance().commit();
    // The table in the order the view shows it.
    report = LogTable::startReport(this, QLatin1String(kReportFile), std::make_unique<SqlRows>(model->pager()));
    connect(report, &ReportEngine::setValue, this, &UserActionLogDlg::setValue);
    report->printExec(true, false, QString());
    printPreviewClosed();
}

void UserActionLogDlg::printPreviewClosed()
{
    delete report;
    report = nullptr;
}

void UserActionLogDlg::setValue(int recNo, QString paramName, QVariant& paramValue, int)
{
    static const QStringList names = {QStringLiteral("datetime"), QStringLiteral("user"), QStringLiteral("subject"),
                                      QStringLiteral("info")};
    LogTable::answer(report, names, recNo, paramName, paramValue);
}
