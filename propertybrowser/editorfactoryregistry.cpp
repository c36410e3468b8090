#include "editorfactoryregistry.h"

#include "abstracteditorfactorybase.h"
#include "abstractpropertymanager.h"

Q_GLOBAL_STATIC(EditorFactoryRegistry, registryInstance)

EditorFactoryRegistry* EditorFactoryRegistry::instance()
{
    if (registryInstance.isDestroyed())
        return nullptr;
    return registryInstance();
}

void EditorFactoryRegistry::watch(QObject* object)
{
    if (m_watched.contains(object))
        return;
    m_watched.insert(object);
    // Only the address is used once `destroyed` arrives: the object is
    // already half torn down then.
    connect(object, &QObject::destroyed, this, [this](QObject* gone) {
        m_watched.remove(gone);
        purgeManager(gone);
        purgeFactory(gone);
    });
}

namespace {

template <class Map, class Match>
void eraseIf(Map& map, Match match)
{
    for (auto it = map.begin(); it != map.end();) {
        if (match(it))
            it = map.erase(it);
        else
            ++it;
    }
}

// Addresses only: stored pointers are converted up to QObject, the
// half-destroyed object is never converted down to its class.
template <class Pointer>
bool sameObject(Pointer stored, const QObject* gone)
{
    return static_cast<const QObject*>(stored) == gone;
}

} // namespace

void EditorFactoryRegistry::purgeManager(QObject* manager)
{
    eraseIf(browsersByManager, [manager](auto it) { return sameObject(it.key(), manager); });
    for (FactoryByManager& factories : factoryByBrowser)
        eraseIf(factories, [manager](auto it) { return sameObject(it.key(), manager); });
    eraseIf(factoryByBrowser, [](auto it) { return it->isEmpty(); });
}

void EditorFactoryRegistry::purgeFactory(QObject* factory)
{
    for (BrowsersByFactory& browsers : browsersByManager)
        eraseIf(browsers, [factory](auto it) { return sameObject(it.key(), factory); });
    eraseIf(browsersByManager, [](auto it) { return it->isEmpty(); });
    for (FactoryByManager& factories : factoryByBrowser)
        eraseIf(factories, [factory](auto it) { return sameObject(it.value(), factory); });
    eraseIf(factoryByBrowser, [](auto it) { return it->isEmpty(); });
}
