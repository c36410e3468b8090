#pragma once

#include <QList>
#include <QMap>
#include <QString>

class AbstractPropertyManager;
class Property;

// The links of one kind of sub-property (say "Width") of a compound manager:
// owner to sub-property and back. A forward entry turns null when the
// sub-property was destroyed elsewhere; later pushes then pass null to the
// sub-manager, which ignores it.
class SubPropertyMap
{
public:
    // A new sub-property of the sub-manager: made nameless, then named.
    static Property *create(AbstractPropertyManager *subManager, const QString &name);

    // Links the sub-property and appends it to its owner.
    void attach(Property *owner, Property *sub);

    Property *sub(const Property *owner) const { return m_toSub.value(owner); }
    Property *owner(const Property *sub) const { return m_toOwner.value(sub); }

    // The sub-property died elsewhere; true when it was one of ours.
    bool forget(const Property *sub);

    // The owner goes: its sub-property is deleted with it.
    void removeOwner(const Property *owner);

    QList<const Property *> owners() const { return m_toSub.keys(); }

    // Over the maps of every kind of sub-property of one manager:
    // the owner of `sub` in the first map that knows it, and that map's
    // position among `maps`; null when none does.
    static Property *ownerIn(const QList<SubPropertyMap *> &maps, const Property *sub, int *position);
    // The first map that knew `sub` forgets it.
    static void forgetIn(const QList<SubPropertyMap *> &maps, const Property *sub);
    // The owner goes: its sub-properties of every kind are deleted with it.
    static void removeOwnerIn(const QList<SubPropertyMap *> &maps, const Property *owner);

private:
    QMap<const Property *, Property *> m_toSub;
    QMap<const Property *, Property *> m_toOwner;
};

// Takes a sub-property's new value back into its owner: the position of the
// map that knows `sub` picks the setter that changes that part of a copy of
// the owner's value, which then goes through the manager's setValue.
template <class Manager, class Value, class Part, class SubValue>
void takeSubValue(Manager *manager, const QList<SubPropertyMap *> &maps, void (Value::*const *setters)(Part),
                  const Property *sub, SubValue value)
{
    int position = 0;
    if (Property *owner = SubPropertyMap::ownerIn(maps, sub, &position)) {
        Value whole = manager->value(owner);
        (whole.*setters[position])(value);
        manager->setValue(owner, whole);
    }
}
