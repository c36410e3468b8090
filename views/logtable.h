#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>

#include <memory>

class LogModel;
class QObject;
class QSettings;
class QTableView;
class QWidget;
class ReportEngine;
class ReportRows;

// What the alarm log and the user-action log share: their header sort,
// time stamps, clearing statements, the clear question and the start of a
// printout.
class LogTable
{
public:
    // Time stamps as both logs store them: 20 characters, the last a blank.
    static constexpr const char* kStampFormat = "dd.MM.yyyy hh:mm:ss ";

    // setting.ini beside the program, opened afresh for each use.
    static std::unique_ptr<QSettings> openSettings();

    // A click on a header section of `view` sorts `model` in its query, a
    // page at a time, ties by key in the same direction; the log opens
    // newest first. The view's own sorting must be off before its header is
    // given a stored state: restoring it would sort the proxy over the rows
    // held, by their text, whatever order the query reads them in.
    static void sortByHeader(QTableView* view, LogModel* model);

    // Deletes every row (`days` 0) or the rows older than `days` days, then
    // restarts the table's key sequence, through deleteRows.
    static bool clear(const QString& table, int days);

    // Runs the delete `statement` with `values` bound and restarts the key
    // sequence of `table`, together in a transaction of their own, once the
    // log rows waiting for their commit are in (so the delete sees them, and
    // never joins their transaction, whose rollback would undo it). True when
    // the rows are gone; a failure is logged and told to the operator, and
    // the rows stay.
    static bool deleteRows(const QString& table, const QString& statement, const QVariantList& values);

    // "Realy clear all log?" with Yes and No; true for Yes.
    static bool askClearAll(QWidget* parent, const char* context);

    // A report for one print of `rows`, taken now: their count is the
    // record count of page 0; the template comes from beside the program
    // and one that cannot be loaded is logged. The rows go with the report.
    static ReportEngine* startReport(QObject* parent, const QString& templateName, std::unique_ptr<ReportRows> rows);

    // Answers a report variable from the rows of its report: names[i] is
    // column i + `first` of row `recNo`, as text unless `asText` is false;
    // other names leave `value` as it is.
    static void answer(const ReportEngine* report, const QStringList& names, int recNo, const QString& name,
                       QVariant& value, int first = 1, bool asText = true);
};
