#include "timedscript.h"
#include "operatorinputgate.h"

#include <QCoreApplication>
#include <QEvent>
#include <QScriptContext>
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
constexpr size_t MaxKeptObjects = 5000;
constexpr int Accessor = QScriptValue::PropertyGetter | QScriptValue::PropertySetter;
constexpr int Locked = QScriptValue::ReadOnly | QScriptValue::Undeletable | QScriptValue::SkipInEnumeration;

// True when any of the objects has another prototype than it had, or it or
// an object on its prototype chain holds an enumerable member. Enumerating
// reads names the engine caches per object layout: far cheaper than
// listing every member.
const char* const ChangeProbe = "(function (objects, prototypes, prototypeOf) {"
                                "    return function () {"
                                "        for (var i = 0; i < objects.length; ++i) {"
                                "            if (prototypeOf(objects[i]) !== prototypes[i])"
                                "                return true;"
                                "            for (var name in objects[i])"
                                "                return true;"
                                "        }"
                                "        return false;"
                                "    };"
                                "})";

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
    , m_ownGlobal(m_engine->globalObject())
{
    m_engine->setProcessEventsInterval(ScriptEventIntervalMs);
    m_watchdog.setSingleShot(true);
    QObject::connect(&m_watchdog, &QTimer::timeout, &m_watchdog, [this] {
        if (m_interrupted)
            return;
        m_stopped = true;
        m_engine->abortEvaluation(QStringLiteral("Error: formula stopped after %1 ms").arg(timeLimitMs));
    });
    m_interruptionCheck.setInterval(ScriptEventIntervalMs);
    QObject::connect(&m_interruptionCheck, &QTimer::timeout, &m_interruptionCheck, [this] {
        if (m_stopped || m_interrupted || !m_interruption || !m_interruption())
            return;
        m_interrupted = true;
        m_engine->abortEvaluation();
    });
    refuseDefinitionsOnKeptObjects();
    keepGlobals();
}

TimedScript::~TimedScript() = default;

void TimedScript::setOpenWidget(QWidget* open)
{
    m_inputRefusal->setOpen(open);
}

// A member defined on an object is not enumerable and cannot be deleted
// unless the definition says so: on a kept object it could be neither
// found nor taken away again, so no script defines one there.
void TimedScript::refuseDefinitionsOnKeptObjects()
{
    const auto refusing = [](QScriptContext* context, QScriptEngine*, void* data) {
        if (static_cast<TimedScript*>(data)->m_keptIds.contains(context->argument(0).objectId()))
            return context->throwError(QScriptContext::TypeError, QStringLiteral("built-in objects cannot be extended"));
        QScriptValueList arguments;
        for (int i = 0; i < context->argumentCount(); ++i)
            arguments << context->argument(i);
        return context->callee().data().call(context->thisObject(), arguments);
    };
    QScriptValue object = m_ownGlobal.property(QStringLiteral("Object"));
    for (const char* name : {"defineProperty", "defineProperties"}) {
        QScriptValue wrapper = m_engine->newFunction(refusing, this);
        wrapper.setData(object.property(QLatin1String(name)));
        object.setProperty(QLatin1String(name), wrapper, object.propertyFlags(QLatin1String(name)));
    }
}

void TimedScript::keepGlobals()
{
    m_globals = m_engine->newObject();
    m_globals.setPrototype(m_ownGlobal.prototype());
    for (QScriptValueIterator it(m_ownGlobal); it.hasNext();) {
        it.next();
        m_globals.setProperty(it.name(), it.value());
    }
    m_kept.clear();
    m_keptIds.clear();
    QSet<qint64> seen;
    std::deque<QScriptValue> pending{m_globals};
    while (!pending.empty() && m_kept.size() < MaxKeptObjects) {
        QScriptValue object = pending.front();
        pending.pop_front();
        if (!object.isObject() || seen.contains(object.objectId()))
            continue;
        seen.insert(object.objectId());
        m_keptIds.insert(object.objectId());
        KeptObject kept{object, object.prototype(), {}};
        pending.push_back(kept.prototype);
        for (QScriptValueIterator it(object); it.hasNext();) {
            it.next();
            const int flags = int(it.flags());
            kept.properties.insert(it.name(), KeptProperty{it.value(), flags & Accessor ? flags : flags | Locked});
            if (it.value().isObject())
                pending.push_back(it.value());
        }
        for (auto property = kept.properties.cbegin(); property != kept.properties.cend(); ++property) {
            if (!(property->flags & Accessor))
                object.setProperty(property.key(), property->value, QScriptValue::PropertyFlags(property->flags));
        }
        m_kept.push_back(std::move(kept));
    }
    // Every script meets these: names resolve through the globals, and each
    // value it makes inherits from one of the prototypes. A member added
    // elsewhere (Math, a function) is seen only by a script that names it.
    QScriptValue probed = m_engine->newArray();
    QScriptValue prototypes = m_engine->newArray();
    quint32 count = 0;
    const auto probe = [&](const QScriptValue& object) {
        prototypes.setProperty(count, object.prototype());
        probed.setProperty(count++, object);
    };
    probe(m_globals);
    for (const char* name : {"Object", "Function", "Array", "String", "Number", "Boolean", "Date", "RegExp", "Error"})
        probe(m_globals.property(QLatin1String(name)).property(QStringLiteral("prototype")));
    const QScriptValue prototypeOf = m_globals.property(QStringLiteral("Object")).property(QStringLiteral("getPrototypeOf"));
    m_probe = m_engine->evaluate(QLatin1String(ChangeProbe)).call(QScriptValue(), QScriptValueList{probed, prototypes, prototypeOf});
}

void TimedScript::setGlobal(const QString& name, const QScriptValue& value)
{
    KeptProperty& kept = m_kept.front().properties[name];
    kept.value = value;
    kept.flags |= Locked;
    m_globals.setProperty(name, value, QScriptValue::PropertyFlags(kept.flags));
}

bool TimedScript::keptObjectsChanged()
{
    return m_probe.call().toBool();
}

// Puts back what a script changed: added members go, changed and removed
// ones get their former values, a replaced prototype the former one.
void TimedScript::restoreKeptObjects()
{
    for (KeptObject& kept : m_kept) {
        QScriptValue& object = kept.object;
        if (!object.prototype().strictlyEquals(kept.prototype))
            object.setPrototype(kept.prototype);
        QList<QPair<QString, int>> added;
        int present = 0;
        for (QScriptValueIterator it(object); it.hasNext();) {
            it.next();
            const auto property = kept.properties.constFind(it.name());
            if (property == kept.properties.cend()) {
                added.append({it.name(), int(it.flags() & Accessor)});
                continue;
            }
            ++present;
            if (property->flags & Accessor || it.value().strictlyEquals(property->value))
                continue;
            // An array's length takes no flags and stays writable.
            if (it.flags() & QScriptValue::ReadOnly)
                object.setProperty(it.name(), property->value, QScriptValue::PropertyFlags(property->flags));
            else
                object.setProperty(it.name(), property->value);
        }
        for (const auto& property : qAsConst(added))
            object.setProperty(property.first, QScriptValue(), QScriptValue::PropertyFlags(property.second));
        if (present == kept.properties.size())
            continue;
        for (auto property = kept.properties.cbegin(); property != kept.properties.cend(); ++property) {
            if (!object.property(property.key(), QScriptValue::ResolveLocal).isValid())
                object.setProperty(property.key(), property->value, QScriptValue::PropertyFlags(property->flags));
        }
    }
}

QScriptValue TimedScript::evaluate(const QScriptProgram& program, const Bind& bind)
{
    m_stopped = false;
    m_threw = false;
    m_interrupted = m_interruption && m_interruption();
    if (m_interrupted)
        return QScriptValue();
    QScriptValue global = m_engine->newObject();
    global.setPrototype(m_globals);
    m_engine->setGlobalObject(global);
    QScriptContext* context = m_engine->pushContext();
    if (bind) {
        QScriptValue scope = context->activationObject();
        bind(scope);
    }
    QCoreApplication* application = QCoreApplication::instance();
    if (application)
        application->installEventFilter(m_inputRefusal.get());
    m_watchdog.start(timeLimitMs);
    m_interruptionCheck.start();
    QScriptValue value = m_engine->evaluate(program);
    m_interruptionCheck.stop();
    m_watchdog.stop();
    if (m_interrupted)
        value = QScriptValue();
    if (application)
        application->removeEventFilter(m_inputRefusal.get());
    m_threw = !m_interrupted && m_engine->hasUncaughtException();
    m_engine->clearExceptions();
    m_engine->popContext();
    m_engine->setGlobalObject(m_ownGlobal);
    if (keptObjectsChanged())
        restoreKeptObjects();
    return value;
}
