#pragma once

#include <QScriptValue>
#include <QTimer>

#include <memory>

class QObject;
class QScriptEngine;
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
// the operator's input meanwhile is refused, for a click in a report's
// preview would start another render of that report in the middle of this
// one.
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
    // Evaluates in the engine's current context. A script stopped by the
    // limit gives the text "Error: formula stopped after N ms".
    QScriptValue evaluate(const QScriptProgram& program);
    // Whether the last evaluation was stopped by the limit.
    bool stopped() const { return m_stopped; }

private:
    std::unique_ptr<QScriptEngine> m_engine;
    std::unique_ptr<QObject> m_inputRefusal;
    QTimer m_watchdog;
    bool m_stopped = false;
};
