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

void EditorFactoryRegistry::purgeManager(QObject* manager)
{
    auto* key = static_cast<AbstractPropertyManager*>(manager);
    if (!browsersByManager.remove(key))
        return;
    for (auto it = factoryByBrowser.begin(); it != factoryByBrowser.end();) {
        it->remove(key);
        if (it->isEmpty())
            it = factoryByBrowser.erase(it);
        else
            ++it;
    }
}

void EditorFactoryRegistry::purgeFactory(QObject* factory)
{
    auto* key = static_cast<AbstractEditorFactoryBase*>(factory);
    for (auto it = browsersByManager.begin(); it != browsersByManager.end();) {
        it->remove(key);
        if (it->isEmpty())
            it = browsersByManager.erase(it);
        else
            ++it;
    }
    for (auto it = factoryByBrowser.begin(); it != factoryByBrowser.end();) {
        for (auto inner = it->begin(); inner != it->end();) {
            if (inner.value() == key)
                inner = it->erase(inner);
            else
                ++inner;
        }
        if (it->isEmpty())
            it = factoryByBrowser.erase(it);
        else
            ++it;
    }
}
