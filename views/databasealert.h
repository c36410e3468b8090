#pragma once

#include <QString>

#include <functional>

// Tells the operator, once per problem until it passes, that the database
// cannot be read or that a log cannot be written or cleared. The operator
// gets one message box and the diagnostic log one warning with the SQL
// error, the repeats going to the debug level, so an alarm storm against a
// full disk buries neither the screen nor the log.
class DatabaseAlert
{
public:
    enum Problem {
        // The program cannot start: the file cannot be opened.
        Unopenable,
        Unreadable,
        AlarmLogNotWritten,
        UserActionLogNotWritten,
        // The database has refused the logs' rows for a while; they wait.
        LogsDelayed,
        // The database file is read-only: told at the first refused row.
        LogsReadOnly,
        // So long that the waiting rows fill their queue: rows are lost.
        // Told as LogsOutpaced when the database takes the rows, only more
        // slowly than they come.
        LogQueueFull,
        LogsOutpaced,
        // A clear of a log (the operator's or the nightly one) failed.
        LogNotCleared,
        // Rows the last write at the end could not write (reportLostRows).
        LogRowsLost,
        // Rows the end of the run before could not write, told at the start.
        LogRowsLostBefore,
        ProblemCount
    };

    // Shows the text to the operator; `blocking` when the program cannot go
    // on before the operator has read it, which is only where no event loop
    // runs (before the log-in's check is passed, after the window's end). Any
    // other box comes while he may be typing elsewhere: it blocks nothing,
    // takes no key and stands in front of the main window (SelfShownWindow).
    // Tests replace it.
    using Notifier = std::function<void(const QString& text, bool blocking)>;
    static void setNotifier(Notifier notifier);

    // Logs `sqlError`; tells the operator the first time `problem` occurs.
    // True when the operator was told now. Once the program's end has begun
    // it only logs: no box may keep the end waiting.
    static bool report(Problem problem, const QString& sqlError);

    // The logs' last write at the end lost `rows` rows. An end the operator
    // chose tells him in one box, which waits for him; an end by signal
    // only logs it.
    static bool reportLostRows(int rows, const QString& sqlError);
    // The last end of the program, which showed no window (an end by
    // signal), lost `rows` rows; told once the window of this run stands.
    // No count (0) when the end could keep none, as on a full disk that
    // holds the settings too: its closing row is missing from the log.
    static bool reportRowsLostBefore(int rows, const QString& sqlError);

    // The problem has passed: its next occurrence is told again.
    static void resolved(Problem problem);

    // Tells the operator when the logs' rows wait for the database
    // (WriteBatch) for long, once per such stretch. Any log may call it.
    static void followWrites();

    // Forgets which problems were told (tests).
    static void reset();
};
