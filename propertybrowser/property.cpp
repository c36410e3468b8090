#include "property.h"

#include "abstractpropertymanager.h"

#include <QSet>

class PropertyPrivate
{
public:
    explicit PropertyPrivate(AbstractPropertyManager *owner) : manager(owner) {}

    QSet<Property *> parents;
    QList<Property *> subProperties;
    QString toolTip;
    QString statusTip;
    QString whatsThis;
    QString name;
    bool enabled = true;
    bool modified = false;
    AbstractPropertyManager *const manager;
};

Property::Property(AbstractPropertyManager *manager)
    : d(std::make_unique<PropertyPrivate>(manager))
{
}

Property::~Property()
{
    // Parents and browsers hear of the removal while every link still exists.
    const QSet<Property *> parents = d->parents;
    for (Property *parent : parents)
        emit parent->d->manager->propertyRemoved(this, parent);

    d->manager->propertyGone(this);

    for (Property *sub : qAsConst(d->subProperties))
        sub->d->parents.remove(this);
    for (Property *parent : parents)
        parent->d->subProperties.removeAll(this);
}

AbstractPropertyManager *Property::propertyManager() const { return d->manager; }
QString Property::propertyName() const { return d->name; }
QString Property::toolTip() const { return d->toolTip; }
QString Property::statusTip() const { return d->statusTip; }
QString Property::whatsThis() const { return d->whatsThis; }
bool Property::isEnabled() const { return d->enabled; }
bool Property::isModified() const { return d->modified; }
QList<Property *> Property::subProperties() const { return d->subProperties; }

bool Property::hasValue() const { return d->manager->hasValue(this); }
QIcon Property::valueIcon() const { return d->manager->valueIcon(this); }
QString Property::valueText() const { return d->manager->valueText(this); }
QString Property::displayText() const { return d->manager->displayText(this); }

void Property::propertyChanged()
{
    emit d->manager->propertyChanged(this);
}

namespace {
template <class T>
bool storeIfChanged(T &field, const T &value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}
} // namespace

void Property::setPropertyName(const QString &text)
{
    if (storeIfChanged(d->name, text))
        propertyChanged();
}

void Property::setToolTip(const QString &text)
{
    if (storeIfChanged(d->toolTip, text))
        propertyChanged();
}

void Property::setStatusTip(const QString &text)
{
    if (storeIfChanged(d->statusTip, text))
        propertyChanged();
}

void Property::setWhatsThis(const QString &text)
{
    if (storeIfChanged(d->whatsThis, text))
        propertyChanged();
}

void Property::setEnabled(bool enable)
{
    if (storeIfChanged(d->enabled, enable))
        propertyChanged();
}

void Property::setModified(bool modified)
{
    if (storeIfChanged(d->modified, modified))
        propertyChanged();
}

void Property::addSubProperty(Property *property)
{
    Property *after = d->subProperties.isEmpty() ? nullptr : d->subProperties.last();
    insertSubProperty(property, after);
}

// True when candidateAncestor can be reached from this property's subtree,
// i.e. inserting this property under candidateAncestor would close a cycle.
bool Property::isDescendant(const Property *candidateAncestor) const
{
    QList<Property *> pending = d->subProperties;
    QSet<const Property *> visited;
    while (!pending.isEmpty()) {
        Property *next = pending.takeFirst();
        if (next == candidateAncestor)
            return true;
        if (visited.contains(next))
            continue;
        visited.insert(next);
        pending += next->d->subProperties;
    }
    return false;
}

void Property::insertSubProperty(Property *property, Property *afterProperty)
{
    if (!property || property == this)
        return;
    if (property->isDescendant(this))
        return;

    int position = 0;
    Property *effectiveAfter = nullptr;
    for (int i = 0; i < d->subProperties.size(); ++i) {
        Property *entry = d->subProperties.at(i);
        if (entry == property)
            return;
        if (entry == afterProperty) {
            position = i + 1;
            effectiveAfter = afterProperty;
        }
    }

    d->subProperties.insert(position, property);
    property->d->parents.insert(this);
    emit d->manager->propertyInserted(property, this, effectiveAfter);
}

void Property::removeSubProperty(Property *property)
{
    if (!property)
        return;
    // Announced before the link goes, and even for a property that is not a
    // child: browsers ignore parents they do not show.
    emit d->manager->propertyRemoved(property, this);

    if (d->subProperties.removeOne(property))
        property->d->parents.remove(this);
}
