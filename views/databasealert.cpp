#include "databasealert.h"
#include "viewslogging.h"

#include "writebatch.h"

#include <QCoreApplication>
#include <QDebug>
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

QString problemText(DatabaseAlert::Problem problem)
{
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
    default:
        return QCoreApplication::translate("DatabaseAlert",
                                           "The user action log cannot be written to the database.");
    }
}

// While the program runs the box must not start an event loop of its own:
// log rows keep arriving and would be written from inside it.
void showMessage(const QString& text, bool blocking)
{
    const QString title = QCoreApplication::translate("DatabaseAlert", "Database error");
    if (blocking) {
        QMessageBox::critical(nullptr, title, text);
        return;
    }
    auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}

} // namespace

void DatabaseAlert::setNotifier(Notifier notifier)
{
    ::notifier() = std::move(notifier);
}

bool DatabaseAlert::report(Problem problem, const QString& sqlError)
{
    // A full queue has one of two causes, and only the batch knows which.
    if (problem == LogQueueFull && !WriteBatch::instance().isFailing())
        problem = LogsOutpaced;
    if (problem < 0 || problem >= ProblemCount || toldProblems().test(problem)) {
        qCDebug(lcViews) << "Database:" << problemText(problem) << sqlError;
        return false;
    }
    qCWarning(lcViews) << "Database:" << problemText(problem) << sqlError;
    toldProblems().set(problem);
    const QString text = sqlError.isEmpty() ? problemText(problem) : problemText(problem) + QLatin1Char('\n') + sqlError;
    const bool blocking = problem == Unreadable || problem == Unopenable;
    if (notifier())
        notifier()(text, blocking);
    else
        showMessage(text, blocking);
    return true;
}

void DatabaseAlert::followWrites()
{
    static QPointer<WriteBatch> followed;
    WriteBatch& batch = WriteBatch::instance();
    if (followed == &batch)
        return;
    followed = &batch;
    QObject::connect(&batch, &WriteBatch::stalled, &batch, [](const QString& error) { report(LogsDelayed, error); });
    QObject::connect(&batch, &WriteBatch::written, &batch, [&batch] {
        if (batch.pendingRows() == 0)
            toldProblems().reset(LogsOutpaced);
    });
    QObject::connect(&batch, &WriteBatch::resumed, &batch, [] {
        toldProblems().reset(LogsDelayed);
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
