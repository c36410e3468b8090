#pragma once

#include <QHash>
#include <QScriptValue>
#include <QTimer>

#include <memory>
#include <vector>

class OperatorInputGate;
class QScriptEngine;
class QWidget;
class QScriptProgram;

// A script engine whose evaluations are stopped after a time limit: a loop
// written into a template (a formula or a highlighting condition) must not
// hang the program. The limit is one for every engine; tests shorten it.
// The limit is checked between script steps, so one long call of a built-in
// function (a huge string or regular expression) runs to its end: templates
// are trusted like the database. The report remembers what was stopped and
// does not run it again.
//
// For the limit to fire, a running script lets the program's events through
// now and then: timers and queued calls go on (heartbeats, the logs), but
// the operator's input meanwhile is refused, for a click in the program
// could start another render of the report in the middle of this one. Only
// the widget the render loop keeps open (its preview or progress dialog)
// takes input, so the operator can still stop the report.
class TimedScript
{
public:
    static constexpr int DefaultTimeLimitMs = 2000;
    static void setTimeLimit(int milliseconds);
    static int timeLimit();

    TimedScript();
    ~TimedScript();
    TimedScript(const TimedScript&) = delete;
    TimedScript& operator=(const TimedScript&) = delete;

    QScriptEngine& engine() { return *m_engine; }
    // The widget, with its children, that takes the operator's input while a
    // script runs; none by default.
    void setOpenWidget(QWidget* open);
    // Takes the global object and every object reachable from it (the
    // built-ins, and functions a caller installed) as they are now: every
    // evaluation leaves them so. Made at construction; call again after
    // installing functions.
    void keepGlobals();
    // Evaluates in the engine's current context; nothing the script adds to
    // or changes in the kept objects survives it. A script stopped by the
    // limit gives the text "Error: formula stopped after N ms".
    QScriptValue evaluate(const QScriptProgram& program);
    // Whether the last evaluation was stopped by the limit.
    bool stopped() const { return m_stopped; }
    // Whether a script may change anything that outlives it. Conservative:
    // false only for scripts that cannot (no assignment, no changing call).
    static bool mayChange(const QString& script);

private:
    struct KeptProperty
    {
        QScriptValue value;
        int flags = 0;
    };
    struct KeptObject
    {
        QScriptValue object;
        QScriptValue prototype;
        QHash<QString, KeptProperty> properties;
    };
    void restoreGlobals();

    std::vector<KeptObject> m_kept;
    std::unique_ptr<QScriptEngine> m_engine;
    std::unique_ptr<OperatorInputGate> m_inputRefusal;
    QTimer m_watchdog;
    bool m_stopped = false;
};
