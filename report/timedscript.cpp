#include "timedscript.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScriptEngine>
#include <QScriptProgram>

namespace {

// How often a running script lets the watchdog's timer fire.
constexpr int ScriptEventIntervalMs = 50;
int timeLimitMs = TimedScript::DefaultTimeLimitMs;

// Swallows what the window system delivers of the operator's input.
class InputRefusal : public QObject
{
public:
    bool eventFilter(QObject* /*watched*/, QEvent* event) override
    {
        if (!event->spontaneous())
            return false;
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TabletPress:
            return true;
        default:
            return false;
        }
    }
};

} // namespace

void TimedScript::setTimeLimit(int milliseconds)
{
    timeLimitMs = milliseconds;
}

int TimedScript::timeLimit()
{
    return timeLimitMs;
}

TimedScript::TimedScript()
    : m_engine(std::make_unique<QScriptEngine>())
    , m_inputRefusal(std::make_unique<InputRefusal>())
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
    QCoreApplication* application = QCoreApplication::instance();
    if (application)
        application->installEventFilter(m_inputRefusal.get());
    m_watchdog.start(timeLimitMs);
    const QScriptValue value = m_engine->evaluate(program);
    m_watchdog.stop();
    if (application)
        application->removeEventFilter(m_inputRefusal.get());
    return value;
}
