#include "timedscript.h"

#include <QScriptEngine>
#include <QScriptProgram>

namespace {

// How often a running script lets the watchdog's timer fire.
constexpr int ScriptEventIntervalMs = 50;
int timeLimitMs = TimedScript::DefaultTimeLimitMs;

} // namespace

void TimedScript::setTimeLimit(int milliseconds)
{
    timeLimitMs = milliseconds;
}

int TimedScript::timeLimit()
{
    return timeLimitMs;
}

TimedScript::TimedScript() : m_engine(std::make_unique<QScriptEngine>())
{
    m_engine->setProcessEventsInterval(ScriptEventIntervalMs);
    m_watchdog.setSingleShot(true);
    QObject::connect(&m_watchdog, &QTimer::timeout, &m_watchdog, [this] {
        m_stopped = true;
        m_engine->abortEvaluation(QStringLiteral("Error: formula stopped after %1 ms").arg(timeLimitMs));
    });
}

TimedScript::~TimedScript() = default;

QScriptValue TimedScript::evaluate(const QScriptProgram& program)
{
    m_stopped = false;
    m_watchdog.start(timeLimitMs);
    const QScriptValue value = m_engine->evaluate(program);
    m_watchdog.stop();
    return value;
}
