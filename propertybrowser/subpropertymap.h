#pragma once

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

private:
    QMap<const Property *, Property *> m_toSub;
    QMap<const Property *, Property *> m_toOwner;
};
