#pragma once

#include "actionmsglist.h"
#include "logmodel.h"
#include "nightlycleanup.h"
#include "writebatch.h"

#include <QDialog>
#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>

class QSortFilterProxyModel;
class QToolButton;
class ReportEngine;

namespace Ui {
class UserActionLogDlg;
}

// The user-action log: what the logged-in user did, one row each in the
// table logUserAction, shown in a dialog that stays usable beside the main
// window. Users with the right to clear logs may empty it; old rows are
// cleared each night. The view reads the table a page at a time in the
// order of its header, as the alarm log does, and a printout follows that
// order; an action, once written, goes in where the order puts it, at a
// cost that does not grow with the log.
class UserActionLogDlg : public QDialog
{
    Q_OBJECT
public:
    static constexpr const char* kTable = "logUserAction";
    static constexpr const char* kInsertStatement =
        "insert into logUserAction(datetime, user, subject, info) values(?, ?, ?, ?)";
    static constexpr const char* kReportFile = "UserActionLogReport.xml";
    static constexpr const char* kKeepDaysKey = "UL_KeepDays";
    static constexpr const char* kLastClearKey = "UL_LastClear";

    explicit UserActionLogDlg(QWidget* parent = nullptr);
    ~UserActionLogDlg() override;

    // The clock the log stamps rows with and runs its nightly clean-up by.
    void setClock(NightlyCleanup::Clock clock);

    int showDialog();

    QToolButton* clearButton = nullptr;
    QString userName;

public slots:
    void addRecord(QString subject, QString message, bool doSubmit);
    void addRecord(QString subject, QString message);
    void addRecordList(ActionMsgList messageList);
    void afterTimer();
    // False when the rows could not be deleted (the operator is told).
    bool clearLog(int days);
    void clearAllLog();
    void print();
    void printPreviewClosed();
    void setValue(int recNo, QString paramName, QVariant& paramValue, int reportPage);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void clearOldRecords();
    void submit();
    void reload();
    void rowsWritten(const WriteBatch::WrittenRows& rows);
    void rowRefused(quint64 ticket, const QString& error);
    QStringList headers() const;

    Ui::UserActionLogDlg* ui = nullptr;
    LogModel* model = nullptr;
    ReportEngine* report = nullptr;
    QSortFilterProxyModel* proxy = nullptr;
    NightlyCleanup cleanup;
    // Records added without submitting, to be queued with the next submit.
    QList<QVariantList> unsubmitted;
    // The records queued for the database and not written yet, by ticket.
    QHash<quint64, LogModel::Row> waiting;
};
