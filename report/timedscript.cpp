#include "timedscript.h"
#include "operatorinputgate.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScriptEngine>
#include <QScriptProgram>
#include <QScriptValueIterator>
#include <QSet>

#include <deque>

namespace {

// How often a running script lets the watchdog's timer fire.
constexpr int ScriptEventIntervalMs = 50;
int timeLimitMs = TimedScript::DefaultTimeLimitMs;
// Far more than the built-ins and the report functions reach.
constexpr int MaxKeptObjects = 5000;

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
    , m_inputRefusal(std::make_unique<OperatorInputGate>())
{
    m_engine->setProcessEventsInterval(ScriptEventIntervalMs);
    m_watchdog.setSingleShot(true);
    QObject::connect(&m_watchdog, &QTimer::timeout, &m_watchdog, [this] {
        m_stopped = true;
        m_engine->abortEvaluation(QStringLiteral("Error: formula stopped after %1 ms").arg(timeLimitMs));
    });
    keepGlobals();
}

void TimedScript::setOpenWidget(QWidget* open)
{
    m_inputRefusal->setOpen(open);
}

void TimedScript::keepGlobals()
{
    m_kept.clear();
    QSet<qint64> seen;
    std::deque<QScriptValue> pending{m_engine->globalObject()};
    while (!pending.empty() && int(m_kept.size()) < MaxKeptObjects) {
        const QScriptValue object = pending.front();
        pending.pop_front();
        if (!object.isObject() || seen.contains(object.objectId()))
            continue;
        seen.insert(object.objectId());
        KeptObject kept{object, object.prototype(), {}};
        pending.push_back(kept.prototype);
        for (QScriptValueIterator it(object); it.hasNext();) {
            it.next();
            const int flags = it.flags();
            if (flags & (QScriptValue::PropertyGetter | QScriptValue::PropertySetter))
                continue;
            kept.properties.insert(it.name(), KeptProperty{it.value(), flags});
            if (it.value().isObject())
                pending.push_back(it.value());
        }
        m_kept.push_back(std::move(kept));
    }
}

// Puts back what a script changed: added properties go, changed and removed
// ones get their former values, a replaced prototype the former one.
void TimedScript::restoreGlobals()
{
    for (KeptObject& kept : m_kept) {
        QScriptValue& object = kept.object;
        // The global object reads back its first prototype whatever a
        // script made of it: it is always set.
        if (&kept == &m_kept.front() || !object.prototype().strictlyEquals(kept.prototype))
            object.setPrototype(kept.prototype);
        QStringList added;
        int present = 0;
        for (QScriptValueIterator it(object); it.hasNext();) {
            it.next();
            const auto property = kept.properties.constFind(it.name());
            if (property == kept.properties.cend()) {
                if (!(it.flags() & (QScriptValue::PropertyGetter | QScriptValue::PropertySetter)))
                    added << it.name();
                continue;
            }
            ++present;
            if (!(property->flags & QScriptValue::ReadOnly) && !it.value().strictlyEquals(property->value))
                object.setProperty(it.name(), property->value);
        }
        for (const QString& name : qAsConst(added))
            object.setProperty(name, QScriptValue());
        if (present == kept.properties.size())
            continue;
        for (auto property = kept.properties.cbegin(); property != kept.properties.cend(); ++property) {
            if (!object.property(property.key(), QScriptValue::ResolveLocal).isValid())
                object.setProperty(property.key(), property->value, QScriptValue::PropertyFlags(property->flags));
        }
    }
}

// Everything outside string literals is read as code. A "/" may start a
// regular expression or a comment, in which a quote would throw the reading
// of literals off: then any quote makes the answer yes.
bool TimedScript::mayChange(const QString& script)
{
    static const QSet<QString> changingNames{
        QStringLiteral("delete"),         QStringLiteral("push"),           QStringLiteral("pop"),
        QStringLiteral("shift"),          QStringLiteral("unshift"),        QStringLiteral("splice"),
        QStringLiteral("sort"),           QStringLiteral("reverse"),        QStringLiteral("compile"),
        QStringLiteral("defineProperty"), QStringLiteral("defineProperties"), QStringLiteral("__defineGetter__"),
        QStringLiteral("__defineSetter__"), QStringLiteral("__proto__"),    QStringLiteral("eval"),
        QStringLiteral("Function"),       QStringLiteral("constructor")};
    const bool slash = script.contains(QLatin1Char('/'));
    const auto at = [&script](int i) { return i >= 0 && i < script.size() ? script.at(i) : QChar(); };
    QChar quote;
    QString word;
    const auto changingWord = [&word] {
        const bool changing = changingNames.contains(word) || word.startsWith(QLatin1String("set"));
        word.clear();
        return changing;
    };
    for (int i = 0; i < script.size(); ++i) {
        const QChar c = script.at(i);
        if (!quote.isNull()) {
            if (c == QLatin1Char('\\'))
                ++i;
            else if (c == quote)
                quote = QChar();
            continue;
        }
        if (c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$')) {
            word += c;
            continue;
        }
        if (!word.isEmpty() && changingWord())
            return true;
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            if (slash)
                return true;
            quote = c;
        } else if (c == QLatin1Char('\\') || c == QLatin1Char('[')) {
            return true; // an escaped name, a computed member
        } else if ((c == QLatin1Char('+') || c == QLatin1Char('-')) && at(i + 1) == c) {
            return true;
        } else if (c == QLatin1Char('=')) {
            const QChar before = at(i - 1);
            if (at(i + 1) == QLatin1Char('=')) {
                i += at(i + 2) == QLatin1Char('=') ? 2 : 1; // == and ===
            } else if (before == QLatin1Char('!') || before == QLatin1Char('=')) {
                continue; // != and !==
            } else if ((before == QLatin1Char('<') || before == QLatin1Char('>')) && at(i - 2) != before) {
                continue; // <= and >=, not <<= or >>=
            } else {
                return true;
            }
        }
    }
    return !word.isEmpty() && changingWord();
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
    if (mayChange(program.sourceCode()))
        restoreGlobals();
    if (application)
        application->removeEventFilter(m_inputRefusal.get());
    return value;
}
