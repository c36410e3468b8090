#include "subpropertymap.h"

#include "abstractpropertymanager.h"
#include "property.h"

Property *SubPropertyMap::create(AbstractPropertyManager *subManager, const QString &name)
{
    Property *sub = subManager->addProperty();
    sub->setPropertyName(name);
    return sub;
}

void SubPropertyMap::attach(Property *owner, Property *sub)
{
    m_toSub.insert(owner, sub);
    m_toOwner.insert(sub, owner);
    owner->addSubProperty(sub);
}

bool SubPropertyMap::forget(const Property *sub)
{
    const auto it = m_toOwner.find(sub);
    if (it == m_toOwner.end())
        return false;
    m_toSub[it.value()] = nullptr;
    m_toOwner.erase(it);
    return true;
}

void SubPropertyMap::removeOwner(const Property *owner)
{
    if (Property *sub = m_toSub.value(owner)) {
        m_toOwner.remove(sub);
        delete sub;
    }
    m_toSub.remove(owner);
}

Property *SubPropertyMap::ownerIn(const QList<SubPropertyMap *> &maps, const Property *sub, int *position)
{
    for (int i = 0; i < maps.size(); ++i) {
        if (Property *found = maps.at(i)->owner(sub)) {
            *position = i;
            return found;
        }
    }
    return nullptr;
}

void SubPropertyMap::forgetIn(const QList<SubPropertyMap *> &maps, const Property *sub)
{
    for (SubPropertyMap *map : maps) {
        if (map->forget(sub))
            return;
    }
}

void SubPropertyMap::removeOwnerIn(const QList<SubPropertyMap *> &maps, const Property *owner)
{
    for (SubPropertyMap *map : maps)
        map->removeOwner(owner);
}
