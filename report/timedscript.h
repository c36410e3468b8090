#pragma once

#include <QHash>
#include <QSet>
#include <QScriptValue>
#include <QTimer>

#include <functional>
#include <memory>
#include <vector>

class OperatorInputGate;
class QScriptEngine;
class QScriptProgram;
class QWidget;

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
//
// Every evaluation starts from the same globals, whatever the evaluations
// before it did. Each runs with a global object of its own, thrown away
// after it, whose prototype holds the kept globals: what a script assigns,
// defines or deletes there, however it names it (a loop variable, `this`,
// `with`, `eval`), goes with that object. The members of the kept objects
// (the built-ins, the functions a caller installed) are read-only and
// cannot be deleted, and Object.defineProperty defines nothing on them.
// What is left, a member added to a kept object by assignment or a
// prototype replaced, is looked for after each evaluation where every
// script meets it (the globals and the prototypes of the values a script
// makes) and, when found, every kept object is put back as it was; a
// member added elsewhere (to Math, to a function) is seen only by a script
// that names it.
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
    // Takes what the engine's global object holds now (the built-ins, and
    // functions a caller installed) as the globals of every evaluation. Made
    // at construction; call again after installing functions.
    void keepGlobals();
    // Gives a kept global a new value for the evaluations after this.
    void setGlobal(const QString& name, const QScriptValue& value);
    // Evaluates in a context of its own, whose scope `bind` may fill with
    // variables first. A script stopped by the limit gives the text
    // "Error: formula stopped after N ms".
    using Bind = std::function<void(QScriptValue& scope)>;
    QScriptValue evaluate(const QScriptProgram& program, const Bind& bind = {});
    // Asked as an evaluation begins and, while it runs, each time the
    // events go through: true interrupts it (the operator cancelled the
    // report, the program ends). An interrupted script is not at fault: it
    // gives no value, and it is neither stopped nor thrown.
    using Interruption = std::function<bool()>;
    void setInterruption(Interruption wanted) { m_interruption = std::move(wanted); }
    // Whether the last evaluation was stopped by the limit.
    bool stopped() const { return m_stopped; }
    bool interrupted() const { return m_interrupted; }
    // Whether the last evaluation threw (a syntax error, a thrown value).
    bool threw() const { return m_threw; }

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
    void refuseDefinitionsOnKeptObjects();
    // Whether the last script changed a kept object that other scripts
    // meet without naming the change.
    bool keptObjectsChanged();
    void restoreKeptObjects();

    std::unique_ptr<QScriptEngine> m_engine;
    std::unique_ptr<OperatorInputGate> m_inputRefusal;
    // The engine's own global object, and the object holding the kept globals.
    QScriptValue m_ownGlobal;
    QScriptValue m_globals;
    // Every object reachable from the kept globals; the first is m_globals.
    std::vector<KeptObject> m_kept;
    QSet<qint64> m_keptIds;
    // The script function that looks, after each evaluation, for members
    // added and prototypes replaced where every script meets them.
    QScriptValue m_probe;
    QTimer m_watchdog;
    Interruption m_interruption;
    QTimer m_interruptionCheck;
    bool m_stopped = false;
    bool m_interrupted = false;
    bool m_threw = false;
};
