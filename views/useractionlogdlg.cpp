#include "useractionlogdlg.h"
#include "ui_useractionlogdlg.h"

#include "databasealert.h"
#include "logtable.h"
#include "reportengine.h"
#include "writebatch.h"

#include <QDebug>
#include <QSortFilterProxyModel>
#include <QSqlError>
#include <QSqlRecord>
#include <QSqlTableModel>

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

    model = LogTable::createModel(this, QLatin1String(kTable), QSqlTableModel::OnManualSubmit, headers());
    proxy = new QSortFilterProxyModel(this);
    proxy->setSourceModel(model);
    ui->tableLog->setModel(proxy);
    ui->tableLog->hideColumn(0);
}

UserActionLogDlg::~UserActionLogDlg()
{
    delete ui;
}

void UserActionLogDlg::setClock(NightlyCleanup::Clock clock)
{
    cleanup.setClock(std::move(clock));
}

int UserActionLogDlg::showDialog()
{
    return exec();
}

void UserActionLogDlg::addRecord(QString subject, QString message, bool doSubmit)
{
    QSqlRecord record = model->record();
    record.setValue(1, cleanup.now().toString(QLatin1String(LogTable::kStampFormat)));
    record.setValue(2, userName);
    record.setValue(3, subject);
    record.setValue(4, message);
    // The key is the database's to give.
    record.setGenerated(0, false);
    if (!model->insertRecord(-1, record)) {
        DatabaseAlert::report(DatabaseAlert::UserActionLogNotWritten, model->lastError().text());
        return;
    }
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

// Pending rows stay in the model when the database refuses them and go
// with the next write that succeeds.
void UserActionLogDlg::submit()
{
    if (reloadBeforeWrite) {
        QList<QSqlRecord> pending;
        for (int row = 0; row < model->rowCount(); ++row) {
            if (model->isDirty(model->index(row, 0)))
                pending.append(model->record(row));
        }
        LogTable::load(model, QLatin1String(kTable), headers());
        for (QSqlRecord record : qAsConst(pending)) {
            record.setGenerated(0, false);
            model->insertRecord(-1, record);
        }
        reloadBeforeWrite = false;
    }
    // Log rows of a heartbeat still waiting for their commit go first, so
    // that a refused user action is told here and not lost with them.
    WriteBatch::instance().commit();
    if (!model->submitAll()) {
        DatabaseAlert::report(DatabaseAlert::UserActionLogNotWritten, model->lastError().text());
        reloadBeforeWrite = true;
        return;
    }
    LogTable::fetchAll(model);
}

void UserActionLogDlg::clearLog(int days)
{
    LogTable::clear(QLatin1String(kTable), days);
    // A plain reload would drop the actions still waiting to be written.
    // Clearing everything takes them too; an age clean-up keeps them, and
    // the write below reloads the table around them.
    if (days == 0)
        model->select();
    else
        reloadBeforeWrite = true;
    addRecord(QStringLiteral("UserActionLog"), tr("Clear user action log"), true);
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
    if (keepDays < 0)
        return;
    cleanup.markDone();
    clearLog(keepDays);
}

void UserActionLogDlg::print()
{
    report = LogTable::startReport(this, QLatin1String(kReportFile), proxy->rowCount());
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
    LogTable::answer(proxy, names, recNo, paramName, paramValue);
}
