#include "databasealert.h"
#include "viewslogging.h"

#include "programend.h"
#include "selfshownwindow.h"
#include "writebatch.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QMessageBox>
#include <QPointer>

#include <bitset>

namespace {

std::bitset<DatabaseAlert::ProblemCount>& toldProblems()
{
    static std::bitset<DatabaseAlert::ProblemCount> told;
    return told;
}

DatabaseAlert::Notifier& notifier()
{
    static DatabaseAlert::Notifier current;
    return current;
}

// SQLite's own text for a full disk (or a database at its size limit).
bool diskFull(const QString& sqlError)
{
    return sqlError.contains(QLatin1String("database or disk is full"), Qt::CaseInsensitive);
}

QString problemText(DatabaseAlert::Problem problem, const QString& sqlError)
{
    // The cause first: a full disk is not cured by waiting for a lock.
    if (problem == DatabaseAlert::LogsDelayed && diskFull(sqlError))
        return QCoreApplication::translate("DatabaseAlert",
                                           "The disk that holds the database is full: the log rows are kept and "
                                           "written as soon as there is room.");
    switch (problem) {
    case DatabaseAlert::Unopenable:
        return QCoreApplication::translate("DatabaseAlert", "The database cannot be opened; the program ends.");
    case DatabaseAlert::Unreadable:
        return QCoreApplication::translate("DatabaseAlert", "The database cannot be read.");
    case DatabaseAlert::AlarmLogNotWritten:
        return QCoreApplication::translate("DatabaseAlert", "The alarm log cannot be written to the database.");
    case DatabaseAlert::LogsDelayed:
        return QCoreApplication::translate("DatabaseAlert",
                                           "The database does not take the log rows: another program may be holding "
                                           "it. The rows are kept and written as soon as it does.");
    case DatabaseAlert::LogQueueFull:
        return QCoreApplication::translate("DatabaseAlert",
                                           "The database has not taken the log rows for too long: new log rows are "
                                           "being lost.");
    case DatabaseAlert::LogsOutpaced:
        return QCoreApplication::translate("DatabaseAlert",
                                           "Log rows come faster than the database takes them: new log rows are "
                                           "being lost.");
    case DatabaseAlert::LogNotCleared:
        return QCoreApplication::translate("DatabaseAlert", "The log cannot be cleared; its rows are kept.");
    case DatabaseAlert::LogRowsLost:
        return QCoreApplication::translate("DatabaseAlert", "Log rows could not be written to the database and are lost.");
    case DatabaseAlert::LogsReadOnly:
        return QCoreApplication::translate("DatabaseAlert",
                                           "The database cannot be written: its file is read-only. The log rows "
                                           "are kept and written as soon as it can be written.");
    default:
        return QCoreApplication::translate("DatabaseAlert",
                                           "The user action log cannot be written to the database.");
    }
}

// While the program runs the box must not start an event loop of its own:
// log rows keep arriving and would be written from inside it. Nor may it
// take the keyboard or block the window the operator is working in: it
// comes by itself, when the writer stalls.
void showMessage(const QString& text, bool blocking)
{
    const QString title = QCoreApplication::translate("DatabaseAlert", "Database error");
    if (blocking) {
        QMessageBox::critical(nullptr, title, text);
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    SelfShownWindow::show(box);
}

} // namespace

void DatabaseAlert::setNotifier(Notifier notifier)
{
    ::notifier() = std::move(notifier);
}

namespace {

bool tell(DatabaseAlert::Problem problem, const QString& problemText, const QString& sqlError)
{
    if (problem < 0 || problem >= DatabaseAlert::ProblemCount || toldProblems().test(problem)) {
        qCDebug(lcViews) << "Database:" << problemText << sqlError;
        return false;
    }
    qCWarning(lcViews) << "Database:" << problemText << sqlError;
    toldProblems().set(problem);
    const bool lostAtOperatorsEnd =
        problem == DatabaseAlert::LogRowsLost && ProgramEnd::cause() == ProgramEnd::Cause::Operator;
    if (ProgramEnd::hasBegun() && !lostAtOperatorsEnd)
        return false;
    const QString text = sqlError.isEmpty() ? problemText : problemText + QLatin1Char('\n') + sqlError;
    // Past the event loop only a box of its own is seen.
    const bool blocking =
        problem == DatabaseAlert::Unreadable || problem == DatabaseAlert::Unopenable || lostAtOperatorsEnd;
    if (notifier())
        notifier()(text, blocking);
    else
        showMessage(text, blocking);
    return true;
}

} // namespace

bool DatabaseAlert::report(Problem problem, const QString& sqlError)
{
    // A full queue has one of two causes, and only the batch knows which.
    if (problem == LogQueueFull && !WriteBatch::instance().isFailing())
        problem = LogsOutpaced;
    return tell(problem, problemText(problem, sqlError), sqlError);
}

bool DatabaseAlert::reportLostRows(int rows, const QString& sqlError)
{
    const QString text =
        diskFull(sqlError)
            ? QCoreApplication::translate("DatabaseAlert", "The disk that holds the database is full: %1 log rows "
                                                           "could not be written and are lost.")
                  .arg(rows)
            : QCoreApplication::translate("DatabaseAlert",
                                          "%1 log rows could not be written to the database and are lost.")
                  .arg(rows);
    return tell(LogRowsLost, text, sqlError);
}

bool DatabaseAlert::reportRowsLostBefore(int rows, const QString& sqlError)
{
    if (rows <= 0)
        return tell(LogRowsLostBefore,
                    QCoreApplication::translate("DatabaseAlert",
                                                "Log rows could not be written to the database when the program "
                                                "last ended, its closing row among them, and are lost."),
                    sqlError);
    return tell(LogRowsLostBefore,
                QCoreApplication::translate("DatabaseAlert", "%1 log rows could not be written to the database when "
                                                             "the program last ended and are lost.")
                    .arg(rows),
                sqlError);
}

void DatabaseAlert::followWrites()
{
    static QPointer<WriteBatch> followed;
    WriteBatch& batch = WriteBatch::instance();
    if (followed == &batch)
        return;
    followed = &batch;
    QObject::connect(&batch, &WriteBatch::stalled, &batch, [](const QString& error) { report(LogsDelayed, error); });
    QObject::connect(&batch, &WriteBatch::readOnly, &batch, [](const QString& file, const QString& error) {
        report(LogsReadOnly, QDir::toNativeSeparators(file) + QLatin1Char('\n') + error);
    });
    QObject::connect(&batch, &WriteBatch::written, &batch, [&batch] {
        if (batch.pendingRows() == 0)
            toldProblems().reset(LogsOutpaced);
    });
    QObject::connect(&batch, &WriteBatch::resumed, &batch, [] {
        toldProblems().reset(LogsDelayed);
        toldProblems().reset(LogsReadOnly);
        toldProblems().reset(LogQueueFull);
        toldProblems().reset(LogsOutpaced);
    });
}

void DatabaseAlert::resolved(Problem problem)
{
    if (problem >= 0 && problem < ProblemCount)
        toldProblems().reset(problem);
}

void DatabaseAlert::reset()
{
    toldProblems().reset();
}
