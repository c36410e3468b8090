#include "propertyset.h"
#include "propertieslogging.h"

#include "node.h"
#include "treepropertybrowser.h"
#include "variantmanager.h"
#include "variantproperty.h"

#include <QDebug>

namespace {
const QString kReadOnlyAttribute = QStringLiteral("readOnly");
}

PropertySet::PropertySet(QObject* parent)
    : QObject(parent)
{
}

Node* PropertySet::node() const
{
    return Node::isAlive(currentNode) ? currentNode : nullptr;
}

VariantProperty* PropertySet::addProperty(const QString& name, int propertyType, const QVariant& value,
                                          bool readOnly)
{
    if (!manager) {
        qCWarning(lcProperties) << "Property panel without a manager: row" << name << "not added";
        return nullptr;
    }
    VariantProperty* property = manager->addProperty(propertyType, name);
    if (!property) {
        qCWarning(lcProperties) << "Property panel: type" << propertyType << "of row" << name << "is not supported";
        return nullptr;
    }
    // The value is set before the name is recorded, so the edit handling,
    // which starts by looking the row up, ignores this first value.
    property->setValue(value);
    property->setAttribute(kReadOnlyAttribute, readOnly);
    propertyNames.insert(property, name);
    if (browser)
        browser->setExpanded(browser->addProperty(property), false);
    return property;
}

VariantProperty* PropertySet::findProperty(const QString& name) const
{
    if (!manager)
        return nullptr;
    // The manager's own table resolves the handle, so a key that is not (or
    // no longer) one of its properties is never dereferenced.
    for (auto it = propertyNames.constBegin(); it != propertyNames.constEnd(); ++it) {
        if (it.value() != name)
            continue;
        if (VariantProperty* property = manager->variantProperty(it.key()))
            return property;
    }
    return nullptr;
}

void PropertySet::setValue(const QString& name, const QVariant& value)
{
    if (VariantProperty* property = findProperty(name))
        property->setValue(value);
}

void PropertySet::setBackgroundColor(const QString& name, const QColor& color)
{
    VariantProperty* property = findProperty(name);
    if (!property || !browser)
        return;
    const QList<BrowserItem*> items = browser->items(property);
    if (!items.isEmpty())
        browser->setBackgroundColor(items.first(), color);
}

void PropertySet::clear()
{
    if (manager)
        manager->clear();
    propertyNames.clear();
}
